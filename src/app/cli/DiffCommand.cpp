#include "DiffCommand.h"

#include "AliasCommand.h"
#include "Json.h"
#include "Streams.h"

#include "DatabaseEngine.h"
#include "DdlScript.h"
#include "JsonSnapshot.h"
#include "TableSet.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

namespace korvex {

namespace {

constexpr int ExitSame = 0;
constexpr int ExitDifferent = 1;
constexpr int ExitTrouble = 2;

// The tables of a set with the stored types of their fields, which the comparison with a
// server's tables maps through the migration script.
StructureSide readTables(DatabaseEngine& engine, const TableSet& set, const QString& origin)
{
    FieldDescriptorBuffer descriptors;
    std::vector<TableSchema> schemas;
    schemas.reserve(set.tables.size());
    for (const auto& table : set.tables) {
        stopWhenAsked();
        schemas.push_back(readTableSchema(engine, descriptors, table));
    }
    StructureSide side;
    side.origin = origin;
    side.tables.reserve(schemas.size());
    for (const DdlTable& t : readDdlTables(engine, std::move(schemas))) {
        // compared as it is, by its message; told here, since no output would show it alike
        if (!t.schema.ok)
            writeMessage(QStringLiteral("korvex-report: %1: %2\n").arg(t.schema.table.argument, t.schema.error));
        side.tables.push_back(structureOf(t.schema, t.storedTypes));
    }
    return side;
}

std::optional<StructureSide> readAliasSide(DatabaseEngine& engine, const QString& side, QString& error)
{
    const QString name = side.mid(ReportRequest::AliasSide.size());
    const std::unique_ptr<AliasDatabase> database = connectAlias(engine, name, error);
    if (!database)
        return std::nullopt;
    const TableSet set = expandTableArguments(engine, {}, database.get());
    if (!set.problems.isEmpty()) {
        error = set.problems.join(QStringLiteral("; "));
        return std::nullopt;
    }
    return readTables(engine, set, side);
}

QString changeWord(DiffChange change)
{
    switch (change) {
    case DiffChange::Added: return QStringLiteral("added");
    case DiffChange::Removed: return QStringLiteral("removed");
    case DiffChange::Changed: break;
    }
    return QStringLiteral("changed");
}

// A Paradox table's primary index has no name of its own.
QString itemName(const ItemDiff& item)
{
    return item.name.isEmpty() ? QStringLiteral("(unnamed)") : item.name;
}

QString shownValue(const QString& value)
{
    return value.isEmpty() ? QStringLiteral("(none)") : value;
}

// The items of a table's differences in the order every output lists them.
struct ItemGroup {
    const char* word;
    const char* plural; // the member of the JSON
    const std::vector<ItemDiff>* items;
};

std::vector<ItemGroup> groupsOf(const TableDiff& t)
{
    return {{"field", "fields", &t.fields},
            {"index", "indexes", &t.indexes},
            {"link", "links", &t.links},
            {"check", "checks", &t.checks}};
}

QString tableTitle(const TableDiff& t)
{
    return t.change == DiffChange::Changed && t.oldName != t.name ? t.oldName + QStringLiteral(" -> ") + t.name
                                                                  : t.name;
}

Json changesJson(const std::vector<ValueChange>& changes)
{
    Json::Array list;
    for (const auto& c : changes)
        list.push_back(Json::Object{{"item", c.item}, {"old", c.before}, {"new", c.after}});
    return list;
}

QString markdownCell(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('|'), QLatin1String("\\|"));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

std::optional<StructureSide> readDiffSide(DatabaseEngine& engine, const QString& side, QString& error)
{
    if (side.startsWith(ReportRequest::AliasSide))
        return readAliasSide(engine, side, error);
    const QFileInfo info(side);
    if (!info.exists()) {
        error = QStringLiteral("%1: no such file or directory").arg(side);
        return std::nullopt;
    }
    if (info.isFile()) {
        QFile file(side);
        if (!file.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("%1: %2").arg(side, file.errorString());
            return std::nullopt;
        }
        if (isJsonSnapshot(file.peek(64))) {
            const QByteArray bytes = file.readAll();
            if (file.error() != QFileDevice::NoError) {
                error = QStringLiteral("%1: %2").arg(side, file.errorString());
                return std::nullopt;
            }
            return readJsonSnapshot(bytes, side, error);
        }
    }
    const TableSet set = expandTableArguments(engine, {side});
    if (!set.problems.isEmpty()) {
        error = set.problems.join(QStringLiteral("; "));
        return std::nullopt;
    }
    return readTables(engine, set, side);
}

QString diffText(const StructureSide& before, const StructureSide& after, const StructureDiff& diff)
{
    if (diff.empty())
        return {};
    QString out = QStringLiteral("--- %1\n+++ %2\n").arg(before.origin, after.origin);
    for (const TableDiff& t : diff.tables) {
        out += QStringLiteral("table %1 %2\n").arg(tableTitle(t), changeWord(t.change));
        for (const auto& [word, plural, items] : groupsOf(t)) {
            for (const ItemDiff& i : *items) {
                if (i.change != DiffChange::Changed) {
                    out += QStringLiteral("  %1 %2 %3: %4\n")
                               .arg(QLatin1String(word), itemName(i), changeWord(i.change), i.description);
                    continue;
                }
                for (const auto& c : i.changes)
                    out += QStringLiteral("  %1 %2 changed: %3 %4 -> %5\n")
                               .arg(QLatin1String(word), itemName(i), c.item, shownValue(c.before),
                                    shownValue(c.after));
            }
        }
        for (const auto& c : t.properties)
            out += QStringLiteral("  property %1 changed: %2 -> %3\n")
                       .arg(c.item, shownValue(c.before), shownValue(c.after));
    }
    return out;
}

QString diffJson(const StructureSide& before, const StructureSide& after, const StructureDiff& diff)
{
    Json::Array tables;
    for (const TableDiff& t : diff.tables) {
        Json::Object table{{"name", t.name}, {"change", changeWord(t.change)}};
        if (t.change == DiffChange::Changed) {
            table.emplace_back("oldName", t.oldName);
            table.emplace_back("acrossEngines", t.acrossEngines);
            for (const auto& [word, plural, items] : groupsOf(t)) {
                Json::Array list;
                for (const ItemDiff& i : *items) {
                    Json::Object item{{"name", i.name}, {"change", changeWord(i.change)}};
                    if (i.change == DiffChange::Changed)
                        item.emplace_back("changes", changesJson(i.changes));
                    else
                        item.emplace_back("description", i.description);
                    list.push_back(std::move(item));
                }
                table.emplace_back(QString::fromLatin1(plural), std::move(list));
            }
            table.emplace_back("properties", changesJson(t.properties));
        }
        tables.push_back(std::move(table));
    }
    return Json(Json::Object{{"old", before.origin},
                             {"new", after.origin},
                             {"different", !diff.empty()},
                             {"tables", std::move(tables)}})
        .serialize();
}

QString diffMarkdown(const StructureSide& before, const StructureSide& after, const StructureDiff& diff)
{
    QString out = QStringLiteral("# Structure differences\n\nOld: `%1`  \nNew: `%2`\n")
                      .arg(markdownCell(before.origin), markdownCell(after.origin));
    if (diff.empty())
        return out + QStringLiteral("\nNo differences.\n");
    for (const TableDiff& t : diff.tables) {
        out += QStringLiteral("\n## %1 (%2)\n").arg(markdownCell(tableTitle(t)), changeWord(t.change));
        if (t.change != DiffChange::Changed)
            continue;
        out += QStringLiteral("\n| Item | Name | Change | Old | New |\n|---|---|---|---|---|\n");
        const auto row = [&](const QString& item, const QString& name, const QString& change, const QString& old,
                             const QString& now) {
            out += QStringLiteral("| %1 | %2 | %3 | %4 | %5 |\n")
                       .arg(item, markdownCell(name), markdownCell(change), markdownCell(old), markdownCell(now));
        };
        for (const auto& [word, plural, items] : groupsOf(t)) {
            for (const ItemDiff& i : *items) {
                const QString w = QLatin1String(word);
                if (i.change == DiffChange::Added)
                    row(w, itemName(i), changeWord(i.change), QString(), i.description);
                else if (i.change == DiffChange::Removed)
                    row(w, itemName(i), changeWord(i.change), i.description, QString());
                else
                    for (const auto& c : i.changes)
                        row(w, itemName(i), c.item, c.before, c.after);
            }
        }
        for (const auto& c : t.properties)
            row(QStringLiteral("property"), c.item, QStringLiteral("changed"), c.before, c.after);
    }
    return out;
}

int runDiffRequest(const ReportRequest& request, DatabaseEngine& engine)
{
    std::optional<StructureSide> sides[2];
    for (int s = 0; s < 2; ++s) {
        QString error;
        sides[s] = readDiffSide(engine, request.tables.at(s), error);
        if (!sides[s]) {
            writeMessage(QStringLiteral("korvex-report: %1\n").arg(error));
            return ExitTrouble;
        }
    }
    const StructureDiff diff = compareStructures(*sides[0], *sides[1]);
    switch (request.diffFormat) {
    case DiffFormat::Text: writeTo(stdout, diffText(*sides[0], *sides[1], diff)); break;
    case DiffFormat::Json: writeTo(stdout, diffJson(*sides[0], *sides[1], diff)); break;
    case DiffFormat::Markdown: writeTo(stdout, diffMarkdown(*sides[0], *sides[1], diff)); break;
    }
    return diff.empty() ? ExitSame : ExitDifferent;
}

} // namespace korvex
