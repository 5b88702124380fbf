#include "QtPrinterDevice.h"

#include "PdfTools.h"
#include "QtPrinting.h"
#include "RecordingDevice.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cups/cups.h>

#include <unistd.h>

using namespace korvex;
using korvex::test::pdfInfo;

namespace {

// The queue's hardware margins: 18 points left and right, 36 points top and bottom.
constexpr const char* Ppd = R"PPD(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "TESTPDF.PPD"
*Manufacturer: "Test"
*Product: "(Test)"
*ModelName: "Test PDF sink"
*ShortNickName: "Test PDF sink"
*NickName: "Test PDF sink"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsVersion: 2.4
*cupsFilter: "application/pdf 0 @DIR@/bin/passthru"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageSize Letter/Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageRegion Letter/Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 36 577 806"
*ImageableArea Letter/Letter: "18 36 594 756"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*PaperDimension Letter/Letter: "612 792"
*OpenUI *Resolution/Resolution: PickOne
*OrderDependency: 10 AnySetup *Resolution
*DefaultResolution: 600dpi
*Resolution 300dpi/300 dpi: "<</HWResolution[300 300]>>setpagedevice"
*Resolution 600dpi/600 dpi: "<</HWResolution[600 600]>>setpagedevice"
*CloseUI: *Resolution
*DefaultFont: Courier
)PPD";

