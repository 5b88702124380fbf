#include "IntegritySection.h"

#include "EngineRecords.h"
#include "TableFiles.h"

#include <QDir>
#include <QFileInfo>

#include <array>
#include <vector>

namespace korvex {

namespace {

enum class Kind { Master = 0, Dependent = 1 };

Kind kindOf(std::span<const std::byte> r)
{
    return record::get16(r, record::integrity::Kind) == 0 ? Kind::Master : Kind::Dependent;
}

// The related table as printed: lower case, without drive and directories.
QString printedTableName(const QString& path)
{
    const QString lower = path.toLower();
    const qsizetype cut = std::max({lower.lastIndexOf(':'), lower.lastIndexOf('\\'), lower.lastIndexOf('/')});
    return lower.mid(cut + 1);
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
    {
    }

    void print(const QString& databaseName, const QString& tableName);

private:
    [[noreturn]] void failWith(const QString& message)
    {
        related_.close();
        messages_.showError(message);
        throw ERefIntError();
    }

    void printKind(Kind kind);
    void printCaptions(Kind kind);
    void printLink(std::span<const std::byte> r);

    int column(GridFraction f) const { return context_.leftX + context_.grid(f); }

    ReportContext& context_;
    TableSource& table_;
    TableSource& related_;
    const TableStructure& structure_;
    UserMessages& messages_;
    int& row_;
    TableHandle list_ = 0;
    std::vector<std::byte> buffer_;
    bool captionsPrinted_ = false;
};

void Section::print(const QString& databaseName, const QString& tableName)
{
    auto& engine = table_.engine();
    std::array<std::byte, record::PropertiesSize> props{};
    if (engine.OpenIntegrityList(databaseName, tableName.left(255), QString(), list_) != result::Ok ||
        engine.ReadTableProperties(list_, props) != result::Ok)
        failWith(QStringLiteral("Error analyzing referential integrity!\n"));
    struct ListCloser {
        DatabaseEngine& engine;
        TableHandle list;
        ~ListCloser() { engine.CloseList(list); }
    } closer{engine, list_};
    buffer_.assign(std::max<std::size_t>(record::get16(props, record::properties::RecordBufferSize),
                                         record::IntegrityDescriptorSize),
                   std::byte{0});

    const auto& settings = context_.settings();
    int count = 0;
    EngineResult answer = result::Ok;
    while ((answer = engine.NextRecord(list_, buffer_)) == result::Ok) {
        const Kind kind = kindOf(buffer_);
        if ((kind == Kind::Master && settings.RefIntegrityMaster) ||
            (kind == Kind::Dependent && settings.RefIntegrityDependent))
            ++count;
    }
    if (answer != result::EndOfList)
        failWith(QStringLiteral("Error checking referential integrity count!\n"));
    if (count == 0)
        return;
    if (settings.RefIntegrityMaster)
        printKind(Kind::Master);
    if (settings.RefIntegrityDependent)
        printKind(Kind::Dependent);
    related_.close();
}

void Section::printKind(Kind kind)
{
    auto& engine = table_.engine();
    captionsPrinted_ = false;
    engine.RewindList(list_);
    EngineResult answer = result::Ok;
    while ((answer = engine.NextRecord(list_, buffer_)) == result::Ok) {
        if (kindOf(buffer_) == kind)
            printLink(buffer_);
    }
    if (answer != result::EndOfList)
        failWith(QStringLiteral("Error printing referential integrity list!\n"));
    related_.close();
}

void Section::printCaptions(Kind kind)
{
    auto& device = context_.device();
    const auto& label = context_.label();
    const int left = context_.leftX;
    row_ += 2;
    context_.zebraShaded = false;
    context_.ResetBrush();
    if (context_.settings().PrintGrid)
        context_.DrawRowFrame(row_, left - 25, left + context_.printableWidth,
                              {column(GridFraction::F020) - 25, column(GridFraction::F040) - 25,
                               column(GridFraction::F050) - 25, column(GridFraction::F075) - 25},
                              8);
    FontSpec bold = device.font();
    bold.bold = true;
    device.setFont(bold);
    const int y = context_.LineTop(row_);
    const auto out = [&](int x, GridFraction width, const QString& text) {
        device.textOut(x, y, context_.FitText(context_.grid(width), label(text)));
    };
    out(left, GridFraction::F019, kind == Kind::Master ? QStringLiteral("Master links") : QStringLiteral("Dependent links"));
    out(column(GridFraction::F020), GridFraction::F019, QStringLiteral("Related table"));
    out(column(GridFraction::F040), GridFraction::F009, QStringLiteral("Mod."));
    out(column(GridFraction::F050), GridFraction::F023, QStringLiteral("This table fields"));
    out(column(GridFraction::F075), GridFraction::F023, QStringLiteral("Related table fields"));
    context_.UseBodyFont();
    row_ += 1;
}

void Section::printLink(std::span<const std::byte> r)
{
    namespace ri = record::integrity;
    auto& device = context_.device();
    const auto& settings = context_.settings();
    const auto& label = context_.label();
    const int left = context_.leftX;
    const int w = context_.printableWidth;

    row_ += 1;  // an empty row before each link
    related_.close();
    const QString stored = record::getText(r, ri::RelatedTable, ri::RelatedTableSize);
    try {
        related_.open(QString(), ResolveRelatedTable(stored, QFileInfo(table_.engine().tablePath(table_.handle())).absolutePath()));
    } catch (const EngineError&) {
        failWith(QStringLiteral("Error opening related table for referential integrity list!\n\n(%1)").arg(stored));
    }

    const int pairs = std::min<int>(record::get16(r, ri::PairCount), int(ri::MaxPairs));
    const int needed = pairs + 1 + (captionsPrinted_ ? 0 : 3);
    if (needed > context_.LineLimit() - row_) {
        context_.StartNewPage();
        row_ = -2;
        captionsPrinted_ = false;
    }
    if (!captionsPrinted_) {
        printCaptions(kindOf(r) == Kind::Master ? Kind::Master : Kind::Dependent);
        captionsPrinted_ = true;
    }
    context_.zebraShaded = false;  // with shading, each block starts with a grey row
    context_.ResetBrush();

    for (int i = 1; i <= pairs; ++i) {
        row_ += 1;
        if (settings.PrintGrid) {
            context_.ShadeSectionRow();
            if (i == 1)
                context_.DrawRowFrame(row_, left - 25, left + w,
                                      {column(GridFraction::F020) - 25, column(GridFraction::F040) - 25,
                                       column(GridFraction::F050) - 25, column(GridFraction::F075) - 25},
                                      1);
            else
                context_.DrawRowFrame(row_, column(GridFraction::F050) - 25, left + w,
                                      {column(GridFraction::F075) - 25}, 1);
        }
        const int y = context_.LineTop(row_);
        if (i == 1) {
            device.textOut(left, y, context_.FitText(context_.grid(GridFraction::F019),
                                                     record::getText(r, ri::LinkName, ri::LinkNameSize)));
            device.textOut(column(GridFraction::F020), y,
                           context_.FitTextMarked(context_.grid(GridFraction::F019), printedTableName(stored)));
            const bool cascade = record::get16(r, ri::ModifyRule) != 0 || record::get16(r, ri::ModifyRule + 2) != 0;
            device.textOut(column(GridFraction::F040), y,
                           context_.FitText(context_.grid(GridFraction::F009),
                                            label(cascade ? QStringLiteral("Casc.") : QStringLiteral("Restr."))));
        }
        const int mine = record::get16(r, ri::ThisFields + 2 * std::size_t(i - 1));
        const int theirs = record::get16(r, ri::RelatedFields + 2 * std::size_t(i - 1));
        device.textOut(column(GridFraction::F050), y,
                       context_.FitText(context_.grid(GridFraction::F023), fieldName(table_, mine)));
        device.textOut(column(GridFraction::F075), y,
                       context_.FitText(context_.grid(GridFraction::F023), fieldName(related_, theirs)));
    }
}

} // namespace

QString ResolveRelatedTable(const QString& storedPath, const QString& tableDirectory)
{
    if (QFileInfo::exists(storedPath))
        return storedPath;
    const bool windowsPath = storedPath.contains('\\') ||
                             (storedPath.size() >= 2 && storedPath[1] == ':' && storedPath[0].isLetter());
    if (!windowsPath)
        return storedPath;
    const qsizetype cut = std::max(storedPath.lastIndexOf('\\'), storedPath.lastIndexOf(':'));
    const QString fileName = storedPath.mid(cut + 1);
    if (fileName.isEmpty())
        return storedPath;
    if (const auto found = TableFiles::findCaseBlind(QDir(tableDirectory).filePath(fileName)))
        return *found;
    return storedPath;
}

void PrintIntegritySection(ReportContext& context, TableSource& table, TableSource& relatedTable,
                           const TableStructure& structure, const QString& databaseName, const QString& tableName,
                           UserMessages& messages, int& row)
{
    if (structure.tableType != QLatin1String("PARADOX"))
        return;
    Section(context, table, relatedTable, structure, messages, row).print(databaseName, tableName);
}

} // namespace korvex
