#include "ParadoxIndexes.h"

#include "MappedFile.h"

#include <QFileInfo>

#include <algorithm>
#include <variant>

namespace korvex::paradox {

namespace {

// Byte 0x55 of an index data file.
constexpr std::uint8_t CaseInsensitive = 0x01;
constexpr std::uint8_t Descending = 0x10;
constexpr std::uint8_t Unique = 0x20;
// Bit 15 of an entry of the field-number list: that field sorts descending.
constexpr std::uint16_t DescendingField = 0x8000;
// Behind the index fields of an unkeyed table: record number, block number, offset.
constexpr std::size_t UnkeyedTrailer = 3;
// Behind the key fields of a keyed table's index: the block number.
constexpr std::size_t BlockNumber = 1;

QString hex2(std::uint8_t v)
{
    return QStringLiteral("0x%1").arg(v, 2, 16, QLatin1Char('0'));
}

// Why one reading of a data file's layout does not fit the table, and the byte that says so.
struct Mismatch {
    std::size_t offset = 0;
    QString detail;
};

// The table positions (from 0) of the index fields, in key order.
using Layout = std::vector<std::size_t>;

// How the index file's field-number list names the table's fields. Restructuring a table
// keeps its fields' numbers (employee.db carries 1,3,2,4,5,10), while the index files
// written afterwards list positions; files left from before may list those numbers. Where
// neither fits, the index file's own field names and types are matched with the table's.
enum class Numbering {
    Positions,
    TableNumbers,
    Names,
};

class LayoutReader {
public:
    LayoutReader(const ParadoxHeader& x, const ParadoxHeader& table, const CodePage& codePage, Numbering numbering)
        : x_(x), table_(table), codePage_(codePage), numbering_(numbering)
    {}

    // The index fields when the first m fields of the data file are the index, followed by
    // the key fields that trailerFor(index fields) gives (table positions) and internal
    // fields of the index's own. With positional, the field-number list must number the
    // fields after the index by their own positions, as every sample's does: that tells an
    // index on (State, AC) with the key field AC left out of the key part from an index on
    // State alone followed by the key field AC.
    std::variant<Layout, Mismatch> tryLayout(std::size_t m, const auto& trailerFor, std::size_t internal,
                                             bool positional) const
    {
        Layout index;
        for (std::size_t i = 0; i < m; ++i) {
            auto p = indexFieldPosition(i);
            if (auto* miss = std::get_if<Mismatch>(&p))
                return *miss;
            const std::size_t pos = std::get<std::size_t>(p);
            if (std::find(index.begin(), index.end(), pos) != index.end())
                return Mismatch{
                    numberOffset(i),
                    QStringLiteral("field %1 (\"%2\") stands twice in the index").arg(pos + 1).arg(tableName(pos))};
            if (auto miss = sameField(i, pos))
                return *miss;
            index.push_back(pos);
        }
        const std::vector<std::size_t> trailer = trailerFor(index);
        if (m + trailer.size() + internal != x_.fields.size())
            return Mismatch{0x21, QStringLiteral("the index file has %1 fields, but %2 index %3, %4 key %5 and %6 "
                                                 "of its own make %7")
                                      .arg(x_.fields.size())
                                      .arg(m)
                                      .arg(m == 1 ? QStringLiteral("field") : QStringLiteral("fields"))
                                      .arg(trailer.size())
                                      .arg(trailer.size() == 1 ? QStringLiteral("field") : QStringLiteral("fields"))
                                      .arg(internal)
                                      .arg(m + trailer.size() + internal)};
        if (positional && x_.fieldNumbersOffset != 0)
            for (std::size_t i = m; i < x_.fields.size(); ++i)
                if (x_.fields[i].fieldNumber != i + 1)
                    return Mismatch{numberOffset(i), QStringLiteral("entry %1 of the field-number list is %2, not "
                                                                    "its position")
                                                         .arg(i + 1)
                                                         .arg(x_.fields[i].fieldNumber)};
        for (std::size_t j = 0; j < trailer.size(); ++j) {
            const std::size_t i = m + j;
            if (auto miss = sameField(i, trailer[j]))
                return Mismatch{miss->offset, QStringLiteral("in the key part, %1").arg(miss->detail)};
        }
        return index;
    }