// A CUPS scheduler of the test's own, answering only on a socket in a temporary folder,
// with one queue "TestPdf" whose filter keeps every job's PDF as out/job-<id>.pdf.
class CupsPrinter : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("cupsd"), {QStringLiteral("/usr/sbin")}).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("lpadmin"), {QStringLiteral("/usr/sbin")}).isEmpty())
            GTEST_SKIP() << "cupsd or lpadmin is not installed (packages cups-daemon, cups-client)";
        if (geteuid() != 0)
            GTEST_SKIP() << "a private CUPS scheduler needs root to run its filters as user lp";
        ASSERT_TRUE(dir_.isValid());
        const QString d = dir_.path();
        QFile::setPermissions(d, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                     QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        for (const char* sub : {"etc", "spool", "tmp", "cache", "state", "log", "out", "bin", "client-tmp"})
            ASSERT_TRUE(QDir(d).mkpath(QString::fromLatin1(sub)));
        ASSERT_EQ(::chmod(QFile::encodeName(out()).constData(), 01777), 0);
        write(QStringLiteral("etc/cupsd.conf"), QStringLiteral("Listen %1\nLogLevel info\nWebInterface No\n"
                                                               "Browsing No\nDefaultAuthType None\n"
                                                               "<Location />\n  Order allow,deny\n  Allow all\n"
                                                               "</Location>\n<Location /admin>\n  Order allow,deny\n"
                                                               "  Allow all\n</Location>\n")
                                                    .arg(socket()));
        write(QStringLiteral("etc/cups-files.conf"),
              QStringLiteral("ServerRoot %1/etc\nRequestRoot %1/spool\nTempDir %1/tmp\nCacheDir %1/cache\n"
                             "StateDir %1/state\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                             "PageLog %1/log/page_log\nPrintcap %1/etc/printcap\nUser lp\nGroup lp\n"
                             "SystemGroup root\n")
                  .arg(d));
        write(QStringLiteral("bin/passthru"),
              QStringLiteral("#!/bin/sh\nif [ -n \"${6:-}\" ]; then cat \"$6\"; else cat; fi > \"%1/job-$1.pdf\"\n")
                  .arg(out()));
        QFile::setPermissions(dir_.filePath(QStringLiteral("bin/passthru")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                  QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        write(QStringLiteral("test.ppd"), QString::fromLatin1(Ppd).replace(QStringLiteral("@DIR@"), d));

        cupsd_.setProcessChannelMode(QProcess::MergedChannels);
        cupsd_.start(QStringLiteral("/usr/sbin/cupsd"),
                     {QStringLiteral("-f"), QStringLiteral("-c"), dir_.filePath(QStringLiteral("etc/cupsd.conf")),
                      QStringLiteral("-s"), dir_.filePath(QStringLiteral("etc/cups-files.conf"))});
        ASSERT_TRUE(cupsd_.waitForStarted(5000));
        const QDeadlineTimer ready(10000);
        while (!QFileInfo::exists(socket()) && !ready.hasExpired())
            QThread::msleep(20);
        ASSERT_TRUE(QFileInfo::exists(socket())) << cupsd_.readAll().toStdString();

        // The device spools into the temporary folder: one of the test's own, so that the
        // test sees only its own spool files.
        savedTmpDir_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(dir_.filePath(QStringLiteral("client-tmp"))));
        qputenv("CUPS_SERVER", QFile::encodeName(socket()));
        cupsSetServer(QFile::encodeName(socket()).constData());
        admin(QStringLiteral("/usr/sbin/lpadmin"),
              {QStringLiteral("-p"), QStringLiteral("TestPdf"), QStringLiteral("-E"), QStringLiteral("-v"),
               QStringLiteral("file:///dev/null"), QStringLiteral("-P"), dir_.filePath(QStringLiteral("test.ppd"))});
        admin(QStringLiteral("/usr/sbin/lpadmin"), {QStringLiteral("-d"), QStringLiteral("TestPdf")});
    }

    void TearDown() override
    {
        cupsSetServer(nullptr);
        qunsetenv("CUPS_SERVER");
        if (savedTmpDir_.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", savedTmpDir_);
        if (cupsd_.state() != QProcess::NotRunning) {
            cupsd_.terminate();
            if (!cupsd_.waitForFinished(5000))
                cupsd_.kill();
            cupsd_.waitForFinished(2000);
        }
    }

    QString socket() const { return dir_.filePath(QStringLiteral("cups.sock")); }
    QString out() const { return dir_.filePath(QStringLiteral("out")); }
    void write(const QString& name, const QString& text) const
    {
        QFile f(dir_.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
    }
    static void admin(const QString& program, const QStringList& args)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        ASSERT_TRUE(p.waitForFinished(10000));
        ASSERT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAll().toStdString();
    }
    // The job's PDF as the queue's filter kept it; empty when it did not arrive in time.
    QString arrivedJob(int id) const
    {
        const QString path = QDir(out()).filePath(QStringLiteral("job-%1.pdf").arg(id));
        const QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired()) {
            // The filter writes while the file grows; pdfinfo reads it once it is whole.
            if (QFileInfo::exists(path) && !pdfInfo(path).isEmpty())
                return path;
            QThread::msleep(50);
        }
        return {};
    }
    QStringList spoolFiles() const
    {
        return QDir(dir_.filePath(QStringLiteral("client-tmp"))).entryList(QDir::Files | QDir::Hidden);
    }

    QTemporaryDir dir_;
    QByteArray savedTmpDir_;
    QProcess cupsd_;
};

} // namespace

TEST_F(CupsPrinter, TheDefaultQueueDescribesItsPagesFromItsDriver)
{
    QtPrinterDevice device(dir_.filePath(QStringLiteral("unused")));
    EXPECT_FALSE(device.isPdfPrinter());
    EXPECT_EQ(device.printerName(), QStringLiteral("TestPdf"));
    // A4 at 600 dpi less 18 points (150 dots) left and right, 36 points (300 dots) above
    // and below.
    EXPECT_EQ(device.caps(), (DeviceCaps{4658, 6417, 197, 272, 4958, 7017, 150, 300}));
    device.setOrientation(Orientation::Landscape);
    EXPECT_EQ(device.caps(), (DeviceCaps{6417, 4658, 272, 197, 7017, 4958, 300, 150}));

    device.beginJob(QStringLiteral("Korvex : WIDE.DB"));
    EXPECT_EQ(device.caps(), (DeviceCaps{6417, 4658, 272, 197, 7017, 4958, 300, 150}));
    device.abortJob();

    EXPECT_THROW(device.selectCupsPrinter(QStringLiteral("NoSuchPrinter")), PrinterError);
    EXPECT_EQ(device.printerName(), QStringLiteral("TestPdf"));
}

