#include "MarkdownExport.h"

#include "SchemaTexts.h"

#include "FieldColumns.h"
#include "FileWriter.h"
#include "HeaderStrip.h"
#include "SettingsFile.h"

#include <QDir>
#include <QUrl>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

namespace korvex {

namespace {

// The report options that number the fields and mark keys, as the report reads them.
const NumberKey OffsetFirstFieldKey{SettingsSection::Options, QStringLiteral("OffsetFirstField"), 0};
const TextKey IndexCharKey{SettingsSection::Options, QStringLiteral("IndexChar"), QStringLiteral("*")};

// Characters that inline Markdown (GitHub's flavour included: tables, strikethrough,
// math, HTML and entities) can read as markup within a line; a backslash before ASCII
// punctuation shows it as it is.
bool isMarkup(QChar c)
{
    return QStringView(u"\\`*_[]<>&~$|").contains(c);
}

QString escapeInline(const QString& text, bool cell)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == '\n' || c == '\r') {
            if (cell && c == '\n')
                out += QLatin1String("<br>");
            else if (!cell)
                out += ' ';
        } else if (c.category() == QChar::Other_Control) {
            out += ' ';
        } else if (isMarkup(c)) {
            out += '\\';
            out += c;
        } else {
            out += c;
        }
    }
    return out;
}

// Markdown trims a cell; a blank at either end stays as a character reference.
QString keepOuterBlanks(const QString& escaped)
{
    qsizetype lead = 0;
    while (lead < escaped.size() && escaped.at(lead) == ' ')
        ++lead;
    if (lead == escaped.size())
        return QStringLiteral("&#32;").repeated(lead);
    qsizetype trail = 0;
    while (escaped.at(escaped.size() - 1 - trail) == ' ')
        ++trail;
    QString out;
    for (qsizetype i = 0; i < lead; ++i)
        out += QLatin1String("&#32;");
    out += escaped.mid(lead, escaped.size() - lead - trail);
    for (qsizetype i = 0; i < trail; ++i)
        out += QLatin1String("&#32;");
    return out;
}

QString row(const QStringList& cells)
{
    return QStringLiteral("| ") + cells.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
}

QString tableHead(const QStringList& headings)
{
    QStringList escaped;
    for (const auto& h : headings)
        escaped << escapeMarkdownCell(h);
    return row(escaped) + QLatin1Char('|') + QStringLiteral("---|").repeated(headings.size()) + QLatin1Char('\n');
}

QString link(const QString& text, const QString& target)
{
    return QLatin1Char('[') + text + QStringLiteral("](") + QString::fromLatin1(QUrl::toPercentEncoding(target)) +
           QLatin1Char(')');
}

// The texts of a field in the columns of the printed field table.
QString cellText(const QString& kind, const TableSchema& table, const SchemaField& field,
                 const FieldTableOptions& options, const LabelLookup& label)
{
    if (kind == QLatin1String("No."))
        return QString::number(field.entry.position + options.offsetFirstField);
    if (kind == QLatin1String("Name"))
        return field.entry.name;
    if (kind == QLatin1String("Type"))
        return fieldTypeName(field.entry, label);
    if (kind == QLatin1String("Size"))
        return fieldSizeText(table, field);
    if (kind == QLatin1String("Min."))
        return validityText(field, field.checks.minimum).value_or(QString());
    if (kind == QLatin1String("Max."))
        return validityText(field, field.checks.maximum).value_or(QString());
    if (kind == QLatin1String("Def."))
        return defaultText(field).value_or(QString());
    if (kind == QLatin1String("Mask"))
        return field.checks.picture;
    if (kind == QLatin1String("Idx"))
        return field.entry.key ? options.indexChar : QString();
    return QString();
}

// The documents' file names, one per readable table, unique without regard to case. A
// table from one of several directories is named with that directory, its folders joined
// by dots ("sales.2019.NUMBER.DBF.md"): all files lie in the one output folder.
class FileNames {
public:
    explicit FileNames(const std::vector<TableSchema>& schemas)
    {
        std::set<QString> taken{QStringLiteral("readme.md")};
        for (std::size_t i = 0; i < schemas.size(); ++i) {
            if (!schemas[i].ok)
                continue;
            const TableEntry& table = schemas[i].table;
            const QString base = table.qualifier.isEmpty()
                                     ? table.name
                                     : QString(table.qualifier).replace(QLatin1Char('/'), QLatin1Char('.')) +
                                           QLatin1Char('.') + table.name;
            QString name = base + QStringLiteral(".md");
            for (int n = 2; taken.count(name.toLower()) > 0; ++n)
                name = base + QStringLiteral("~%1.md").arg(n);
            taken.insert(name.toLower());
            names_[i] = name;
        }
    }