    QString tableName(std::size_t pos) const { return codePage_.decode(bytesOf(table_.fields[pos].name)); }

private:
    QString ownName(std::size_t i) const { return codePage_.decode(bytesOf(x_.fields[i].name)); }

    std::size_t numberOffset(std::size_t i) const
    {
        return x_.fieldNumbersOffset != 0 ? x_.fieldNumbersOffset + 2 * i : x_.descriptorOffset(i);
    }

    // Format 4.x and later list a number for each index field (see Numbering). Format 3.x
    // names the first index field at 0x15 and no other.
    std::variant<std::size_t, Mismatch> indexFieldPosition(std::size_t i) const
    {
        const std::size_t count = table_.fields.size();
        if (numbering_ == Numbering::Names)
            return positionByName(i);
        if (x_.fieldNumbersOffset != 0) {
            const std::uint16_t number = x_.fields[i].fieldNumber & ~DescendingField;
            if (numbering_ == Numbering::TableNumbers) {
                for (std::size_t p = 0; p < count; ++p)
                    if (table_.fields[p].fieldNumber == number)
                        return p;
                return Mismatch{numberOffset(i), QStringLiteral("index field %1 is field number %2, which no field "
                                                                "of the table carries")
                                                     .arg(i + 1)
                                                     .arg(number)};
            }
            if (number >= 1 && number <= count)
                return std::size_t(number - 1);
            return Mismatch{numberOffset(i), QStringLiteral("index field %1 is field %2, but the table has %3 fields")
                                                 .arg(i + 1)
                                                 .arg(number)
                                                 .arg(count)};
        }
        if (i == 0 && x_.indexFieldNumber != 0) {
            if (x_.indexFieldNumber > count)
                return Mismatch{0x15, QStringLiteral("the index is on field %1, but the table has %2 fields")
                                          .arg(x_.indexFieldNumber)
                                          .arg(count)};
            return std::size_t(x_.indexFieldNumber - 1);
        }
        return positionByName(i);
    }

    // The table's field of the index field's name (case-blind), preferring one of the same
    // type and size.
    std::variant<std::size_t, Mismatch> positionByName(std::size_t i) const
    {
        const QString name = ownName(i);
        std::optional<std::size_t> named;
        for (std::size_t p = 0; p < table_.fields.size(); ++p) {
            if (tableName(p).compare(name, Qt::CaseInsensitive) != 0)
                continue;
            if (x_.fields[i].typeCode == table_.fields[p].typeCode &&
                x_.fields[i].sizeByte == table_.fields[p].sizeByte)
                return p;
            named = named.value_or(p);
        }
        if (named)
            return *named;
        return Mismatch{x_.descriptorOffset(i),
                        QStringLiteral("index field %1 (\"%2\") is not a field of the table").arg(i + 1).arg(name)};
    }

    // The data file's field i must be a copy of the table's field at pos. The first index
    // field of a 3.x file is named by number only; older notes say such files may call it
    // "Sec Key".
    std::optional<Mismatch> sameField(std::size_t i, std::size_t pos) const
    {
        const StoredField& own = x_.fields[i];
        const StoredField& theirs = table_.fields[pos];
        if (own.typeCode != theirs.typeCode || own.sizeByte != theirs.sizeByte)
            return Mismatch{x_.descriptorOffset(i),
                            QStringLiteral("field %1 (\"%2\") of the index file has type %3 size %4, but the "
                                           "table's field %5 (\"%6\") has type %7 size %8")
                                .arg(i + 1)
                                .arg(ownName(i))
                                .arg(hex2(own.typeCode))
                                .arg(own.sizeByte)
                                .arg(pos + 1)
                                .arg(tableName(pos))
                                .arg(hex2(theirs.typeCode))
                                .arg(theirs.sizeByte)};
        const bool namedByNumberOnly = x_.fieldNumbersOffset == 0 && i == 0 && x_.indexFieldNumber != 0 &&
                                       numbering_ != Numbering::Names;
        if (!namedByNumberOnly && ownName(i).compare(tableName(pos), Qt::CaseInsensitive) != 0)
            return Mismatch{numberOffset(i), QStringLiteral("field %1 of the index file is named \"%2\", but the "
                                                            "table's field %3 is \"%4\"")
                                                 .arg(i + 1)
                                                 .arg(ownName(i))
                                                 .arg(pos + 1)
                                                 .arg(tableName(pos))};
        return std::nullopt;
    }

