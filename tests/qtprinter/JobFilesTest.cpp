#include "JobFiles.h"

#include "PrintDevice.h"
#include "QtPrinting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace korvex;

TEST(JobFiles, TheFileNameIsTheTitleMadeSafe)
{
    const struct {
        const char* title;
        const char* name;
    } cases[] = {
        {"Korvex : CUSTOMER.DB", "Korvex - CUSTOMER.DB"},
        {"Korvex : ORDERS.DBF", "Korvex - ORDERS.DBF"},
        {"a/b\\c", "a-b-c"},
        {"what?*<now>|\"x\"", "what-now-x-"},
        {"tab\there\nnewline", "tab-here-newline"},
        {"..hidden", "hidden"},
        {"  spaced out. ", "spaced out"},
        {"Kunden München", "Kunden München"},
        {"", "print job"},
        {" . ", "print job"},
        {"::", "-"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pdfFileBaseName(QString::fromUtf8(c.title)), QString::fromUtf8(c.name)) << c.title;
}

TEST(JobFiles, ALongTitleIsCutToTwoHundredBytesOnACharacterBoundary)
{
    const QString umlauts(150, QChar(0x00FC)); // 300 bytes of UTF-8
    const QString cut = pdfFileBaseName(umlauts);
    EXPECT_LE(cut.toUtf8().size(), 200);
    EXPECT_TRUE(cut.startsWith(QString(46, QChar(0x00FC))) && cut.endsWith(QString(46, QChar(0x00FC))))
        << qPrintable(cut);

    QString emoji;
    for (int i = 0; i < 60; ++i)
        emoji += QString::fromUcs4(U"\U0001F5A8"); // four bytes each
    const QString cutEmoji = pdfFileBaseName(emoji);
    EXPECT_LE(cutEmoji.toUtf8().size(), 200);
    EXPECT_GE(cutEmoji.toUtf8().size(), 197);                  // less than one character short
    EXPECT_EQ(QString::fromUtf8(cutEmoji.toUtf8()), cutEmoji); // no half of a character
    EXPECT_TRUE(cutEmoji.endsWith(QString::fromUcs4(U"\U0001F5A8")));
}

// Regression: long table names lost their ends, and two of them shared one PDF name.
TEST(JobFiles, LongNamesKeepTheirEndAndStayDistinct)
{
    const QString common = QStringLiteral("Korvex : ") + QString(200, u'x');
    const QString a = pdfFileBaseName(common + QStringLiteral("_2023_north.DB"));
    const QString b = pdfFileBaseName(common + QStringLiteral("_2023_south.DB"));
    const QString c = pdfFileBaseName(QStringLiteral("Korvex : ") + QString(100, u'x') + u'y' + QString(114, u'x') +
                                      QStringLiteral("_2023_north.DB"));
    EXPECT_TRUE(a.endsWith(QStringLiteral("_2023_north.DB"))) << qPrintable(a);
    EXPECT_TRUE(b.endsWith(QStringLiteral("_2023_south.DB"))) << qPrintable(b);
    EXPECT_TRUE(a.startsWith(QStringLiteral("Korvex - xxx")));
    EXPECT_EQ(a.toUtf8().size(), 200);
    EXPECT_NE(a, c); // the same beginning and end, a different middle
    EXPECT_EQ(pdfFileBaseName(common + QStringLiteral("_2023_north.DB")), a); // the same every time
}

TEST(JobFiles, DeliveryNeverReplacesAnExistingFile)
{
    QTemporaryDir dir;
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write(dir.filePath(QStringLiteral("Korvex - A.DB.pdf")), "older");

    const QString spool1 = createSpoolFile(dir.path());
    EXPECT_TRUE(QFileInfo(spool1).fileName().startsWith(u'.'));
    write(spool1, "first");
    EXPECT_EQ(deliverSpoolFile(spool1, dir.path(), QStringLiteral("Korvex - A.DB")),
              dir.filePath(QStringLiteral("Korvex - A.DB (2).pdf")));
    const QString spool2 = createSpoolFile(dir.path());
    write(spool2, "second");
    EXPECT_EQ(deliverSpoolFile(spool2, dir.path(), QStringLiteral("Korvex - A.DB")),
              dir.filePath(QStringLiteral("Korvex - A.DB (3).pdf")));

    const auto read = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    EXPECT_EQ(read(dir.filePath(QStringLiteral("Korvex - A.DB.pdf"))), "older");
    EXPECT_EQ(read(dir.filePath(QStringLiteral("Korvex - A.DB (2).pdf"))), "first");
    EXPECT_EQ(read(dir.filePath(QStringLiteral("Korvex - A.DB (3).pdf"))), "second");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

TEST(JobFiles, AFolderThatCannotTakeTheSpoolFileSaysWhy)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("report.txt"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    try {
        createSpoolFile(file);
        FAIL() << "a file was taken for a folder";
    } catch (const PrinterError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("\"%1\" is a file, not a folder.").arg(file));
    }
    try {
        createSpoolFile(file + QStringLiteral("/reports"));
        FAIL() << "a folder was made inside a file";
    } catch (const PrinterError& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("The folder \"%1/reports\" cannot be created: Not a directory").arg(file));
    }
    // A missing folder is made.
    const QString fresh = dir.filePath(QStringLiteral("korvex-reports/today"));
    const QString spool = createSpoolFile(fresh);
    EXPECT_TRUE(QFileInfo(spool).isFile());
    EXPECT_EQ(QFileInfo(spool).absolutePath(), fresh);
}

TEST(JobFiles, AReadOnlyFolderSaysPermissionDenied)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders; this case needs another user";
    QTemporaryDir dir;
    const QString locked = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(locked));
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
    try {
        createSpoolFile(locked);
        FAIL() << "wrote into a read-only folder";
    } catch (const PrinterError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot write into the folder \"%1\": ").arg(locked)))
            << e.what();
        EXPECT_TRUE(e.message().contains(QStringLiteral("ermission"))) << e.what();
    }
}
