// Reading a table's files: small files are read, larger ones mapped, neither may wait on a
// named pipe; companions are the files (not directories) of the table's name in any case.

#include "MappedFile.h"
#include "TableFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

#include <sys/stat.h>

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
    // around the size where reading gives way to mapping
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
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(MappedFile::open(dir.path(), error, notFound));
    EXPECT_EQ(error, "not a regular file");
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
    EXPECT_EQ(files.companion(".PX"), std::nullopt);  // a directory, and a longer name
    EXPECT_EQ(files.companionsWhere([](const QString& ext) { return ext.size() == 3 && ext[0] != 'D'; }),
              (QStringList{dir.filePath("ORDERS.X02"), dir.filePath("orders.val"), dir.filePath("orders.y02")}));
    EXPECT_EQ(TableFiles::findCaseBlind(dir.filePath("ORDERS.VAL")), dir.filePath("orders.val"));
    EXPECT_EQ(TableFiles::findCaseBlind(dir.filePath("orders.px")), std::nullopt);
}
