#include "RecordingDevice.h"
#include "TextFitting.h"

#include "QtPrinting.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvex;

namespace {

QStringList lines(std::initializer_list<const char*> texts)
{
    QStringList out;
    for (const char* t : texts)
        out << QString::fromUtf8(t);
    return out;
}

FontSpec arial(int points, bool bold = false)
{
    return FontSpec{QStringLiteral("Arial"), points, bold, false, Qt::black};
}

} // namespace

TEST(RecordingDevice, AJobBeginsWithCapsOrientationAndPageOne)
{
    RecordingDevice device;
    EXPECT_FALSE(device.jobInProgress());
    EXPECT_EQ(device.pageNumber(), 0);

    device.beginJob(QStringLiteral("Korvex : CUSTOMER.DB"));
    EXPECT_TRUE(device.jobInProgress());
    EXPECT_EQ(device.pageNumber(), 1);
    device.newPage();
    device.newPage();
    EXPECT_EQ(device.pageNumber(), 3);
    device.endJob();
    EXPECT_FALSE(device.jobInProgress());
    EXPECT_EQ(device.pageNumber(), 0);

    EXPECT_EQ(device.traceLines(), lines({
                                       R"(job-begin "Korvex : CUSTOMER.DB")",
                                       "caps page=4758x6817 mm=202x289 physical=4958x7017 offset=100,100",
                                       "orientation portrait",
                                       "page 1",
                                       "page 2",
                                       "page 3",
                                       "job-end",
                                   }));
}

TEST(RecordingDevice, RecordsEveryDrawingWithTheStateItUses)
{
    RecordingDevice device;
    device.beginJob(QStringLiteral("T"));
    device.setTransparentTextBackground();
    device.setFont(arial(10, true));
    device.textOut(100, 200, QStringLiteral("Name of table"));
    device.setPenWidth(8);
    device.setBrushSolid(QColor(192, 192, 192));
    device.rectangle(75, 110, 4833, 700);
    device.setBrushHollow();
    device.rectangle(75, 700, 4833, 900);
    device.setPenWidth(1);
    device.moveTo(2404, 110);
    device.lineTo(2404, 700);
    device.lineTo(3000, 700); // goes on from where the last line ended
    device.endJob();

    EXPECT_EQ(device.traceLines().mid(4), lines({
                                              R"(font "Arial" 10 bold color=#000000)",
                                              "background transparent",
                                              R"(text 100 200 w=780 h=90 "Name of table")",
                                              "pen 8",
                                              "brush solid #c0c0c0",
                                              "rect 75 110 4833 700",
                                              "brush hollow",
                                              "rect 75 700 4833 900",
                                              "pen 1",
                                              "line 2404 110 2404 700",
                                              "line 2404 700 3000 700",
                                              "job-end",
                                          }));
    const auto rects = device.recordsOf<RectRecord>();
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].penWidth, 8);
    EXPECT_EQ(rects[0].fill, QColor(192, 192, 192));
    EXPECT_FALSE(rects[1].fill.has_value());
    EXPECT_TRUE(device.recordsOf<TextRecord>().at(0).font.bold);
}

TEST(RecordingDevice, StateIsWrittenOnlyWhenADrawingFindsItChanged)
{
    RecordingDevice device;
    device.beginJob(QStringLiteral("T"));
    // Never set in this job: the first drawing writes the state it is drawn in, the
    // device's defaults (Arial 10, pen 1, a solid white brush, an opaque background).
    device.rectangle(0, 0, 10, 10);
    device.textOut(0, 0, QStringLiteral("a"));
    // Set again to the same, or set and changed back before anything is drawn: nothing.
    device.setFont(arial(10));
    device.setPenWidth(8);
    device.setPenWidth(1);
    device.setBrushHollow();
    device.setBrushSolid(Qt::white);
    device.rectangle(0, 0, 10, 10);
    device.textOut(0, 0, QStringLiteral("b"));
    // A text does not need the pen, a line not the font.
    device.setPenWidth(8);
    device.setFont(arial(7));
    device.textOut(0, 0, QStringLiteral("c"));
    device.lineTo(5, 5);
    device.endJob();

    EXPECT_EQ(device.traceLines().mid(4), lines({
                                              "pen 1",
                                              "brush solid #ffffff",
                                              "rect 0 0 10 10",
                                              R"(font "Arial" 10 color=#000000)",
                                              "background opaque",
                                              R"(text 0 0 w=50 h=90 "a")",
                                              "rect 0 0 10 10",
                                              R"(text 0 0 w=50 h=90 "b")",
                                              R"(font "Arial" 7 color=#000000)",
                                              R"(text 0 0 w=35 h=63 "c")",
                                              "pen 8",
                                              "line 0 0 5 5",
                                              "job-end",
                                          }));
}

