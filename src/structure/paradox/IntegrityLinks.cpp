#include "IntegrityLinks.h"

#include "MappedFile.h"

#include <QFileInfo>

namespace korvex::paradox {

namespace {

constexpr std::size_t MasterLinkSize = 0x1E0;
constexpr std::size_t DependentsHeaderSize = 0xBA;
constexpr std::size_t DependentSize = 0x12A;
constexpr std::size_t LinkNameSlot = 64;
constexpr std::size_t MasterTableSlot = 114;
constexpr std::size_t DependentTableSlot = 82;

// Master-link record.
constexpr std::size_t MasterTableAt = 0xD4;
constexpr std::size_t UpdateRuleAt = 0x19A;
constexpr std::size_t PairCountAt = 0x19E;
constexpr std::size_t ThisFieldsAt = 0x1A0;
constexpr std::size_t MasterFieldsAt = 0x1C0;
// Dependents header, counted from its list flag.
constexpr std::size_t KeyCountAt = 0x96;
constexpr std::size_t KeyFieldsAt = 0x98;
constexpr std::size_t DependentCountAt = 0xB8;
// Dependent record.
constexpr std::size_t DependentTableAt = 0x40;
constexpr std::size_t UpdateHintAt = 0x106;
constexpr std::size_t DependentFieldsAt = 0x10A;

constexpr std::uint32_t Restrict = 0;
constexpr std::uint32_t Cascade = 1;

// A link joins 1 to 16 fields of one table to as many of the other; record is a cursor
// at the start of the record that holds the count at byte at.
std::uint16_t fieldCount(const ByteReader& record, std::size_t at, std::string_view what)
{
    const std::uint16_t count = record.u16leAt(at, what);
    if (count == 0 || count > MaxLinkedFields)
        record.failAt(record.position() + at, FormatError::Kind::Damaged,
                      QStringLiteral("a link joins 1 to %1 fields, not %2").arg(MaxLinkedFields).arg(count));
    return count;
}

std::vector<std::uint16_t> fieldNumbers(const ByteReader& record, std::size_t at, std::size_t count,
                                        std::string_view what)
{
    std::vector<std::uint16_t> numbers;
    numbers.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        numbers.push_back(record.u16leAt(at + 2 * i, what));
    return numbers;
}

StoredMasterLink readMasterLink(const ByteReader& record)
{
    StoredMasterLink m;
    m.offset = record.position();
    ByteReader r = record;
    m.name = copyOf(r.fixedString(LinkNameSlot, "a link name"));
    r.seek(MasterTableAt, "a master link");
    m.masterTable = copyOf(r.fixedString(MasterTableSlot, "a master table's name"));
    m.updateRule = record.u32leAt(UpdateRuleAt, "a link's update rule");
    if (m.updateRule != Restrict && m.updateRule != Cascade)
        record.failAt(m.offset + UpdateRuleAt, FormatError::Kind::Damaged,
                      QStringLiteral("update rule %1 is neither restrict (0) nor cascade (1)").arg(m.updateRule));
    const std::uint16_t count = fieldCount(record, PairCountAt, "a link's field count");
    m.fields = fieldNumbers(record, ThisFieldsAt, count, "a link's fields");
    m.masterFields = fieldNumbers(record, MasterFieldsAt, count, "a link's master fields");
    return m;
}

StoredDependent readDependent(const ByteReader& record, std::size_t keyCount)
{
    StoredDependent d;
    d.offset = record.position();
    ByteReader r = record;
    d.name = copyOf(r.fixedString(LinkNameSlot, "a link name"));
    r.seek(DependentTableAt, "a dependent");
    d.dependentTable = copyOf(r.fixedString(DependentTableSlot, "a dependent table's name"));
    d.updateHint = record.u16leAt(UpdateHintAt, "a dependent's update rule");
    d.dependentFields = fieldNumbers(record, DependentFieldsAt, keyCount, "a dependent's fields");
    return d;
}

// The rule of the link named linkName in the .VAL of the dependent table stored as
// dependentName, when that link points back at the master masterFile.
std::optional<bool> ruleInDependent(const QString& directory, const QString& dependentName, const QByteArray& linkName,
                                    const QString& masterFile, DirectoryListings* listings)
{
    // A name with a directory would lead elsewhere than beside the master.
    if (dependentName.isEmpty() || dependentName.contains('/') || dependentName.contains('\\') ||
        dependentName.contains(':'))
        return std::nullopt;
    const auto dbPath = TableFiles::findCaseBlind(directory + '/' + dependentName, listings);
    if (!dbPath)
        return std::nullopt;
    const TableFiles dependent(*dbPath, listings);
    const auto valPath = dependent.companion(QStringLiteral(".VAL"));
    if (!valPath)
        return std::nullopt;
    try {
        const MappedFile db = MappedFile::openCompanion(*dbPath, MappedFile::TableHeadBytes);
        const MappedFile val = MappedFile::openCompanion(*valPath);
        const ParadoxHeader header = parseHeader(ByteReader(db.fileBytes()));
        if (!header.isTable())
            return std::nullopt;
        const ByteReader valBytes(val.fileBytes());
        const ValFile v = parseValFile(valBytes, header);
        if (v.status != ValFile::Status::Read || v.header.integrityOffset == 0)
            return std::nullopt;
        auto sameTable = [](const QString& a, const QString& b) {
            return QFileInfo(a).completeBaseName().compare(QFileInfo(b).completeBaseName(), Qt::CaseInsensitive) == 0;
        };
        for (const auto& link : parseIntegritySection(valBytes, v.header).masterLinks)
            if (link.name == linkName && sameTable(QString::fromLatin1(link.masterTable), masterFile))
                return link.updateRule == Cascade;
    } catch (const FormatError&) {
        // The dependent's own faults show when that table is read; here it cannot tell.
    }
    return std::nullopt;
}

} // namespace

IntegritySection parseIntegritySection(const ByteReader& val, const ValHeader& header)
{
    const std::size_t start = header.integrityOffset;
    const std::size_t end = header.footerOffset;
    if (start == 0 || start > end)
        val.failAt(0x0D, FormatError::Kind::Damaged,
                   QStringLiteral("referential-integrity offset %1 lies outside the checks and the footer").arg(start));
    const ByteReader section = val.sub(start, end - start, "the referential-integrity section");
    auto here = [&](const ByteReader& r) { return r.position() - start; };

    IntegritySection s;
    ByteReader r = section;
    const std::uint16_t masters = r.u16le("the master-link count");
    if (std::size_t(masters) * MasterLinkSize > r.remaining())
        r.failAt(start, FormatError::Kind::Damaged,
                 QStringLiteral("%1 master links do not fit before the footer at byte %2").arg(masters).arg(end));
    s.masterLinks.reserve(masters);
    for (std::size_t i = 0; i < masters; ++i) {
        s.masterLinks.push_back(readMasterLink(section.sub(here(r), MasterLinkSize, "a master link")));
        r.skip(MasterLinkSize, "a master link");
    }

    const std::size_t flagAt = r.position();
    const std::uint16_t hasDependents = r.u16le("the dependents flag");
    if (hasDependents == 0)
        return s;
    if (hasDependents != 1)
        r.failAt(flagAt, FormatError::Kind::Damaged,
                 QStringLiteral("the dependents flag is %1, neither 0 nor 1").arg(hasDependents));
    const ByteReader head = section.sub(flagAt - start, DependentsHeaderSize, "the dependents header");
    const std::uint16_t keyCount = fieldCount(head, KeyCountAt, "the master key field count");
    s.masterKeyFieldsOffset = flagAt + KeyFieldsAt;
    s.masterKeyFields = fieldNumbers(head, KeyFieldsAt, keyCount, "the master key fields");
    const std::uint16_t dependents = head.u16leAt(DependentCountAt, "the dependent count");
    r.seek(flagAt - start + DependentsHeaderSize, "the dependents header");
    if (std::size_t(dependents) * DependentSize > r.remaining())
        r.failAt(flagAt + DependentCountAt, FormatError::Kind::Damaged,
                 QStringLiteral("%1 dependents do not fit before the footer at byte %2").arg(dependents).arg(end));
    s.dependents.reserve(dependents);
    for (std::size_t i = 0; i < dependents; ++i) {
        s.dependents.push_back(readDependent(section.sub(here(r), DependentSize, "a dependent"), keyCount));
        r.skip(DependentSize, "a dependent");
    }
    return s;
}

std::vector<IntegrityDescriptor> integrityLinks(const ByteReader& val, const ParadoxHeader& table,
                                                const CodePage& codePage, const DependentRule& dependentRule)
{
    const ValFile v = parseValFile(val, table);
    if (v.status != ValFile::Status::Read || v.header.integrityOffset == 0)
        return {};
    const IntegritySection s = parseIntegritySection(val, v.header);
    const std::size_t fieldTotal = table.fields.size();

    auto decode = [&](const QByteArray& b) { return codePage.decode(bytesOf(b)); };
    auto checkOwn = [&](std::uint16_t number, std::size_t at, const QByteArray& link) {
        if (number == 0 || number > fieldTotal)
            val.failAt(at, FormatError::Kind::Damaged,
                       QStringLiteral("link \"%1\" joins field %2, but the table has %3 fields")
                           .arg(decode(link))
                           .arg(number)
                           .arg(fieldTotal));
    };
    auto checkRelated = [&](std::uint16_t number, std::size_t at, const QByteArray& link) {
        if (number == 0)
            val.failAt(at, FormatError::Kind::Damaged,
                       QStringLiteral("link \"%1\" joins field 0 of its related table").arg(decode(link)));
    };
    auto checkTable = [&](const QByteArray& name, std::size_t at, const QByteArray& link) {
        if (name.isEmpty())
            val.failAt(at, FormatError::Kind::Damaged,
                       QStringLiteral("link \"%1\" names no related table").arg(decode(link)));
    };

    std::vector<IntegrityDescriptor> links;
    for (const auto& m : s.masterLinks) {
        checkTable(m.masterTable, m.offset + MasterTableAt, m.name);
        IntegrityDescriptor link;
        link.name = decode(m.name);
        link.kind = IntegrityDescriptor::Kind::Master;
        link.relatedTable = decode(m.masterTable);
        link.cascade = m.updateRule == Cascade;
        for (std::size_t i = 0; i < m.fields.size(); ++i) {
            checkOwn(m.fields[i], m.offset + ThisFieldsAt + 2 * i, m.name);
            checkRelated(m.masterFields[i], m.offset + MasterFieldsAt + 2 * i, m.name);
            link.pairs.emplace_back(m.fields[i], m.masterFields[i]);
        }
        links.push_back(std::move(link));
    }
    if (!s.dependents.empty())
        for (std::size_t i = 0; i < s.masterKeyFields.size(); ++i)
            if (s.masterKeyFields[i] == 0 || s.masterKeyFields[i] > fieldTotal)
                val.failAt(s.masterKeyFieldsOffset + 2 * i, FormatError::Kind::Damaged,
                           QStringLiteral("the dependents refer to field %1, but the table has %2 fields")
                               .arg(s.masterKeyFields[i])
                               .arg(fieldTotal));
    for (const auto& d : s.dependents) {
        checkTable(d.dependentTable, d.offset + DependentTableAt, d.name);
        IntegrityDescriptor link;
        link.name = decode(d.name);
        link.kind = IntegrityDescriptor::Kind::Dependent;
        link.relatedTable = decode(d.dependentTable);
        const auto rule = dependentRule ? dependentRule(d.dependentTable, d.name) : std::nullopt;
        link.cascade = rule ? *rule : d.updateHint != 0;
        for (std::size_t i = 0; i < d.dependentFields.size(); ++i) {
            checkRelated(d.dependentFields[i], d.offset + DependentFieldsAt + 2 * i, d.name);
            link.pairs.emplace_back(s.masterKeyFields[i], d.dependentFields[i]);
        }
        links.push_back(std::move(link));
    }
    return links;
}

std::vector<IntegrityDescriptor> readIntegrityLinks(const TableDefinition& definition, const TableFiles& files)
{
    const auto valPath = files.companion(QStringLiteral(".VAL"));
    if (!valPath)
        return {};
    const MappedFile db = MappedFile::openCompanion(files.mainPath(), MappedFile::TableHeadBytes);
    const MappedFile val = MappedFile::openCompanion(*valPath);
    const ParadoxHeader table = parseHeader(ByteReader(db.fileBytes()));
    const CodePage codePage(definition.codePage);
    const QString masterFile = QFileInfo(files.mainPath()).fileName();
    const DependentRule rule = [&](const QByteArray& dependentTable, const QByteArray& linkName) {
        return ruleInDependent(files.directory(), codePage.decode(bytesOf(dependentTable)), linkName, masterFile,
                               files.listings());
    };
    return integrityLinks(ByteReader(val.fileBytes()), table, codePage, rule);
}

} // namespace korvex::paradox
