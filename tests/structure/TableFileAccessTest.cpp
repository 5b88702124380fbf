// Reading a table's files: every file is copied into memory, none may wait on a named
// pipe; companions are the files (not directories) of the table's name in any case, found
// in a listing of the directory that a run makes once for all its tables.

#include "FileNames.h"
#include "MappedFile.h"
#include "TableFiles.h"
#include "dbase/DbfHeader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace korvex;

namespace {

QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xFF);
    return bytes;
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray bytesOf(const MappedFile& file)
{
    return QByteArray(reinterpret_cast<const char*>(file.bytes().data()), qsizetype(file.bytes().size()));
}

} // namespace

TEST(TableFileAccess, SmallAndLargeFilesGiveTheirBytesAndOutliveAMove)
{
    QTemporaryDir dir;
    // around the size where files used to be mapped rather than read
    for (const qsizetype size : {0, 1, 4096, 65536, 65537, 300000}) {
        SCOPED_TRACE(size);
        const QString path = dir.filePath(QStringLiteral("t%1.db").arg(size));
        write(path, pattern(size));
        QString error;
        bool notFound = true;
        std::optional<MappedFile> opened = MappedFile::open(path, error, notFound);
        ASSERT_TRUE(opened) << error.toStdString();
        EXPECT_FALSE(notFound);
        const MappedFile moved = std::move(*opened);
        opened.reset();
        EXPECT_EQ(bytesOf(moved), pattern(size));
    }
}

TEST(TableFileAccess, WhatIsNoTableFileFailsAtOnce)
{
    QTemporaryDir dir;
    QString error;
    bool notFound = false;
    EXPECT_FALSE(MappedFile::open(dir.filePath("missing.db"), error, notFound));
    EXPECT_TRUE(notFound);
    EXPECT_EQ(error, "no such file");

    // a named pipe without a writer would block a plain open for ever
    const QString pipe = dir.filePath("pipe.db");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_FALSE(MappedFile::open(pipe, error, notFound));
    EXPECT_FALSE(notFound);
    EXPECT_EQ(error, "is a named pipe, not a file");
    EXPECT_FALSE(MappedFile::open(dir.path(), error, notFound));
    EXPECT_EQ(error, "is a directory, not a file");
    EXPECT_FALSE(MappedFile::open("/dev/zero", error, notFound));
    EXPECT_EQ(error, "is a device, not a file");
}

TEST(TableFileAccess, CompanionsAreFilesOfTheTableNameInAnyCase)
{
    QTemporaryDir dir;
    write(dir.filePath("Orders.DB"), "x");
    write(dir.filePath("orders.val"), "x");
    write(dir.filePath("ORDERS.X02"), "x");
    write(dir.filePath("orders.y02"), "x");
    write(dir.filePath("ordersx.px"), "x");
    ASSERT_TRUE(QDir(dir.path()).mkdir("ORDERS.PX"));
    ASSERT_TRUE(QFile::link(dir.filePath("ORDERS.PX"), dir.filePath("Orders.xg0")));

    const TableFiles files(dir.filePath("Orders.DB"));
    EXPECT_EQ(files.companion(".VAL"), dir.filePath("orders.val"));
    EXPECT_EQ(files.companion(".PX"), std::nullopt); // a directory, and a longer name
    EXPECT_EQ(files.companionsWhere([](const QString& ext) { return ext.size() == 3 && ext[0] != 'D'; }),
              (QStringList{dir.filePath("ORDERS.X02"), dir.filePath("orders.val"), dir.filePath("orders.y02")}));
    EXPECT_EQ(TableFiles::findCaseBlind(dir.filePath("ORDERS.VAL")), dir.filePath("orders.val"));
    EXPECT_EQ(TableFiles::findCaseBlind(dir.filePath("orders.px")), std::nullopt);
}

// A file over 64 KB was mapped, and one cut short after it was opened (by another program,
// or on a share that went away) killed the reader with SIGBUS beyond its new end.
TEST(TableFileAccess, FileTruncatedAfterOpenKeepsItsBytesInsteadOfSigbus)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big.db");
    write(path, pattern(300000));
    QString error;
    bool notFound = false;
    const auto opened = MappedFile::open(path, error, notFound);
    ASSERT_TRUE(opened) << error.toStdString();
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), 4096), 0);
    EXPECT_EQ(bytesOf(*opened), pattern(300000));
}

// Copying a whole table into memory to read its header made a table of a gigabyte cost a
// gigabyte: only the head is read, and the checks against the file's size still see all of it.
TEST(TableFileAccess, LargeTableIsReadUpToItsHeaderAndMeasuredWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big.db");
    write(path, pattern(300000));
    QString error;
    bool notFound = false;
    const auto head = MappedFile::open(path, error, notFound, MappedFile::TableHeadBytes);
    ASSERT_TRUE(head) << error.toStdString();
    EXPECT_EQ(bytesOf(*head), pattern(MappedFile::TableHeadBytes));
    EXPECT_EQ(head->fileBytes().size(), 300000u);

    // a dBASE table of 20,000 records of 11 bytes: whole, then cut inside its records
    QByteArray dbf(32, '\0');
    dbf[0] = 0x03;
    const auto put16 = [&](int at, int v) {
        dbf[at] = char(v & 0xFF);
        dbf[at + 1] = char(v >> 8);
    };
    put16(4, 20000); // records
    put16(8, 65);    // header length: 32, one field of 32, the terminator
    put16(10, 11);   // record length: the deletion flag and the field
    QByteArray field(32, '\0');
    field.replace(0, 4, "NAME");
    field[11] = 'C';
    field[16] = 10;
    dbf += field + '\r';
    dbf += QByteArray(20000 * 11, ' ') + '\x1a';
    const QString table = dir.filePath("BIG.DBF");
    write(table, dbf);
    const auto whole = MappedFile::open(table, error, notFound, MappedFile::TableHeadBytes);
    ASSERT_TRUE(whole) << error.toStdString();
    EXPECT_EQ(dbase::readDbfHeader(whole->fileBytes()).recordCount, 20000u);
    ASSERT_EQ(::truncate(QFile::encodeName(table).constData(), 150000), 0);
    const auto cut = MappedFile::open(table, error, notFound, MappedFile::TableHeadBytes);
    ASSERT_TRUE(cut) << error.toStdString();
    try {
        dbase::readDbfHeader(cut->fileBytes());
        ADD_FAILURE() << "a table cut inside its records was read";
    } catch (const FormatError& e) {
        EXPECT_TRUE(e.message().contains("need 220065 bytes, the file has 150000")) << e.message().toStdString();
    }
}

