#include "TableReport.h"

#include "FieldTable.h"
#include "IndexSection.h"
#include "IntegritySection.h"
#include "ReportContext.h"

#include "FieldColumns.h"
#include "HeaderStrip.h"
#include "ReportSettings.h"
#include "TableStructure.h"

namespace korvex {

namespace {

// The table information block of page 1: six framed lines of twelve labels and values
// above the field table's captions.
void printInformationBlock(ReportContext& c, const TableStructure& structure, const StructureTexts& texts)
{
    auto& device = c.device();
    const auto& label = c.label();
    const int u = c.lineHeight;
    const int t = int(u * 0.25L);
    const int w = c.printableWidth;
    const int left = c.leftX;
    const int y0 = c.topY + c.currentY;
    const int g = c.settings().PrintGrid ? 0 : 10;
    const int limit = c.grid(GridFraction::F023);

    device.setPenWidth(8);
    device.rectangle(left - 25, y0 - 7 * u - t, left + w, y0 - u - t + g);
    device.moveTo(left + w / 2 - 25, y0 - 7 * u - t);
    device.lineTo(left + w / 2 - 25, y0 - u - t + g);

    const auto& p = structure.properties;
    struct Line {
        const char* leftLabel;
        QString leftValue;
        const char* rightLabel;
        QString rightValue;
    };
    const Line lines[6] = {
        {"Name of table", structure.tableName, "Phy. Recordsize", texts.SizeText(p.recordSize, "Bytes")},
        {"Type of table", typeOfTableText(structure.tableType, structure.levelText), "Log. Recordsize",
         texts.SizeText(p.recordBufferSize, "Bytes")},
        {"Language Driver", texts.LanguageDriverText(), "File Blocksize", texts.blockSizeText(p)},
        {"Used Fields", QString::number(structure.fieldCount), "Primary Keysize", texts.SizeText(p.keySize, "Bytes")},
        {"Used Indexes", texts.CountText(structure.indexCount), "Uni-directional", texts.YesNoText(p.uniDirectional)},
        {"Used Passwords", texts.CountText(p.auxPasswordCount), "Strict integrity", texts.YesNoText(p.strictIntegrity)},
    };
    const auto lineY = [&](int k) { return y0 - (8 - k) * u; };

    FontSpec bold = device.font();
    bold.bold = true;
    device.setFont(bold);
    for (int k = 1; k <= 6; ++k) {
        const Line& line = lines[k - 1];
        device.textOut(left, lineY(k), c.FitText(limit, label(QLatin1String(line.leftLabel))) + ':');
        device.textOut(left + w / 2, lineY(k), c.FitText(limit, label(QLatin1String(line.rightLabel))) + ':');
    }
    // The table name is printed while bold is still on; the other values are regular.
    device.textOut(left + c.grid(GridFraction::F025), lineY(1), c.FitTextMarked(limit, lines[0].leftValue));
    c.UseBodyFont();
    for (int k = 1; k <= 6; ++k) {
        const Line& line = lines[k - 1];
        if (k > 1)
            device.textOut(left + c.grid(GridFraction::F025), lineY(k), c.FitText(limit, line.leftValue));
        device.textOut(left + c.grid(GridFraction::F075), lineY(k), c.FitText(limit, line.rightValue));
    }
}

// A note below the sections on what the server's catalog could not give, such as the
// CHECK constraints of a table read through ODBC (whose ranges would have filled the
// minimum and maximum columns).
void printCatalogNote(ReportContext& c, const QString& note, int& row)
{
    row += 2;
    if (row > c.lineLimit()) {
        row = -1; // the first line of the new page
        c.startNewPage();
    }
    c.device().textOut(c.leftX, c.lineTop(row), c.FitText(c.printableWidth, note));
}

} // namespace

TableReporter::TableReporter(ReportServices& services, PrintDevice& device, UserMessages& messages,
                             ReportProgress& progress)
    : services_(services), device_(device), messages_(messages), progress_(progress), label_(services.labelLookup()),
      table_(services.engine()), relatedTable_(services.engine())
{}

bool TableReporter::PrintTableReport(const QString& name)
{
    const TableLocation& location = services_.location();
    // The directory with its separator, whatever its length: deep paths are ordinary.
    QString directory = location.currentDirectory;
    if (!directory.endsWith('/'))
        directory += '/';

    while (device_.jobInProgress())
        progress_.processEvents();

    const QString database = location.CurrentAlias.isEmpty() ? directory : location.CurrentDatabase;
    TableProperties properties;
    try {
        table_.close();
        table_.open(database, name);
        table_.refreshIndexDefinitions();
        properties = table_.properties();
    } catch (const EngineError& e) {
        messages_.showError(QStringLiteral("Error opening table to print!\n"), e.message());
        return false;
    }
    if (!table_.readFieldDescriptors(services_.descriptors())) {
        // The table stays open; the next report or the end of the program closes it.
        messages_.showError(QStringLiteral("Unable to analyze table to print!\n"), services_.engine().lastError());
        return false;
    }
    const TableStructure structure = TableStructure::from(name, properties, table_, services_.descriptors());

    ReportSettings settings = LoadReportSettings(services_.settings());
    settings.BodyFontName = services_.bodyFont().name;
    settings.BodyFontSize = services_.bodyFont().points;
    device_.setOrientation(settings.Portrait ? Orientation::Portrait : Orientation::Landscape);
    const StructureTexts texts(table_, structure, label_, locale_);

    ReportContext context(device_, settings, label_, locale_);
    context.now = now_;
    context.pageNumberOffset = pageNumberOffset_;
    context.macros.tableName = name;
    context.macros.tableType = structure.tableTypeKey;
    context.macros.tableLevel = structure.levelText;
    context.macros.alias = location.CurrentAlias;

    // Ends the print phase on a failure: nothing of the job comes out, the window and the
    // cursor are back and the tables are closed before the user is told.
    const auto abandon = [&] {
        device_.abortJob();
        progress_.setBusy(false);
        progress_.hideMessage();
        relatedTable_.close();
        table_.close();
    };

    try {
        progress_.setBusy(true);
        progress_.showMessage(QStringLiteral("Printing structure of table ") + name + QStringLiteral("..."));
        device_.beginJob(QStringLiteral("Korvex : ") + name);
        context.measureResolution();
        context.measureHeaders();
        device_.setBrushHollow();
        context.UseBodyFont();
        context.SetUpPage();
        LoadFieldColumns(services_.settings(), services_.fieldColumns());
        const FieldColumnLayout columns(services_.fieldColumns(), context.printableWidth);
        FieldTable fieldTable(context, columns, texts, structure);
        context.PlanPages(structure.fieldCount);

        int position = 0;
        int row = 0;
        // The pages follow the plan; the loop ends with the last field, so that a table
        // without fields (which plans no page without the information block) still gets
        // a page for its sections to stand on.
        for (int page = 1;; ++page) {
            context.zebraShaded = false;
            context.resetBrush();
            context.BeginReportPage();
            if (settings.PrintHeader && page == 1) {
                context.shiftFirstPageBody(InformationBlockLines);
                printInformationBlock(context, structure, texts);
            }
            const int rows = page == 1 ? std::max(context.firstPageLines, 0) : context.linesPerPage;
            const int before = position;
            position = fieldTable.PrintFieldTablePage(rows, position);
            row = position - before;
            if (position >= structure.fieldCount)
                break;
            device_.newPage();
        }

        if (settings.SecondaryIndex)
            printIndexSection(context, table_, structure, row);
        if (settings.RefIntegrity)
            printIntegritySection(context, table_, relatedTable_, structure, database, name, messages_, row);
        if (const TableDefinition* d = table_.definition(); d && d->server && !d->server->checksNote.isEmpty())
            printCatalogNote(context, d->server->checksNote, row);
        device_.endJob();
        progress_.hideMessage();
        table_.close();
        progress_.setBusy(false);
        return true;
    } catch (const PrinterError& e) {
        abandon();
        messages_.showError(PrintingErrorText, e.message());
    } catch (const ERefIntError&) {
        abandon();
    } catch (const EngineError& e) {
        abandon();
        messages_.showError(QStringLiteral("Error reading table structure!\n"), e.message());
    } catch (...) {
        abandon();
        throw;
    }
    return false;
}

} // namespace korvex