    QString of(std::size_t index) const
    {
        const auto it = names_.find(index);
        return it == names_.end() ? QString() : it->second;
    }

private:
    std::map<std::size_t, QString> names_;
};

// The table of the set that a link's related table is: the same name (without regard to
// case) in the same place first, else anywhere in the set.
std::optional<std::size_t> findRelated(const std::vector<TableSchema>& schemas, const TableSchema& from,
                                       const QString& name)
{
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < schemas.size(); ++i) {
        if (!schemas[i].ok || schemas[i].table.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (schemas[i].table.databaseName == from.table.databaseName)
            return i;
        if (!found)
            found = i;
    }
    return found;
}

// The field table: the printed columns, a server's own types, whether a field is required.
QString fieldsSection(const TableSchema& t, const FieldTableOptions& options, const LabelLookup& label)
{
    QString md;
    md += QStringLiteral("\n## Fields\n\n");
    if (t.fields.empty() || options.kinds.isEmpty()) {
        md += QStringLiteral("No fields are shown.\n");
    } else {
        // The printed columns, then whether a field must be filled: a validity check the
        // printed field table has no column for, so no label of the translations either.
        QStringList headings;
        for (const auto& kind : options.kinds)
            headings << label(fieldColumnHeading(kind));
        // A server's columns also show the type as the server writes it.
        const bool serverTypes = std::any_of(t.fields.begin(), t.fields.end(),
                                             [](const SchemaField& f) { return !f.checks.serverType.isEmpty(); });
        if (serverTypes)
            headings << QStringLiteral("Server type");
        headings << QStringLiteral("Required");
        md += tableHead(headings);
        for (const auto& field : t.fields) {
            QStringList cells;
            for (const auto& kind : options.kinds)
                cells << escapeMarkdownCell(cellText(kind, t, field, options, label));
            if (serverTypes)
                cells << escapeMarkdownCell(field.checks.serverType);
            cells << escapeMarkdownCell(field.checks.required ? options.indexChar : QString());
            md += row(cells);
        }
    }

    return md;
}

// A server table's CHECK constraints that are no range of one field.
QString checksSection(const TableSchema& t)
{
    QString md;
    if (t.server && !t.server->checks.empty()) {
        md += QStringLiteral("\n## Checks\n\n");
        md += tableHead({QStringLiteral("Check"), QStringLiteral("Expression")});
        int number = 0;
        for (const CheckConstraint& c : t.server->checks)
            md += row({escapeMarkdownCell(checkConstraintName(t, c, ++number)), escapeMarkdownCell(c.expression)});
    }
    if (t.server && !t.server->checksNote.isEmpty())
        md += (md.isEmpty() ? QStringLiteral("\n## Checks\n\n") : QStringLiteral("\n")) + t.server->checksNote + u'\n';

    return md;
}

QString indexesSection(const TableSchema& t, const FieldTableOptions& options, const LabelLookup& label)
{
    QString md;
    // The indexes as the report lists them: a Paradox table's secondary indexes, every
    // index of a dBASE table.
    const bool dbase = isDbaseFamily(t.structure.tableType);
    std::vector<IndexDescription> indexes = t.indexes;
    if (t.structure.tableType == QLatin1String("PARADOX") && !indexes.empty() && indexes.front().primary)
        indexes.erase(indexes.begin());
    if (!indexes.empty()) {
        md += QStringLiteral("\n## Indexes\n\n");
        md += tableHead({label(dbase ? QStringLiteral("Indexes") : QStringLiteral("Sec. Indexes")),
                         label(dbase ? QStringLiteral("Used Field(s) or Expression") : QStringLiteral("Used Field(s)")),
                         label(dbase ? QStringLiteral("Unique") : QStringLiteral("Maintained")),
                         label(dbase ? QStringLiteral("Desc.") : QStringLiteral("Cased"))});
        for (const auto& i : indexes) {
            const bool flag3 = dbase ? i.unique : true;
            const bool flag4 = dbase ? i.descending : !i.caseInsensitive;
            md += row({escapeMarkdownCell(i.name),
                       escapeMarkdownCell(dbase && !i.expression.isEmpty() ? i.expression : i.fields),
                       escapeMarkdownCell(flag3 ? options.indexChar : QString()),
                       escapeMarkdownCell(flag4 ? options.indexChar : QString())});
        }
    }

    return md;
}