// Every table of a directory listed, decoded and sorted the whole directory again to find
// its companions: quadratic time over large directories. A run lists it once.
TEST(TableFileAccess, DirectoryIsListedOnceInARunAndAfreshOutsideOne)
{
    QTemporaryDir dir;
    write(dir.filePath("A.DB"), "x");
    DirectoryListings listings;
    listings.beginRun();
    const auto first = listings.of(dir.path());
    EXPECT_EQ(TableFiles(dir.filePath("A.DB"), &listings).companion(".VAL"), std::nullopt);
    write(dir.filePath("a.val"), "x");
    EXPECT_EQ(listings.of(dir.path() + "/"), first); // the run's listing, whatever the path's form
    EXPECT_EQ(TableFiles(dir.filePath("A.DB"), &listings).companion(".VAL"), std::nullopt);
    listings.endRun();
    EXPECT_EQ(TableFiles(dir.filePath("A.DB"), &listings).companion(".VAL"), dir.filePath("a.val"));
}

// Outside a run a listing is kept while the directory's times stay; a file added to it, or
// a linked companion that became a directory (which leaves the directory's times alone),
// must still be seen at the next look.
TEST(TableFileAccess, KeptListingOutsideARunSeesEveryChange)
{
    QTemporaryDir dir;
    QTemporaryDir elsewhere;
    write(dir.filePath("A.DB"), "x");
    write(elsewhere.filePath("target"), "x");
    ASSERT_EQ(::symlink(QFile::encodeName(elsewhere.filePath("target")).constData(),
                        QFile::encodeName(dir.filePath("B.DB")).constData()),
              0);
    const auto quietSinceAnHour = [&] {
        const timespec anHourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(dir.path()).constData(), anHourAgo, 0), 0);
    };
    quietSinceAnHour();
    DirectoryListings listings;
    const auto regular = [&](const QString& name) {
        const auto listing = listings.of(dir.path());
        const auto i = listing->names().indexOf(name);
        return i >= 0 && listing->isRegularFile(i);
    };
    EXPECT_EQ(TableFiles(dir.filePath("A.DB"), &listings).companion(".VAL"), std::nullopt);
    EXPECT_TRUE(regular("B.DB"));

    write(dir.filePath("a.val"), "x");
    EXPECT_EQ(TableFiles(dir.filePath("A.DB"), &listings).companion(".VAL"), dir.filePath("a.val"));

    quietSinceAnHour();
    EXPECT_TRUE(regular("B.DB"));
    ASSERT_TRUE(QFile::remove(elsewhere.filePath("target")));
    ASSERT_TRUE(QDir(elsewhere.path()).mkdir("target"));
    EXPECT_FALSE(regular("B.DB"));
}

// A file name that is not UTF-8 (a name written by a DOS program) was left out of its
// directory and could not be opened by its name.
TEST(TableFileAccess, NameThatIsNotUtf8KeepsItsBytesAndShowsThemVisibly)
{
    const QByteArray bytes("CAF\xC9 \xE2\x82\xAC\xFF.DB"); // an invalid byte, a euro sign, another invalid byte
    const QString name = decodeFileName(bytes);
    EXPECT_EQ(encodeFileName(name), bytes);
    EXPECT_EQ(visibleFileName(name), QString::fromUtf8("CAF\\xC9 \u20AC\\xFF.DB"));
    // overlong forms and encoded surrogates are no UTF-8 either: each of their bytes is kept
    const QChar keptBytes[] = {QChar(0xDCC0), QChar(0xDCAF), QChar(0xDCED), QChar(0xDCA0), QChar(0xDC80)};
    const QString kept(keptBytes, 5);
    EXPECT_EQ(decodeFileName("\xC0\xAF\xED\xA0\x80"), kept);

    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.path()) + '/' + bytes;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "x", 1), 1);
    ::close(fd);
    DirectoryListing listing(dir.path());
    EXPECT_EQ(listing.names(), QStringList{name});
    QString error;
    bool notFound = false;
    const auto opened = MappedFile::open(dir.path() + '/' + name, error, notFound);
    ASSERT_TRUE(opened) << error.toStdString();
    EXPECT_EQ(bytesOf(*opened), "x");
    EXPECT_EQ(TableFiles::findCaseBlind(dir.path() + '/' + name.toLower()), dir.path() + '/' + name);
    ::unlink(path.constData()); // QTemporaryDir would lose its bytes too
}