TEST_F(CupsPrinter, AJobReachesTheQueueOnlyWhenItEnds)
{
    QtPrinterDevice device(dir_.filePath(QStringLiteral("unused")));
    ASSERT_EQ(device.printerName(), QStringLiteral("TestPdf"));

    // Aborted on page 3: the queue never hears of it.
    device.beginJob(QStringLiteral("Korvex : BROKEN.DB"));
    EXPECT_EQ(spoolFiles().size(), 1);
    device.newPage();
    device.newPage();
    device.textOut(0, 0, QStringLiteral("page 3"));
    device.abortJob();
    EXPECT_EQ(device.lastJobId(), 0);

    device.beginJob(QStringLiteral("Korvex : CUSTOMER.DB"));
    device.textOut(0, 0, QStringLiteral("page 1"));
    device.newPage();
    device.textOut(0, 0, QStringLiteral("page 2"));
    device.endJob();
    EXPECT_TRUE(device.lastOutputFile().isEmpty());
    // The scheduler numbers jobs from 1: the aborted job took no number.
    EXPECT_EQ(device.lastJobId(), 1);

    const QString arrived = arrivedJob(device.lastJobId());
    ASSERT_FALSE(arrived.isEmpty()) << "job 1 did not arrive";
    const auto info = pdfInfo(arrived);
    EXPECT_EQ(info.value(QStringLiteral("Pages")), QStringLiteral("2"));
    EXPECT_EQ(info.value(QStringLiteral("Page size")), QStringLiteral("595 x 842 pts (A4)"));
    EXPECT_EQ(info.value(QStringLiteral("Title")), QStringLiteral("Korvex : CUSTOMER.DB"));
    EXPECT_EQ(QDir(out()).entryList(QDir::Files), QStringList{QStringLiteral("job-1.pdf")});
    EXPECT_TRUE(spoolFiles().isEmpty());

    // Jobs finished behind reach the queue from other threads, in the order they ended.
    device.finishJobsBehind(2);
    for (const char* title : {"Korvex : A.DB", "Korvex : B.DB"}) {
        device.beginJob(QString::fromLatin1(title));
        device.textOut(0, 0, QStringLiteral("x"));
        device.endJob();
    }
    const std::vector<FinishedJob> jobs = device.takeFinishedJobs(true);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0].jobId, 2) << jobs[0].error.toStdString();
    EXPECT_EQ(jobs[1].jobId, 3) << jobs[1].error.toStdString();
    const QString last = arrivedJob(3);
    ASSERT_FALSE(last.isEmpty()) << "job 3 did not arrive";
    EXPECT_EQ(pdfInfo(last).value(QStringLiteral("Title")), QStringLiteral("Korvex : B.DB"));
    EXPECT_TRUE(spoolFiles().isEmpty());
}

TEST_F(CupsPrinter, AQueueThatRefusesJobsIsAPrinterErrorWithItsReason)
{
    admin(QStringLiteral("/usr/sbin/cupsreject"),
          {QStringLiteral("-r"), QStringLiteral("Out of toner"), QStringLiteral("TestPdf")});
    QtPrinterDevice device(dir_.filePath(QStringLiteral("unused")));
    ASSERT_EQ(device.printerName(), QStringLiteral("TestPdf"));
    try {
        device.beginJob(QStringLiteral("Korvex : CUSTOMER.DB"));
        FAIL() << "the job began";
    } catch (const PrinterError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("The printer \"TestPdf\" does not accept jobs: Out of toner"));
    }
    EXPECT_FALSE(device.jobInProgress());
    EXPECT_TRUE(spoolFiles().isEmpty());
}