QString linksSection(const std::vector<TableSchema>& schemas, const TableSchema& t, const FileNames& files,
                     const LabelLookup& label)
{
    QString md;
    // The links, master links first, one row per pair of linked fields.
    for (const bool master : {true, false}) {
        const auto count = std::count_if(t.links.begin(), t.links.end(),
                                         [&](const auto& l) { return l.master == master; });
        if (count == 0)
            continue;
        md += master ? QStringLiteral("\n## Master links\n\n") : QStringLiteral("\n## Dependent links\n\n");
        // A server's foreign keys have a rule for updates and one for deleting, in SQL's
        // words; a Paradox link's one rule is the modify rule.
        const bool serverRules = std::any_of(t.links.begin(), t.links.end(),
                                             [](const SchemaLink& l) { return l.rules.serverRules(); });
        QStringList headings{label(master ? QStringLiteral("Master links") : QStringLiteral("Dependent links")),
                             label(QStringLiteral("Related table"))};
        if (serverRules)
            headings << QStringLiteral("On update") << QStringLiteral("On delete");
        else
            headings << label(QStringLiteral("Mod."));
        headings << label(QStringLiteral("This table fields")) << label(QStringLiteral("Related table fields"));
        md += tableHead(headings);
        for (const auto& l : t.links) {
            if (l.master != master)
                continue;
            QString related = escapeMarkdownCell(l.relatedTable);
            if (const auto other = findRelated(schemas, t, l.relatedTable))
                related = link(escapeMarkdownCell(schemas[*other].table.shownName()), files.of(*other));
            QStringList rules;
            if (serverRules)
                rules << referentialActionText(l.rules.onUpdate()) << referentialActionText(l.rules.onDelete());
            else
                rules << label(l.rules.onUpdate() == ReferentialAction::Cascade ? QStringLiteral("Casc.")
                                                                                : QStringLiteral("Restr."));
            const QStringList noRules(rules.size(), QString());
            const std::size_t rows = std::max<std::size_t>(l.pairs.size(), 1);
            for (std::size_t p = 0; p < rows; ++p) {
                const bool first = p == 0;
                QStringList cells{first ? escapeMarkdownCell(l.name) : QString(), first ? related : QString()};
                for (const QString& rule : first ? rules : noRules)
                    cells << (rule.isEmpty() ? rule : escapeMarkdownCell(rule));
                cells << (p < l.pairs.size() ? escapeMarkdownCell(l.pairs[p].first) : QString())
                      << (p < l.pairs.size() ? escapeMarkdownCell(l.pairs[p].second) : QString());
                md += row(cells);
            }
        }
    }
    return md;
}

QString tableDocument(const std::vector<TableSchema>& schemas, std::size_t index, const FileNames& files,
                      const FieldTableOptions& options, const LabelLookup& label)
{
    const TableSchema& t = schemas[index];
    QString md = QStringLiteral("# ") + escapeMarkdownText(t.table.shownName()) + QStringLiteral("\n\n");
    md += link(QStringLiteral("All tables"), QStringLiteral("README.md")) + QStringLiteral("\n\n");
    for (const auto& w : t.warnings)
        md += QStringLiteral("> **Warning:** ") + escapeMarkdownText(w) + QStringLiteral("\n\n");

    md += QStringLiteral("## Properties\n\n");
    for (const auto& [name, value] : informationLines(t, label))
        md += QStringLiteral("- **") + escapeMarkdownText(name) + QStringLiteral(":** ") + escapeMarkdownText(value) +
              QLatin1Char('\n');

    md += fieldsSection(t, options, label);
    md += checksSection(t);
    md += indexesSection(t, options, label);
    md += linksSection(schemas, t, files, label);
    return md;
}

// One relationship of the diagram: a dependent table refers to its master by a link.
struct Relationship {
    QString master;
    QString dependent;
    QString name;
    QStringList masterFields;
    QStringList dependentFields;
    auto key() const { return std::tie(master, dependent, name); }
    bool operator<(const Relationship& o) const { return key() < o.key(); }
};

// A word of an entity's block that stands for text that is no such word: its characters
// that a word cannot hold become underscores, and a key marker gets one after it.
QString mermaidStandIn(const QString& text)
{
    QString out;
    for (const QChar c : text)
        out += isMermaidWord(QString(c)) || c.isDigit() || QStringView(u"-[]()").contains(c) ? c : QChar('_');
    if (out.isEmpty() || !isMermaidWord(out.left(1)))
        out.prepend('_');
    if (!isMermaidWord(out))
        out.insert(2, '_'); // only a key marker at the start is left: "FK-1" becomes "FK_-1"
    return out;
}

