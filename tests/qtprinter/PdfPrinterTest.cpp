#include "QtPrinterDevice.h"

#include "DeviceFont.h"
#include "PdfTools.h"
#include "QtPrinting.h"
#include "RecordingDevice.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cups/cups.h>

using namespace korvex;
using korvex::test::inkBoxAt600Dpi;
using korvex::test::pdfFontNames;
using korvex::test::pdfInfo;

namespace {

class PdfPrinter : public ::testing::Test {
protected:
    PdfPrinter() { device_.selectPdfPrinter(folder(), QPageSize::A4); }

    QString folder() const { return dir_.filePath(QStringLiteral("reports")); }
    // Every file in the output folder, hidden ones too.
    QStringList files() const
    {
        return QDir(folder()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
    void printPages(const QString& title, int pages)
    {
        device_.beginJob(title);
        for (int p = 1; p <= pages; ++p) {
            if (p > 1)
                device_.newPage();
            device_.textOut(0, 0, QStringLiteral("Page %1").arg(p));
        }
        device_.endJob();
    }

    QTemporaryDir dir_;
    QtPrinterDevice device_{dir_.filePath(QStringLiteral("reports"))};
};

} // namespace

TEST_F(PdfPrinter, IsALaserPrinterWithASixthOfAnInchBorder)
{
    EXPECT_TRUE(device_.isPdfPrinter());
    EXPECT_TRUE(device_.printerName().isEmpty());
    // A4 is 595 × 842 points: 4958 × 7017 dots at 600 dpi; the border of 12 points is
    // 100 dots on every side.
    EXPECT_EQ(device_.caps(), (DeviceCaps{4758, 6817, 202, 289, 4958, 7017, 100, 100}));
    EXPECT_EQ(device_.caps(), RecordingDevice::A4Laser);
    device_.setOrientation(Orientation::Landscape);
    EXPECT_EQ(device_.caps(), transposed(RecordingDevice::A4Laser));

    // Letter is 612 × 792 points: 5100 × 6600 dots.
    device_.selectPdfPrinter(folder(), QPageSize::Letter);
    EXPECT_EQ(device_.caps(), transposed(RecordingDevice::LetterLaser));
    device_.setOrientation(Orientation::Portrait);
    EXPECT_EQ(device_.caps(), (DeviceCaps{4900, 6400, 207, 271, 5100, 6600, 100, 100}));
}

TEST_F(PdfPrinter, WithoutPrintersTheDefaultIsThePdfPrinterOnTheLocalesPaper)
{
    // A scheduler that is not there: no printer at all.
    cupsSetServer("/nonexistent/korvex-test/cups.sock");
    QtPrinterDevice device(folder());
    cupsSetServer(nullptr);
    EXPECT_TRUE(device.isPdfPrinter());
    EXPECT_EQ(device.pdfFolder(), folder());
    const DeviceCaps expected = localePaperSize() == QPageSize::Letter ? RecordingDevice::LetterLaser
                                                                       : RecordingDevice::A4Laser;
    EXPECT_EQ(device.caps(), expected);
}

TEST_F(PdfPrinter, AJobBecomesOnePdfNamedAfterItsTitle)
{
    device_.beginJob(QStringLiteral("Korvex : CUSTOMER.DB"));
    // Nothing is delivered while the job runs.
    EXPECT_EQ(device_.caps(), RecordingDevice::A4Laser);
    device_.newPage();
    EXPECT_EQ(device_.pageNumber(), 2);
    EXPECT_TRUE(device_.lastOutputFile().isEmpty());
    device_.endJob();
    EXPECT_FALSE(device_.jobInProgress());

    const QString pdf = QDir(folder()).filePath(QStringLiteral("Korvex - CUSTOMER.DB.pdf"));
    EXPECT_EQ(files(), QStringList{QStringLiteral("Korvex - CUSTOMER.DB.pdf")});
    EXPECT_EQ(device_.lastOutputFile(), pdf);
    const auto info = pdfInfo(pdf);
    EXPECT_EQ(info.value(QStringLiteral("Pages")), QStringLiteral("2"));
    EXPECT_EQ(info.value(QStringLiteral("Page size")), QStringLiteral("595 x 842 pts (A4)"));
    EXPECT_EQ(info.value(QStringLiteral("Title")), QStringLiteral("Korvex : CUSTOMER.DB"));
    // Files are made like any other file of the user, not private to the spooler.
    EXPECT_TRUE(QFileInfo(pdf).permissions() & QFile::ReadOther);

    // The same table again: a new file beside the first.
    printPages(QStringLiteral("Korvex : CUSTOMER.DB"), 1);
    EXPECT_EQ(device_.lastOutputFile(), QDir(folder()).filePath(QStringLiteral("Korvex - CUSTOMER.DB (2).pdf")));
    EXPECT_EQ(pdfInfo(pdf).value(QStringLiteral("Pages")), QStringLiteral("2"));

    device_.setOrientation(Orientation::Landscape);
    printPages(QStringLiteral("Korvex : WIDE.DBF"), 1);
    EXPECT_EQ(pdfInfo(device_.lastOutputFile()).value(QStringLiteral("Page size")),
              QStringLiteral("842 x 595 pts (A4)"));
}

TEST_F(PdfPrinter, AnAbortedJobLeavesNothingBehind)
{
    device_.beginJob(QStringLiteral("Korvex : ORDERS.DB"));
    device_.textOut(0, 0, QStringLiteral("page 1"));
    device_.newPage();
    device_.newPage();
    device_.textOut(0, 0, QStringLiteral("page 3"));
    device_.abortJob();
    EXPECT_FALSE(device_.jobInProgress());
    EXPECT_EQ(device_.pageNumber(), 0);
    EXPECT_TRUE(files().isEmpty()) << files().join(u' ').toStdString();
    EXPECT_TRUE(device_.lastOutputFile().isEmpty());

    // A device that goes away in the middle of a job aborts it.
    {
        QtPrinterDevice device(folder());
        device.selectPdfPrinter(folder(), QPageSize::A4);
        device.beginJob(QStringLiteral("Korvex : LOST.DB"));
        device.textOut(0, 0, QStringLiteral("x"));
    }
    EXPECT_TRUE(files().isEmpty()) << files().join(u' ').toStdString();

    // The next job prints as usual.
    printPages(QStringLiteral("Korvex : ORDERS.DB"), 1);
    EXPECT_EQ(files(), QStringList{QStringLiteral("Korvex - ORDERS.DB.pdf")});
}

TEST_F(PdfPrinter, AFolderThatCannotTakeTheJobIsAPrinterErrorThatSaysWhy)
{
    const QString notAFolder = dir_.filePath(QStringLiteral("notes.txt"));
    {
        QFile f(notAFolder);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    device_.selectPdfPrinter(notAFolder, QPageSize::A4);
    try {
        device_.beginJob(QStringLiteral("Korvex : CUSTOMER.DB"));
        FAIL() << "the job began";
    } catch (const PrinterError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("The print job \"Korvex : CUSTOMER.DB\" cannot begin. \"%1\" is a file, "
                                              "not a folder.")
                                   .arg(notAFolder));
    }
    EXPECT_FALSE(device_.jobInProgress());
    EXPECT_THROW(device_.textOut(0, 0, QStringLiteral("x")), PrinterError);
}

TEST_F(PdfPrinter, ThePrintableAreaStartsAtTheBorder)
{
    device_.beginJob(QStringLiteral("corner"));
    device_.setPenWidth(0);
    device_.setBrushSolid(Qt::black);
    device_.rectangle(0, 0, 200, 100);
    device_.endJob();
    // Drawn at the origin of the printable area, it lands 100 dots from the paper's edges.
    const QRect ink = inkBoxAt600Dpi(device_.lastOutputFile(), 400, 300);
    ASSERT_FALSE(ink.isNull());
    EXPECT_NEAR(ink.left(), 100, 1);
    EXPECT_NEAR(ink.top(), 100, 1);
    EXPECT_NEAR(ink.right(), 300, 1);
    EXPECT_NEAR(ink.bottom(), 200, 1);
}

TEST_F(PdfPrinter, AJobAfterAnotherHasOnlyItsOwnPaperFontsAndDrawing)
{
    device_.setFont(FontSpec{QStringLiteral("Arial"), 10, true, false, Qt::black});
    device_.beginJob(QStringLiteral("first"));
    device_.setBrushSolid(Qt::black);
    device_.rectangle(0, 0, 300, 300);
    device_.textOut(0, 400, QStringLiteral("Bold"));
    device_.endJob();
    const QStringList firstFonts = pdfFontNames(device_.lastOutputFile());
    ASSERT_FALSE(firstFonts.isEmpty());

    // Other paper, turned, another font, and a mark in the far corner of the printable area.
    device_.selectPdfPrinter(folder(), QPageSize::Letter);
    device_.setOrientation(Orientation::Landscape);
    device_.setFont(FontSpec{QStringLiteral("Times New Roman"), 11, false, true, Qt::black});
    device_.beginJob(QStringLiteral("second"));
    const DeviceCaps caps = device_.caps();
    EXPECT_EQ(caps, transposed(RecordingDevice::LetterLaser));
    device_.setPenWidth(0);
    device_.setBrushSolid(Qt::black);
    device_.rectangle(caps.pageWidth - 200, caps.pageHeight - 100, caps.pageWidth, caps.pageHeight);
    device_.textOut(2000, 2000, QStringLiteral("Italic"));
    device_.endJob();

    const QString pdf = device_.lastOutputFile();
    EXPECT_EQ(pdfInfo(pdf).value(QStringLiteral("Page size")), QStringLiteral("792 x 612 pts (letter)"));
    const QStringList fonts = pdfFontNames(pdf);
    EXPECT_EQ(fonts.size(), 1) << fonts.join(u' ').toStdString();
    for (const QString& font : firstFonts)
        EXPECT_FALSE(fonts.contains(font)) << font.toStdString();
    // The sheet is 6600 × 5100 dots with a border of 100: the mark ends at its inner edge,
    // and nothing of the first job's black square is in the top-left corner.
    const QRect mark = inkBoxAt600Dpi(pdf, 400, 300, QPoint(6200, 4800));
    EXPECT_NEAR(mark.left(), 6300, 1);
    EXPECT_NEAR(mark.top(), 4900, 1);
    EXPECT_NEAR(mark.right(), 6500, 1);
    EXPECT_NEAR(mark.bottom(), 5000, 1);
    EXPECT_TRUE(inkBoxAt600Dpi(pdf, 500, 500).isNull());
}

namespace {

// A PDF's bytes but the moment it was made.
QString withoutCreationDate(const QString& pdf)
{
    QFile file(pdf);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll())
        .remove(QRegularExpression(QStringLiteral("/CreationDate \\(D:[0-9Z]*\\)")));
}

} // namespace

// Jobs finished behind are painted from their steps by other threads with fonts of their
// own: each must come out as it would have in step, under the name it would have had.
TEST_F(PdfPrinter, JobsFinishedBehindComeOutAsInStepAndInTheirOrder)
{
    const auto printJob = [this](const QString& title) {
        device_.setFont(FontSpec{QStringLiteral("Arial"), 10, true, false, Qt::black});
        device_.beginJob(title);
        device_.setPenWidth(1);
        device_.setBrushSolid(Qt::gray);
        device_.rectangle(300, 0, 0, 300);
        device_.textOut(0, 400, QStringLiteral("Bold"));
        device_.setTransparentTextBackground();
        device_.setFont(FontSpec{QStringLiteral("Times New Roman"), 11, false, true, Qt::blue});
        device_.textOut(100, 600, QStringLiteral("Italic \u00e9\u0416"));
        device_.newPage();
        device_.setPenWidth(3);
        device_.moveTo(10, 10);
        device_.lineTo(500, 500);
        device_.endJob();
    };
    printJob(QStringLiteral("Korvex : A.DB"));
    const QString inStep = device_.lastOutputFile();

    device_.finishJobsBehind(2);
    for (const char* title : {"Korvex : A.DB", "Korvex : B.DB", "Korvex : A.DB"})
        printJob(QString::fromLatin1(title));
    EXPECT_TRUE(device_.lastOutputFile().isEmpty());
    const std::vector<FinishedJob> jobs = device_.takeFinishedJobs(true);
    ASSERT_EQ(jobs.size(), 3u);
    const QDir out(folder());
    EXPECT_EQ(jobs[0].outputFile, out.filePath(QStringLiteral("Korvex - A.DB (2).pdf")));
    EXPECT_EQ(jobs[1].outputFile, out.filePath(QStringLiteral("Korvex - B.DB.pdf")));
    EXPECT_EQ(jobs[2].outputFile, out.filePath(QStringLiteral("Korvex - A.DB (3).pdf")));
    for (const FinishedJob& job : jobs)
        EXPECT_TRUE(job.error.isEmpty()) << job.error.toStdString();
    EXPECT_EQ(jobs[1].title, QStringLiteral("Korvex : B.DB"));
    EXPECT_EQ(withoutCreationDate(jobs[0].outputFile), withoutCreationDate(inStep));
    EXPECT_TRUE(device_.takeFinishedJobs(false).empty());

    // A job whose folder went while it was drawn fails alone and says why; nothing of it stays.
    device_.beginJob(QStringLiteral("Korvex : GONE.DB"));
    device_.textOut(0, 0, QStringLiteral("x"));
    ASSERT_TRUE(QDir(folder()).removeRecursively());
    EXPECT_NO_THROW(device_.endJob());
    const std::vector<FinishedJob> gone = device_.takeFinishedJobs(true);
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_TRUE(gone[0].outputFile.isEmpty());
    EXPECT_TRUE(gone[0].error.startsWith(QStringLiteral("The print job \"Korvex : GONE.DB\" cannot begin")))
        << gone[0].error.toStdString();

    // A device that goes away finishes the jobs it was handed; the next job comes out.
    {
        QtPrinterDevice device(folder());
        device.selectPdfPrinter(folder(), QPageSize::A4);
        device.finishJobsBehind(1);
        device.beginJob(QStringLiteral("Korvex : LAST.DB"));
        device.textOut(0, 0, QStringLiteral("x"));
        device.endJob();
    }
    EXPECT_EQ(files(), QStringList{QStringLiteral("Korvex - LAST.DB.pdf")});

    // Back in step: the jobs handed over are finished first, and endJob delivers again.
    printPages(QStringLiteral("Korvex : D.DB"), 1);
    device_.beginJob(QStringLiteral("Korvex : E.DB"));
    EXPECT_THROW(device_.finishJobsBehind(0), PrinterError);
    device_.abortJob();
    device_.finishJobsBehind(0);
    EXPECT_TRUE(QFileInfo::exists(out.filePath(QStringLiteral("Korvex - D.DB.pdf"))));
    EXPECT_TRUE(device_.takeFinishedJobs(true).empty());
    printPages(QStringLiteral("Korvex : E.DB"), 2);
    EXPECT_EQ(device_.lastOutputFile(), out.filePath(QStringLiteral("Korvex - E.DB.pdf")));
}

TEST_F(PdfPrinter, MeasuresTextsExactlyAsTheRecordingDeviceWithRealFonts)
{
    RecordingDevice recording(RecordingDevice::Metrics::RealFonts);
    const FontSpec fonts[] = {
        {QStringLiteral("Arial"), 10, false, false, Qt::black},
        {QStringLiteral("Arial"), 7, false, false, Qt::black},
        {QStringLiteral("Arial"), 12, true, false, Qt::black},
        {QStringLiteral("Times New Roman"), 11, false, true, Qt::black},
        {QStringLiteral("Courier New"), 9, true, true, Qt::red},
        {QStringLiteral("MS Sans Serif"), 8, false, false, Qt::black},
    };
    const QString texts[] = {QStringLiteral("Dummy"), QStringLiteral("Field name"), QStringLiteral("Page: 12"),
                             QStringLiteral("Müller & Söhne, Köln"), QString()};
    const auto compare = [&](const char* when) {
        for (const FontSpec& font : fonts) {
            device_.setFont(font);
            recording.setFont(font);
            for (const QString& text : texts) {
                EXPECT_EQ(device_.textWidth(text), recording.textWidth(text))
                    << when << ' ' << font.name.toStdString() << ' ' << font.points << " \"" << text.toStdString()
                    << '"';
                EXPECT_EQ(device_.textHeight(text), recording.textHeight(text))
                    << when << ' ' << font.name.toStdString();
            }
        }
    };
    compare("before the job");
    device_.beginJob(QStringLiteral("measures"));
    compare("during the job");
    device_.abortJob();

    device_.setFont(fonts[0]);
    EXPECT_EQ(device_.textHeight(QStringLiteral("Dummy")), 93);
    EXPECT_EQ(device_.textWidth(QStringLiteral("Dummy")), 286);
}

TEST_F(PdfPrinter, PainterMetricsOfThePrinterAgreeWithTheDevice)
{
    // What QPainter itself uses on the printer must be what the device reports, or
    // texts would not end where the report computed.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(QtPrinterDevice::Resolution);
    printer.setOutputFileName(dir_.filePath(QStringLiteral("probe.pdf")));
    QPainter painter(&printer);
    const FontSpec font{QStringLiteral("Arial"), 10, true, false, Qt::black};
    painter.setFont(deviceFont(font));
    device_.setFont(font);
    EXPECT_EQ(painter.fontMetrics().height(), device_.textHeight(QStringLiteral("Dummy")));
    EXPECT_EQ(painter.fontMetrics().horizontalAdvance(QStringLiteral("Dummy")),
              device_.textWidth(QStringLiteral("Dummy")));
}

TEST_F(PdfPrinter, JobRulesMatchTheRecordingDevice)
{
    EXPECT_EQ(device_.pageNumber(), 0);
    EXPECT_THROW(device_.newPage(), PrinterError);
    EXPECT_THROW(device_.endJob(), PrinterError);
    EXPECT_THROW(device_.rectangle(0, 0, 1, 1), PrinterError);
    device_.abortJob();
    device_.beginJob(QStringLiteral("one"));
    EXPECT_THROW(device_.beginJob(QStringLiteral("two")), PrinterError);
    EXPECT_THROW(device_.selectPdfPrinter(folder()), PrinterError);
    // An orientation asked for during a job waits for the next.
    device_.setOrientation(Orientation::Landscape);
    EXPECT_EQ(device_.caps(), RecordingDevice::A4Laser);
    device_.endJob();
    EXPECT_EQ(device_.caps(), transposed(RecordingDevice::A4Laser));
    EXPECT_EQ(pdfInfo(device_.lastOutputFile()).value(QStringLiteral("Pages")), QStringLiteral("1"));
}