TEST(RecordingDevice, EveryJobWritesItsOwnStateAndStartsOpaqueAtTheOrigin)
{
    RecordingDevice device;
    device.setFont(arial(12));
    device.beginJob(QStringLiteral("first"));
    device.setTransparentTextBackground();
    device.textOut(0, 0, QStringLiteral("x"));
    device.moveTo(40, 50);
    device.endJob();

    device.beginJob(QStringLiteral("second"));
    device.textOut(0, 0, QStringLiteral("x"));
    device.lineTo(10, 10);
    device.abortJob();

    const QStringList trace = device.traceLines();
    const qsizetype second = trace.indexOf(QStringLiteral(R"(job-begin "second")"));
    ASSERT_GT(second, 0);
    EXPECT_EQ(trace.mid(second + 4), lines({
                                         R"(font "Arial" 12 color=#000000)",
                                         "background opaque",
                                         R"(text 0 0 w=60 h=108 "x")",
                                         "pen 1",
                                         "line 0 0 10 10",
                                         "job-abort",
                                     }));
}

TEST(RecordingDevice, OrientationTurnsTheCapsOfTheNextJob)
{
    RecordingDevice device;
    EXPECT_EQ(device.caps(), RecordingDevice::A4Laser);
    device.setOrientation(Orientation::Landscape);
    EXPECT_EQ(device.orientation(), Orientation::Landscape);
    EXPECT_EQ(device.caps(), (DeviceCaps{6817, 4758, 289, 202, 7017, 4958, 100, 100}));

    device.beginJob(QStringLiteral("wide"));
    EXPECT_EQ(device.traceLines().mid(1, 2),
              lines({"caps page=6817x4758 mm=289x202 physical=7017x4958 offset=100,100", "orientation landscape"}));
    // Asked for during a job, an orientation waits for the next one.
    device.setOrientation(Orientation::Portrait);
    EXPECT_EQ(device.orientation(), Orientation::Portrait);
    EXPECT_EQ(device.caps(), transposed(RecordingDevice::A4Laser));
    device.endJob();
    EXPECT_EQ(device.caps(), RecordingDevice::A4Laser);

    // A test's own printer, with borders that differ by side.
    const DeviceCaps tall{4658, 6417, 197, 272, 4958, 7017, 150, 300};
    const DeviceCaps wide{6417, 4658, 272, 197, 7017, 4958, 300, 150};
    RecordingDevice own(RecordingDevice::Metrics::Fixed, tall);
    EXPECT_EQ(own.caps(), tall);
    own.setOrientation(Orientation::Landscape);
    EXPECT_EQ(own.caps(), wide);
    own.setCaps(Orientation::Landscape, RecordingDevice::LetterLaser);
    EXPECT_EQ(own.caps(), RecordingDevice::LetterLaser);
}

TEST(RecordingDevice, FixedMetricsAreFiveDotsPerPointACharacterAndNineHigh)
{
    RecordingDevice device;
    device.setFont(arial(10));
    EXPECT_EQ(device.textWidth(QStringLiteral("Dummy")), 250);
    EXPECT_EQ(device.textHeight(QStringLiteral("Dummy")), 90);
    EXPECT_EQ(device.textWidth(QString()), 0);
    EXPECT_EQ(device.textHeight(QString()), 90);
    EXPECT_EQ(device.textWidth(QStringLiteral("Müller")), 300); // characters, not bytes
    device.setFont(arial(10, true));
    EXPECT_EQ(device.textWidth(QStringLiteral("Dummy")), 300);
    device.setFont(arial(7));
    EXPECT_EQ(device.textWidth(QStringLiteral("Page: 1")), 245);
    EXPECT_EQ(device.textHeight(QStringLiteral("Page: 1")), 63);
}

TEST(RecordingDevice, RealFontMetricsAreThePrintersAt600Dpi)
{
    // Liberation fonts stand in for the Windows ones and share their metrics.
    RecordingDevice device(RecordingDevice::Metrics::RealFonts);
    device.setFont(arial(10));
    EXPECT_EQ(device.textHeight(QStringLiteral("Dummy")), 93);
    EXPECT_EQ(device.textWidth(QStringLiteral("Dummy")), 286);
    EXPECT_EQ(device.textWidth(QStringLiteral("Field name")), 411);
    device.setFont(arial(12, true));
    EXPECT_EQ(device.textHeight(QStringLiteral("Dummy")), 112);
    EXPECT_EQ(device.textWidth(QStringLiteral("Dummy")), 367);
    device.setFont(FontSpec{QStringLiteral("Courier New"), 10, false, false, Qt::black});
    EXPECT_EQ(device.textHeight(QStringLiteral("Dummy")), 94);
    EXPECT_EQ(device.textWidth(QStringLiteral("Dummy")), 249);
    device.setFont(FontSpec{QStringLiteral("Times New Roman"), 10, false, false, Qt::black});
    EXPECT_EQ(device.textHeight(QStringLiteral("Dummy")), 92);
    EXPECT_EQ(device.textWidth(QStringLiteral("Dummy")), 272);

    device.beginJob(QStringLiteral("T"));
    device.textOut(0, 0, QStringLiteral("Dummy"));
    EXPECT_EQ(device.traceLines().last(), QStringLiteral(R"(text 0 0 w=272 h=92 "Dummy")"));
}