// The Mermaid entity-relationship diagram of the links between the tables, each link once
// (the dependent's master link and the master's dependent entry describe the same link).
// Entities carry their key fields and the fields that refer to a master. Every table,
// field and link keeps its name: entities and links are quoted, and a field name that the
// diagram cannot take as a word follows its stand-in as the attribute's comment.
QString diagram(const std::vector<TableSchema>& schemas, const LabelLookup& label)
{
    std::set<Relationship> relationships;
    for (const auto& t : schemas) {
        for (const auto& l : t.links) {
            const QString self = t.table.shownName();
            Relationship r{l.master ? l.relatedTable : self, l.master ? self : l.relatedTable, l.name, {}, {}};
            for (const auto& [mine, theirs] : l.pairs) {
                (l.master ? r.dependentFields : r.masterFields) << mine;
                (l.master ? r.masterFields : r.dependentFields) << theirs;
            }
            // Related tables are named by their file names; within the set, as the set shows them.
            if (const auto other = findRelated(schemas, t, l.relatedTable))
                (l.master ? r.master : r.dependent) = schemas[*other].table.shownName();
            relationships.insert(r);
        }
    }
    if (relationships.empty())
        return QString();

    // Attributes per entity: the key fields of tables in the set, and the fields of links.
    struct Attribute {
        QString type;
        bool pk = false;
        bool fk = false;
    };
    std::map<QString, std::map<QString, Attribute>> entities; // sorted: stable output
    const auto schemaOf = [&](const QString& name) -> const TableSchema* {
        for (const auto& t : schemas)
            if (t.ok && t.table.shownName() == name)
                return &t;
        return nullptr;
    };
    const auto typeOf = [&](const QString& table, const QString& field) {
        if (const TableSchema* t = schemaOf(table))
            for (const auto& f : t->fields)
                if (f.entry.name == field)
                    return fieldTypeName(f.entry, label);
        return QStringLiteral("field");
    };
    for (const auto& r : relationships) {
        for (const QString* table : {&r.master, &r.dependent}) {
            auto& attributes = entities[*table];
            if (const TableSchema* t = schemaOf(*table))
                for (const auto& f : t->fields)
                    if (f.entry.key)
                        attributes[f.entry.name] = Attribute{fieldTypeName(f.entry, label), true, false};
        }
        for (const auto& field : r.dependentFields) {
            auto& a = entities[r.dependent][field];
            if (a.type.isEmpty())
                a.type = typeOf(r.dependent, field);
            a.fk = true;
        }
        for (const auto& field : r.masterFields) {
            auto& a = entities[r.master][field];
            if (a.type.isEmpty())
                a.type = typeOf(r.master, field);
        }
    }

    const auto quoted = [](const QString& text) { return QLatin1Char('"') + mermaidQuoted(text) + QLatin1Char('"'); };
    QString out = QStringLiteral("```mermaid\nerDiagram\n");
    for (const auto& [table, attributes] : entities) {
        if (attributes.empty()) {
            out += QStringLiteral("    ") + quoted(table) + QLatin1Char('\n');
            continue;
        }
        out += QStringLiteral("    ") + quoted(table) + QStringLiteral(" {\n");
        for (const auto& [field, a] : attributes) {
            QStringList keys;
            if (a.pk)
                keys << QStringLiteral("PK");
            if (a.fk)
                keys << QStringLiteral("FK");
            const bool word = isMermaidWord(field);
            out += QStringLiteral("        ") + (isMermaidWord(a.type) ? a.type : mermaidStandIn(a.type)) +
                   QLatin1Char(' ') + (word ? field : mermaidStandIn(field));
            if (!keys.isEmpty())
                out += QLatin1Char(' ') + keys.join(QStringLiteral(", "));
            if (!word)
                out += QLatin1Char(' ') + quoted(field);
            out += QLatin1Char('\n');
        }
        out += QStringLiteral("    }\n");
    }
    // A dependent's row refers to at most one master row (none while its fields are
    // blank); a master row has any number of dependent rows.
    for (const auto& r : relationships)
        out += QStringLiteral("    ") + quoted(r.master) + QStringLiteral(" |o--o{ ") + quoted(r.dependent) +
               QStringLiteral(" : ") + quoted(r.name) + QLatin1Char('\n');
    out += QStringLiteral("```\n");
    return out;
}

