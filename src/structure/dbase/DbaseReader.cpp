#include "DbaseReader.h"

#include "CodePage.h"
#include "CpgFile.h"
#include "DbaseFieldTypes.h"
#include "DbfHeader.h"
#include "FieldProperties.h"
#include "LanguageDrivers.h"

#include <QFileInfo>
#include <QString>

#include <algorithm>

namespace korvex::dbase {

namespace {

constexpr std::uint16_t FoxProLevel = 25;
constexpr std::uint32_t DBaseIIIMemoBlock = 512; // dBASE III memo files have no block size field

bool anyField(const DbfHeader& h, auto predicate)
{
    return std::any_of(h.fields.begin(), h.fields.end(), predicate);
}

Dialect dialectOf(const DbfHeader& h, const DbaseCompanions& companions)
{
    if (familyOfVersion(h.version) == VersionFamily::FoxPro)
        return Dialect::FoxPro;
    if (h.level7Layout)
        return Dialect::DBase;
    // FoxBASE+ and FoxPro write dBASE III version bytes too; their own field types, or a
    // structural index that is a .CDX, tell them apart.
    if (anyField(h, isFoxProOnlyField))
        return Dialect::FoxPro;
    if ((h.tableFlags & 0x01) && companions.cdx && !companions.mdx)
        return Dialect::FoxPro;
    return Dialect::DBase;
}

std::uint16_t dbaseLevel(const DbfHeader& h)
{
    if (h.level7Layout)
        return 7;
    const auto typed = [&](char letter) {
        return anyField(h, [letter](const StoredField& f) { return f.type == letter; });
    };
    if (typed('B') || typed('G'))
        return 5;
    if ((h.version & 0x08) || (h.tableFlags & 0x01) || h.languageDriverId != 0 || typed('F'))
        return 4;
    return 3;
}

// The language driver of a table: the code page its text is stored in, the engine's
// symbolic driver name and the engine's description of it.
struct DriverChoice {
    int codePage = 1252;
    QString name;        // e.g. "DB437US0"; empty for FoxPro code page marks
    QString description; // e.g. "dBASE ENU cp437"; empty when not known
};

// Below level 7 byte 29 names the driver: a dBASE language driver id or a FoxPro code
// page mark (both live in one number space). Id 0 means no driver is stored; it, and ids
// nobody documents, give code page 1252 with no name or description.
DriverChoice driverOfId(std::uint8_t id)
{
    if (const auto* d = languageDriverByDbaseId(id))
        return {d->codePage, QString::fromLatin1(d->name), QString::fromLatin1(d->description)};
    return {};
}

// A level-7 table names its driver by text at bytes 32-63, in any letter case; the name
// is kept as stored. A name missing from the engine's list still gives its code page
// when it follows the engine's naming; otherwise fallbackCodePage is used.
DriverChoice driverOfName(const QString& name, int fallbackCodePage)
{
    if (const auto* d = languageDriverByName(name))
        return {d->codePage, name, QString::fromLatin1(d->description)};
    return {codePageOfDriverName(name).value_or(fallbackCodePage), name, {}};
}

// A table without a language driver whose code page a .CPG names; the description says
// where the code page came from. Text the .CPG does not name a code page by is warned of.
DriverChoice driverOfCpg(const FileBytes& cpg, QStringList& warnings)
{
    const QByteArrayView text(reinterpret_cast<const char*>(cpg.data.data()), qsizetype(cpg.data.size()));
    const QString file = QFileInfo(cpg.name).fileName();
    if (const auto codePage = codePageOfCpg(text)) {
        const QString which = *codePage == CodePage::Utf8 ? QStringLiteral("UTF-8")
                                                          : QStringLiteral("Code page %1").arg(*codePage);
        return {*codePage, {}, QStringLiteral("%1, named by %2").arg(which, file)};
    }
    constexpr qsizetype MaxShown = 40;
    const QString shown = CodePage::withoutControls(
        QString::fromLatin1(text.first(std::min(text.size(), MaxShown))).trimmed());
    warnings << QStringLiteral("%1: \"%2\" names no code page known here; the table's text is read in code page "
                               "1252")
                    .arg(cpg.name, shown);
    return {};
}

DriverChoice languageDriverOf(const DbfHeader& h, const DbaseCompanions& companions, QStringList& warnings)
{
    auto byId = driverOfId(h.languageDriverId);
    if (h.level7Layout) {
        const QString name = CodePage::withoutControls(
            QString::fromLatin1(reinterpret_cast<const char*>(h.languageDriverName.data()),
                                qsizetype(h.languageDriverName.size()))
                .trimmed());
        if (!name.isEmpty())
            return driverOfName(name, byId.codePage);
    }
    if (h.languageDriverId == 0 && companions.cpg)
        return driverOfCpg(*companions.cpg, warnings);
    return byId;
}

// The memo block size in bytes, from the memo file's header.
std::uint32_t memoBlockSize(const DbfHeader& h, Dialect dialect, const DbaseCompanions& companions)
{
    if (dialect == Dialect::FoxPro) {
        if (companions.fpt) {
            ByteReader fpt(*companions.fpt);
            fpt.seek(6, "memo block size");
            return fpt.u16be("memo block size"); // FoxPro memo headers are big-endian
        }
        return companions.dbt ? DBaseIIIMemoBlock : 0; // FoxBASE keeps dBASE III memo files
    }
    if (!companions.dbt)
        return 0;
    if (!(h.version & 0x08) && !h.level7Layout)
        return DBaseIIIMemoBlock;
    ByteReader dbt(*companions.dbt);
    const auto size = dbt.u16leAt(20, "memo block size");
    return size != 0 ? size : DBaseIIIMemoBlock;
}

} // namespace

TableDefinition readTable(const FileBytes& dbf, const DbaseCompanions& companions)
{
    const DbfHeader h = readDbfHeader(dbf);
    const Dialect dialect = dialectOf(h, companions);
    TableDefinition t;
    const DriverChoice driver = languageDriverOf(h, companions, t.warnings);

    t.tableType = dialect == Dialect::FoxPro ? QStringLiteral("FOXPRO") : QStringLiteral("DBASE");
    t.level = dialect == Dialect::FoxPro ? FoxProLevel : dbaseLevel(h);
    t.recordSize = h.recordSize;
    t.codePage = driver.codePage;
    std::vector<std::span<const std::byte>> names;
    for (const auto& f : h.fields)
        names.push_back(f.name);
    if (CodePage(driver.codePage).namesReadBetterAsUtf8(names)) {
        t.codePage = CodePage::Utf8;
        t.warnings << utf8NamesWarning(dbf.name, driver.codePage);
    }
    const CodePage codePage(t.codePage);
    t.languageDriverName = driver.name;
    t.languageDriverDescription = driver.description;

    std::uint32_t bufferSize = 0;
    bool hasBlob = false;
    t.fields.reserve(h.fields.size());
    for (const auto& stored : h.fields) {
        t.fields.push_back(describeField(stored, dialect, h.version, codePage));
        FieldDefinition& f = t.fields.back();
        // Harbour's own auto-increment fields keep their counter elsewhere.
        if (f.type == FieldType::AutoInc && (h.level7Layout || dialect == Dialect::FoxPro)) {
            f.nextValue = stored.nextAutoIncrement;
            if (stored.autoIncrementStep > 0)
                f.increment = stored.autoIncrementStep;
        }
        bufferSize += t.fields.back().logicalLength;
        hasBlob = hasBlob || t.fields.back().logicalType == LogicalType::Blob;
    }
    t.recordBufferSize = std::uint16_t(std::min<std::uint32_t>(bufferSize, 65535));
    if (hasBlob) {
        // Memo blocks are counted in bytes, often less than a kilobyte (512 for dBASE III).
        const std::uint32_t blockSize = memoBlockSize(h, dialect, companions);
        t.blockSizeKb = std::uint16_t(blockSize / 1024);
        t.blockSizeBytes = std::uint16_t(std::min<std::uint32_t>(blockSize, 0xFFFF));
    }

    if (dialect == Dialect::DBase)
        t.validityChecks = readValidityChecks(dbf, h, t.fields, codePage);
    return t;
}

} // namespace korvex::dbase
