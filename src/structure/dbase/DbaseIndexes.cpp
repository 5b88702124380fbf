#include "DbaseIndexes.h"

#include "CodePage.h"
#include "IndexTags.h"

#include <algorithm>

namespace korvex::dbase {

namespace {

constexpr std::size_t TableFlagsOffset = 28;
constexpr std::uint8_t IndexFlag = 0x01; // dBASE: production MDX; FoxPro: structural CDX

// "<table's path without its extension>.MDX": the file the engine looks for beside the table.
QString indexFileName(const QString& tableFileName, const char* extension)
{
    const auto dot = tableFileName.lastIndexOf(QLatin1Char('.'));
    return (dot < 0 ? tableFileName : tableFileName.left(dot)) + QLatin1Char('.') + QLatin1String(extension);
}

IndexDescription describeTag(const IndexTag& tag, const TableDefinition& table)
{
    IndexDescription d;
    d.name = tag.name;
    d.forCondition = tag.forCondition;
    d.unique = tag.unique;
    d.descending = tag.descending;
    d.primary = false;
    d.maintained = true;
    d.caseInsensitive = false;
    const QString key = tag.expression.trimmed();
    const auto field = std::find_if(table.fields.begin(), table.fields.end(), [&](const FieldDefinition& f) {
        return f.name.compare(key, Qt::CaseInsensitive) == 0;
    });
    if (field != table.fields.end()) {
        d.fields = field->name;
    } else {
        d.expression = tag.expression;
        d.expressionIndex = true;
    }
    return d;
}

} // namespace

std::vector<IndexDescription> readIndexes(const TableDefinition& table, const FileBytes& dbf,
                                          const DbaseCompanions& companions)
{
    const auto flags = ByteReader(dbf).u8At(TableFlagsOffset, "table flags");
    if ((flags & IndexFlag) == 0)
        return {};

    const bool foxPro = table.tableType == QLatin1String("FOXPRO");
    const auto& file = foxPro ? companions.cdx : companions.mdx;
    if (!file)
        throw FormatError(FormatError::Kind::Missing, indexFileName(dbf.name, foxPro ? "CDX" : "MDX"), std::nullopt,
                          QStringLiteral("no such file; byte %1 of %2 says the table has a %3 index")
                              .arg(TableFlagsOffset)
                              .arg(dbf.name, foxPro ? QStringLiteral("structural") : QStringLiteral("production")));

    const CodePage codePage(table.codePage);
    const auto tags = foxPro ? readCdxTags(*file, codePage) : readMdxTags(*file, codePage);
    std::vector<IndexDescription> indexes;
    indexes.reserve(tags.size());
    for (const auto& tag : tags)
        indexes.push_back(describeTag(tag, table));
    return indexes;
}

} // namespace korvex::dbase