QString readme(const QString& origin, const std::vector<TableSchema>& schemas, const FileNames& files,
               const LabelLookup& label)
{
    QString md = QStringLiteral("# Table structures");
    if (!origin.isEmpty())
        md += QStringLiteral(": ") + escapeMarkdownText(origin);
    md += QStringLiteral("\n\n");
    if (schemas.empty()) {
        md += QStringLiteral("No tables.\n");
        return md;
    }
    md += tableHead({label(QStringLiteral("Name of table")), label(QStringLiteral("Type of table")),
                     label(QStringLiteral("Used Fields"))});
    for (std::size_t i = 0; i < schemas.size(); ++i) {
        const TableSchema& t = schemas[i];
        if (t.ok)
            md += row({link(escapeMarkdownCell(t.table.shownName()), files.of(i)),
                       escapeMarkdownCell(typeOfTableText(t)), QString::number(t.structure.fieldCount)});
        else
            md += row({escapeMarkdownCell(t.table.shownName()),
                       escapeMarkdownCell(QStringLiteral("Not readable: ") + t.error), QString()});
    }
    md += QStringLiteral("\n## Referential integrity\n\n");
    const QString er = diagram(schemas, label);
    md += er.isEmpty() ? QStringLiteral("No referential-integrity links.\n") : er;
    return md;
}

} // namespace

FieldTableOptions loadFieldTableOptions(const SettingsFile& settings)
{
    HeaderStrip header = makeFieldHeader();
    LoadFieldColumns(settings, header);
    const FieldColumnLayout layout(header, FieldHeaderWidth);
    FieldTableOptions options;
    for (const auto& kind : fieldColumnKinds())
        if (layout.hasColumn(kind))
            options.kinds << kind;
    options.offsetFirstField = settings.ReadNumber(OffsetFirstFieldKey);
    options.indexChar = settings.ReadText(IndexCharKey).left(1);
    return options;
}

QString escapeMarkdownText(const QString& text)
{
    return escapeInline(text, false).trimmed();
}

QString escapeMarkdownCell(const QString& text)
{
    return keepOuterBlanks(escapeInline(text, true));
}

QString mermaidQuoted(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QLatin1String("#quot;"); break;
        case '<': out += QLatin1String("#lt;"); break;
        case '>': out += QLatin1String("#gt;"); break;
        case '&': out += QLatin1String("#amp;"); break;
        case '#': // would start an entity code
        case '%': // would start a comment
        case '\\': out += QStringLiteral("#%1;").arg(c.unicode()); break;
        default:
            if (c.category() == QChar::Other_Control)
                out += QStringLiteral("#%1;").arg(c.unicode());
            else
                out += c;
        }
    }
    return out;
}

bool isMermaidWord(const QString& text)
{
    if (text.isEmpty())
        return false;
    const auto isAsciiWord = [](QChar c) { return c.unicode() < 128 && (c.isLetterOrNumber() || c == '_'); };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool wide = c.unicode() >= 0xC0 && !c.isSpace() && c.isPrint();
        const bool ascii = isAsciiWord(c) || c == '*' || (i > 0 && QStringView(u"-[]()").contains(c));
        if (!wide && !ascii)
            return false;
        if (i == 0 && c.isDigit())
            return false;
    }
    // The key markers are read before words, in any case, wherever an ASCII word ends after them.
    for (const char* key : {"PK", "FK", "UK"})
        if (text.startsWith(QLatin1String(key), Qt::CaseInsensitive) && (text.size() == 2 || !isAsciiWord(text.at(2))))
            return false;
    return true;
}

std::vector<MarkdownFile> markdownDocuments(const QString& origin, const std::vector<TableSchema>& schemas,
                                            const FieldTableOptions& options, const LabelLookup& label)
{
    const FileNames files(schemas);
    std::vector<MarkdownFile> out;
    out.push_back({QStringLiteral("README.md"), readme(origin, schemas, files, label).toUtf8()});
    for (std::size_t i = 0; i < schemas.size(); ++i)
        if (schemas[i].ok)
            out.push_back({files.of(i), tableDocument(schemas, i, files, options, label).toUtf8()});
    return out;
}

QString writeMarkdownFiles(const QString& folder, const std::vector<MarkdownFile>& files)
{
    std::vector<NamedFile> set;
    set.reserve(files.size());
    for (const auto& f : files)
        set.push_back({f.name, f.contents});
    return writeFileSetAtomically(folder, set);
}

} // namespace korvex