    const ParadoxHeader& x_;
    const ParadoxHeader& table_;
    const CodePage& codePage_;
    Numbering numbering_;
};

// Whether the table's field numbers are its positions, as in a table never restructured
// and in every 3.x table: then reading the list as table numbers finds nothing new.
bool numbersArePositions(const ParadoxHeader& table)
{
    for (std::size_t p = 0; p < table.fields.size(); ++p)
        if (table.fields[p].fieldNumber != p + 1)
            return false;
    return true;
}

// Finds m and the index fields under one numbering. For a keyed table with k key fields
// the documented layout is m = fields - 1 - k, every key field repeated in the key part;
// when an index field is a key field it may instead be left out there, which makes m
// larger. The documented layout is tried first, and its mismatch is the one reported when
// nothing fits.
std::variant<Layout, Mismatch> readLayoutAs(Numbering numbering, const ParadoxHeader& x, IndexFileKind kind,
                                            const ParadoxHeader& table, const CodePage& codePage)
{
    const LayoutReader reader(x, table, codePage, numbering);
    const std::size_t n = x.fields.size();
    const bool single = kind == IndexFileKind::SingleField;
    auto accept = [&](std::size_t m) { return m >= 1 && m < n && (!single || m == 1); };

    if (table.fileType != std::uint8_t(FileType::KeyedTable)) {
        const std::size_t m = n >= UnkeyedTrailer ? n - UnkeyedTrailer : 0;
        if (!accept(m))
            return Mismatch{0x21, QStringLiteral("the index file has %1 fields, but an index of an unkeyed table has "
                                                 "its %2 and three more")
                                      .arg(n)
                                      .arg(single ? QStringLiteral("field") : QStringLiteral("fields"))};
        auto none = [](const Layout&) { return std::vector<std::size_t>{}; };
        return reader.tryLayout(m, none, UnkeyedTrailer, false);
    }

    const std::size_t k = std::min<std::size_t>(table.primaryKeyFields, table.fields.size());
    auto everyKey = [k](const Layout&) {
        std::vector<std::size_t> keys(k);
        for (std::size_t p = 0; p < k; ++p)
            keys[p] = p;
        return keys;
    };
    auto keysOutsideIndex = [k](const Layout& index) {
        std::vector<std::size_t> keys;
        for (std::size_t p = 0; p < k; ++p)
            if (std::find(index.begin(), index.end(), p) == index.end())
                keys.push_back(p);
        return keys;
    };

    // Fields numbered by their positions behind the index are preferred; without that
    // rule, the first layout whose fields match is taken.
    std::optional<Mismatch> documented;
    for (const bool positional : {true, false}) {
        if (n >= k + 2 && accept(n - 1 - k)) {
            auto r = reader.tryLayout(n - 1 - k, everyKey, BlockNumber, positional);
            if (auto* layout = std::get_if<Layout>(&r))
                return *layout;
            if (!positional)
                documented = std::get<Mismatch>(r);
        }
        for (std::size_t m = n >= k + 2 ? n - k : 1; m < n; ++m) {
            if (!accept(m))
                continue;
            auto r = reader.tryLayout(m, keysOutsideIndex, BlockNumber, positional);
            if (auto* layout = std::get_if<Layout>(&r))
                return *layout;
            if (!positional && !documented)
                documented = std::get<Mismatch>(r);
        }
    }
    if (documented)
        return *documented;
    return Mismatch{0x21, QStringLiteral("the index file has %1 fields, too few for an index of a table with %2 key "
                                         "%3 and a block number")
                              .arg(n)
                              .arg(k)
                              .arg(k == 1 ? QStringLiteral("field") : QStringLiteral("fields"))};
}

// The index fields under the first numbering that fits; else why the first one does not.
std::variant<Layout, Mismatch> readLayout(const ParadoxHeader& x, IndexFileKind kind, const ParadoxHeader& table,
                                          const CodePage& codePage)
{
    std::optional<Mismatch> first;
    for (const Numbering numbering : {Numbering::Positions, Numbering::TableNumbers, Numbering::Names}) {
        if (numbering == Numbering::TableNumbers && numbersArePositions(table))
            continue;
        auto r = readLayoutAs(numbering, x, kind, table, codePage);
        if (std::holds_alternative<Layout>(r))
            return r;
        if (!first)
            first = std::get<Mismatch>(r);
    }
    return *first;
}

// One index data file read: the index, and when its fields cannot be matched with the
// table's, why not (the index then has its name and flags, but no fields).
struct IndexReading {
    IndexDescription index;
    std::optional<Mismatch> unfit;
};

bool isDataFileOf(IndexFileKind kind, std::uint8_t fileType)
{
    switch (FileType(fileType)) {
    case FileType::SingleFieldIndexData:
    case FileType::SingleFieldIndexDataMaintained: return kind == IndexFileKind::SingleField;
    case FileType::CompositeIndexData:
    case FileType::CompositeIndexDataMaintained: return kind == IndexFileKind::Composite;
    default: return false;
    }
}

const char* kindText(IndexFileKind kind)
{
    return kind == IndexFileKind::SingleField ? "a single-field index (.Xnn)" : "a composite index (.XGn)";
}

bool isHexDigit(QChar c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

} // namespace

std::optional<IndexFileName> indexFileName(const QString& extension)
{
    const QString e = extension.toUpper();
    if (e.size() >= 3 && e.startsWith(QLatin1String("XG"))) {
        bool ok = false;
        const unsigned number = e.mid(2).toUInt(&ok, 10);
        if (!ok || !std::all_of(e.begin() + 2, e.end(), [](QChar c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        return IndexFileName{IndexFileKind::Composite, number, QStringLiteral("YG") + e.mid(2)};
    }
    if (e.size() == 3 && e[0] == 'X' && isHexDigit(e[1]) && isHexDigit(e[2]))
        return IndexFileName{IndexFileKind::SingleField, e.mid(1).toUInt(nullptr, 16), QStringLiteral("Y") + e.mid(1)};
    return std::nullopt;
}

std::optional<IndexDescription> primaryIndex(const TableDefinition& table)
{
    QStringList keyFields;
    for (const auto& f : table.fields)
        if (f.key)
            keyFields << f.name;
    if (keyFields.isEmpty())
        return std::nullopt;
    IndexDescription primary;
    primary.fields = keyFields.join(';');
    primary.primary = true;
    primary.unique = true;
    primary.maintained = true;
    return primary;
}

namespace {

IndexReading readIndexFile(const ByteReader& file, IndexFileKind kind, const ParadoxHeader& table,
                           const CodePage& codePage)
{
    const ParadoxHeader x = parseHeader(file);
    if (!isDataFileOf(kind, x.fileType))
        file.failAt(0x04, FormatError::Kind::Damaged,
                    QStringLiteral("not the data file of %1 (file type %2: %3)")
                        .arg(QLatin1String(kindText(kind)))
                        .arg(x.fileType)
                        .arg(QLatin1String(describeFileType(x.fileType))));

    IndexReading r;
    IndexDescription& index = r.index;
    index.maintained = x.fileType == std::uint8_t(FileType::SingleFieldIndexDataMaintained) ||
                       x.fileType == std::uint8_t(FileType::CompositeIndexDataMaintained);
    index.unique = (x.flags55 & Unique) != 0;
    index.descending = (x.flags55 & Descending) != 0;
    if (kind == IndexFileKind::Composite) {
        index.caseInsensitive = (x.flags55 & CaseInsensitive) != 0;
        index.name = codePage.decode(bytesOf(x.indexName));
    }

    auto layout = readLayout(x, kind, table, codePage);
    if (auto* miss = std::get_if<Mismatch>(&layout)) {
        r.unfit = *miss;
        return r;
    }
    QStringList keyFields;
    for (std::size_t i = 0; i < std::get<Layout>(layout).size(); ++i) {
        keyFields << codePage.decode(bytesOf(table.fields[std::get<Layout>(layout)[i]].name));
        if (x.fieldNumbersOffset != 0 && (x.fields[i].fieldNumber & DescendingField) != 0)
            index.descending = true;
    }
    index.fields = keyFields.join(';');
    if (kind == IndexFileKind::SingleField)
        index.name = keyFields.front();
    else if (index.name.isEmpty())
        file.failAt(x.parsedEnd, FormatError::Kind::Damaged, QStringLiteral("the composite index has no name"));
    return r;
}

} // namespace

IndexDescription readSecondaryIndex(const ByteReader& file, IndexFileKind kind, const ParadoxHeader& table,
                                    const CodePage& codePage)
{
    IndexReading r = readIndexFile(file, kind, table, codePage);
    if (r.unfit)
        file.failAt(r.unfit->offset, FormatError::Kind::Damaged,
                    QStringLiteral("the index does not fit the table: %1").arg(r.unfit->detail));
    return std::move(r.index);
}

void checkIndexTree(const ByteReader& y, IndexFileKind kind)
{
    const ParadoxHeader h = parseHeader(y);
    const auto wanted = kind == IndexFileKind::SingleField ? FileType::SingleFieldIndexTree
                                                           : FileType::CompositeIndexTree;
    if (h.fileType != std::uint8_t(wanted))
        y.failAt(0x04, FormatError::Kind::Damaged,
                 QStringLiteral("not the index tree of %1 (file type %2: %3)")
                     .arg(QLatin1String(kindText(kind)))
                     .arg(h.fileType)
                     .arg(QLatin1String(describeFileType(h.fileType))));
}

std::vector<IndexDescription> readIndexes(const TableDefinition& definition, const TableFiles& files,
                                          QStringList* warnings)
{
    std::vector<IndexDescription> indexes;
    if (auto primary = primaryIndex(definition))
        indexes.push_back(std::move(*primary));

    struct DataFile {
        IndexFileName name;
        QString path;
    };
    std::vector<DataFile> found;
    for (const auto& path : files.companionsWhere([](const QString& ext) { return indexFileName(ext).has_value(); }))
        found.push_back({*indexFileName(QFileInfo(path).suffix()), path});
    // Sorted by file name already; stable, so of two names that differ in case the first stays first.
    std::stable_sort(found.begin(), found.end(), [](const DataFile& a, const DataFile& b) {
        return std::pair(a.name.kind, a.name.number) < std::pair(b.name.kind, b.name.number);
    });
    found.erase(std::unique(found.begin(), found.end(),
                            [](const DataFile& a, const DataFile& b) {
                                return a.name.kind == b.name.kind && a.name.number == b.name.number;
                            }),
                found.end());
    if (found.empty())
        return indexes;

    const MappedFile db = MappedFile::openCompanion(files.mainPath(), MappedFile::TableHeadBytes);
    const ParadoxHeader table = parseHeader(ByteReader(db.fileBytes()));
    const CodePage codePage(definition.codePage);
    for (const auto& f : found) {
        const MappedFile x = MappedFile::openCompanion(f.path);
        const auto tree = files.companion('.' + f.name.treeExtension);
        if (!tree) {
            // Named in the data file's own letter case, as it would be written.
            const QString suffix = QFileInfo(f.path).suffix();
            const QString treeSuffix = suffix[0].isLower() ? f.name.treeExtension.toLower() : f.name.treeExtension;
            throw FormatError(FormatError::Kind::Missing, files.pathOf(files.baseName() + '.' + treeSuffix),
                              std::nullopt, QStringLiteral("no such file; it holds the index tree of %1").arg(f.path));
        }
        const MappedFile y = MappedFile::openCompanion(*tree);
        checkIndexTree(ByteReader(y.fileBytes()), f.name.kind);
        IndexReading r = readIndexFile(ByteReader(x.fileBytes()), f.name.kind, table, codePage);
        if (r.unfit) {
            // An index kept from an earlier structure of the table (one that still names
            // a renamed field) cannot be used, but the table can: the index is listed by
            // name, without fields.
            if (r.index.name.isEmpty())
                r.index.name = QFileInfo(f.path).fileName();
            if (warnings)
                *warnings << QStringLiteral("%1: the index \"%2\" does not fit the table (%3, at byte %4); it is "
                                            "listed as unreadable, without its fields")
                                 .arg(f.path, r.index.name, r.unfit->detail)
                                 .arg(r.unfit->offset);
        }
        indexes.push_back(std::move(r.index));
    }
    return indexes;
}

void noteUnreadableIndexes(TableDefinition& definition, const TableFiles& files)
{
    try {
        QStringList warnings;
        auto indexes = readIndexes(definition, files, &warnings);
        definition.warnings << warnings;
        definition.indexesAtOpening = std::move(indexes);
    } catch (const FormatError&) {
        // A missing or damaged index file fails the table when its indexes are listed.
    }
}

} // namespace korvex::paradox