TEST(RecordingDevice, PrinterFailuresHappenWhereTheTestSaysAndOnce)
{
    RecordingDevice device;
    device.failBeginJob(QStringLiteral("The printer is out of paper."));
    try {
        device.beginJob(QStringLiteral("T"));
        FAIL() << "beginJob did not fail";
    } catch (const PrinterError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("The printer is out of paper."));
    }
    EXPECT_FALSE(device.jobInProgress());
    EXPECT_TRUE(device.records().empty());

    device.failNewPage(3, QStringLiteral("Paper jam."));
    device.beginJob(QStringLiteral("T"));
    device.newPage();
    EXPECT_THROW(device.newPage(), PrinterError);
    EXPECT_TRUE(device.jobInProgress());
    EXPECT_EQ(device.pageNumber(), 2);
    device.abortJob();
    EXPECT_EQ(device.traceLines().mid(4), lines({"page 2", "job-abort"}));

    device.clearRecords();
    device.failEndJob(QStringLiteral("The printer went away."));
    device.beginJob(QStringLiteral("T"));
    EXPECT_THROW(device.endJob(), PrinterError);
    EXPECT_FALSE(device.jobInProgress());
    EXPECT_EQ(device.traceLines().last(), QStringLiteral("job-abort"));
    // Each failure happened once.
    device.beginJob(QStringLiteral("T"));
    device.newPage();
    device.newPage();
    device.endJob();
    EXPECT_EQ(device.traceLines().last(), QStringLiteral("job-end"));
}

TEST(RecordingDevice, MisuseOfJobsIsAPrinterError)
{
    RecordingDevice device;
    EXPECT_THROW(device.textOut(0, 0, QStringLiteral("x")), PrinterError);
    EXPECT_THROW(device.rectangle(0, 0, 1, 1), PrinterError);
    EXPECT_THROW(device.lineTo(1, 1), PrinterError);
    EXPECT_THROW(device.newPage(), PrinterError);
    EXPECT_THROW(device.endJob(), PrinterError);
    device.abortJob(); // nothing to abort: nothing happens
    // Measuring and state need no job.
    device.setFont(arial(10));
    EXPECT_EQ(device.textWidth(QStringLiteral("ab")), 100);
    EXPECT_TRUE(device.records().empty());

    device.beginJob(QStringLiteral("T"));
    EXPECT_THROW(device.beginJob(QStringLiteral("U")), PrinterError);
    EXPECT_EQ(device.traceLines().size(), 4);
}

TEST(RecordingDevice, WritesItsTraceAsUtf8Lines)
{
    RecordingDevice device;
    device.beginJob(QStringLiteral("Korvex : KUNDEN.DB"));
    device.textOut(10, 20, QStringLiteral("Straße \"Süd\""));
    device.endJob();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("print.trace"));
    device.writeTrace(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray expected = "job-begin \"Korvex : KUNDEN.DB\"\n"
                                "caps page=4758x6817 mm=202x289 physical=4958x7017 offset=100,100\n"
                                "orientation portrait\n"
                                "page 1\n"
                                "font \"Arial\" 10 color=#000000\n"
                                "background opaque\n"
                                "text 10 20 w=600 h=90 \"Stra\xc3\x9f"
                                "e \\\"S\xc3\xbc"
                                "d\\\"\"\n"
                                "job-end\n";
    EXPECT_EQ(file.readAll(), expected);

    try {
        device.writeTrace(dir.filePath(QStringLiteral("missing/print.trace")));
        FAIL() << "writeTrace did not fail";
    } catch (const PrinterError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("missing/print.trace"))) << e.what();
    }
}

// A character outside the basic plane is one character to cut, never half of one.
TEST(TextFitting, RemovesASurrogatePairAsOneCharacter)
{
    QString text = QString::fromUtf8("Kunde \xF0\x9F\x98\x80"); // ends in U+1F600
    removeLastCharacter(text);
    EXPECT_EQ(text, "Kunde ");
    removeLastCharacter(text);
    EXPECT_EQ(text, "Kunde");
    QString lone(QChar(0xDC00)); // a low surrogate alone goes alone
    removeLastCharacter(lone);
    EXPECT_TRUE(lone.isEmpty());
}
