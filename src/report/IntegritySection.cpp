#include "IntegritySection.h"

#include <algorithm>
#include <optional>

namespace korvex {

namespace {

using Kind = IntegrityDescriptor::Kind;

// The related table as printed: lower case, without drive and directories.
QString printedTableName(const QString& path)
{
    const QString lower = path.toLower();
    const qsizetype cut = std::max({lower.lastIndexOf(':'), lower.lastIndexOf('\\'), lower.lastIndexOf('/')});
    return lower.mid(cut + 1);
}

// A rule as the report abbreviates it. Paradox's two go through the labels; the rules only
// servers have are no rows of the label table (whose rows are fixed), so that a translation
// would leave them blank: they print as they are.
QString ruleWord(ReferentialAction action, const LabelFunction& label)
{
    switch (action) {
    case ReferentialAction::Cascade: return label(QStringLiteral("Casc."));
    case ReferentialAction::Restrict: return label(QStringLiteral("Restr."));
    case ReferentialAction::NoAction: return QStringLiteral("No act.");
    case ReferentialAction::SetNull: return QStringLiteral("Set null");
    case ReferentialAction::SetDefault: return QStringLiteral("Set def.");
    }
    return {};
}

QString fieldName(const TableSource& source, int number)
{
    return number >= 1 && number <= source.fieldCount() ? source.field(number - 1).name : QString();
}

class Section {
public:
    Section(ReportContext& context, TableSource& table, TableSource& related, const TableStructure& structure,
            UserMessages& messages, int& row)
        : context_(context), table_(table), related_(related), structure_(structure), messages_(messages), row_(row)
    {}

    void print(const QString& databaseName, const QString& tableName);

private:
    [[noreturn]] void failWith(const QString& message)
    {
        related_.close();
        messages_.showError(message);
        throw ERefIntError();
    }

    // The next link of the list; a failure of the engine ends the section with message.
    std::optional<IntegrityDescriptor> next(const QString& message);
    void printKind(Kind kind);
    void printCaptions(Kind kind);
    void printLink(const IntegrityDescriptor& link);

    int column(GridFraction f) const { return context_.leftX + context_.grid(f); }

    ReportContext& context_;
    TableSource& table_;
    TableSource& related_;
    const TableStructure& structure_;
    UserMessages& messages_;
    int& row_;
    QString databaseName_;
    // A server's table: its links print the update rule on their first row and the delete
    // rule on their second, under "Upd/Del", and the related table as the server names it.
    bool server_ = false;
    std::optional<IntegrityList> list_;
    bool captionsPrinted_ = false;
};

void Section::print(const QString& databaseName, const QString& tableName)
{
    databaseName_ = databaseName;
    server_ = table_.isServerTable();
    try {
        list_.emplace(table_.integrityLinks(databaseName, tableName.left(255)));
    } catch (const EngineError&) {
        failWith(QStringLiteral("Error analyzing referential integrity!\n"));
    }

    const auto& settings = context_.settings();
    const QString countFailed = QStringLiteral("Error checking referential integrity count!\n");
    int count = 0;
    while (const auto link = next(countFailed)) {
        if ((link->kind == Kind::Master && settings.RefIntegrityMaster) ||
            (link->kind == Kind::Dependent && settings.RefIntegrityDependent))
            ++count;
    }
    if (count == 0)
        return;
    if (settings.RefIntegrityMaster)
        printKind(Kind::Master);
    if (settings.RefIntegrityDependent)
        printKind(Kind::Dependent);
    related_.close();
}

std::optional<IntegrityDescriptor> Section::next(const QString& message)
{
    try {
        return list_->next();
    } catch (const EngineError&) {
        failWith(message);
    }
}

void Section::printKind(Kind kind)
{
    const QString printFailed = QStringLiteral("Error printing referential integrity list!\n");
    captionsPrinted_ = false;
    try {
        list_->rewind();
    } catch (const EngineError&) {
        failWith(printFailed);
    }
    while (const auto link = next(printFailed)) {
        if (link->kind == kind)
            printLink(*link);
    }
    related_.close();
}

void Section::printCaptions(Kind kind)
{
    auto& device = context_.device();
    const auto& label = context_.label();
    const int left = context_.leftX;
    row_ += 2;
    context_.zebraShaded = false;
    context_.resetBrush();
    if (context_.settings().PrintGrid)
        context_.drawRowFrame(row_, left - 25, left + context_.printableWidth,
                              {column(GridFraction::F020) - 25, column(GridFraction::F040) - 25,
                               column(GridFraction::F050) - 25, column(GridFraction::F075) - 25},
                              8);
    FontSpec bold = device.font();
    bold.bold = true;
    device.setFont(bold);
    const int y = context_.lineTop(row_);
    const auto out = [&](int x, GridFraction width, const QString& text) {
        // "Upd/Del" is no row of the label table either.
        const QString shown = text == QLatin1String("Upd/Del") ? text : label(text);
        device.textOut(x, y, context_.FitText(context_.grid(width), shown));
    };
    out(left, GridFraction::F019,
        kind == Kind::Master ? QStringLiteral("Master links") : QStringLiteral("Dependent links"));
    out(column(GridFraction::F020), GridFraction::F019, QStringLiteral("Related table"));
    out(column(GridFraction::F040), GridFraction::F009, server_ ? QStringLiteral("Upd/Del") : QStringLiteral("Mod."));
    out(column(GridFraction::F050), GridFraction::F023, QStringLiteral("This table fields"));
    out(column(GridFraction::F075), GridFraction::F023, QStringLiteral("Related table fields"));
    context_.UseBodyFont();
    row_ += 1;
}

void Section::printLink(const IntegrityDescriptor& link)
{
    auto& device = context_.device();
    const auto& settings = context_.settings();
    const auto& label = context_.label();
    const int left = context_.leftX;
    const int w = context_.printableWidth;

    row_ += 1; // an empty row before each link
    related_.close();
    try {
        related_.openRelated(table_, databaseName_, link);
    } catch (const EngineError&) {
        failWith(QStringLiteral("Error opening related table for referential integrity list!\n\n(%1)")
                     .arg(link.relatedTable));
    }

    const int pairs = int(link.pairs.size());
    const int rows = server_ ? std::max(pairs, 2) : pairs; // a server's link: a row for each rule
    const int needed = rows + 1 + (captionsPrinted_ ? 0 : 3);
    if (needed > context_.lineLimit() - row_) {
        context_.startNewPage();
        row_ = -2;
        captionsPrinted_ = false;
    }
    if (!captionsPrinted_) {
        printCaptions(link.kind);
        captionsPrinted_ = true;
    }
    context_.zebraShaded = false; // with shading, each block starts with a grey row
    context_.resetBrush();

    for (int i = 1; i <= rows; ++i) {
        row_ += 1;
        const bool deleteRow = server_ && i == 2;
        if (settings.PrintGrid) {
            context_.shadeSectionRow();
            if (i == 1)
                context_.drawRowFrame(row_, left - 25, left + w,
                                      {column(GridFraction::F020) - 25, column(GridFraction::F040) - 25,
                                       column(GridFraction::F050) - 25, column(GridFraction::F075) - 25},
                                      1);
            else if (deleteRow)
                context_.drawRowFrame(row_, column(GridFraction::F040) - 25, left + w,
                                      {column(GridFraction::F050) - 25, column(GridFraction::F075) - 25}, 1);
            else
                context_.drawRowFrame(row_, column(GridFraction::F050) - 25, left + w,
                                      {column(GridFraction::F075) - 25}, 1);
        }
        const int y = context_.lineTop(row_);
        if (i == 1) {
            device.textOut(left, y, context_.FitText(context_.grid(GridFraction::F019), link.name));
            device.textOut(column(GridFraction::F020), y,
                           context_.FitTextMarked(context_.grid(GridFraction::F019),
                                                  server_ ? link.relatedTable : printedTableName(link.relatedTable)));
            device.textOut(column(GridFraction::F040), y,
                           context_.FitText(context_.grid(GridFraction::F009),
                                            ruleWord(link.cascade.onUpdate(), label)));
        }
        if (deleteRow)
            device.textOut(column(GridFraction::F040), y,
                           context_.FitText(context_.grid(GridFraction::F009),
                                            ruleWord(link.cascade.onDelete(), label)));
        if (i > pairs)
            continue; // a one-pair link's row for its delete rule
        const auto [mine, theirs] = link.pairs[std::size_t(i - 1)];
        device.textOut(column(GridFraction::F050), y,
                       context_.FitText(context_.grid(GridFraction::F023), fieldName(table_, mine)));
        device.textOut(column(GridFraction::F075), y,
                       context_.FitText(context_.grid(GridFraction::F023), fieldName(related_, theirs)));
    }
}

} // namespace

void printIntegritySection(ReportContext& context, TableSource& table, TableSource& relatedTable,
                           const TableStructure& structure, const QString& databaseName, const QString& tableName,
                           UserMessages& messages, int& row)
{
    if (structure.tableType != QLatin1String("PARADOX") && !table.isServerTable())
        return;
    Section(context, table, relatedTable, structure, messages, row).print(databaseName, tableName);
}

} // namespace korvex
