// Tables written by pxlib (tests/fixtures/paradox_writer.cpp) with every field type pxlib
// can write, keyed and unkeyed: the reader must find what the writer was asked to write.

#include "ParadoxFixtureTables.h"
#include "ParadoxTestSupport.h"
#include "TestSupport.h"

#include "CodePage.h"
#include "paradox/ParadoxReader.h"

#include <gtest/gtest.h>

#include <QFileInfo>

using namespace korvex;
using namespace korvex::paradox;
using namespace korvex::test::paradox;

namespace {

struct Expected {
    FieldType type;
    int size;
    std::uint16_t logicalLength;
};

// The engine's view of a field as pxlib was asked to write it; written out per type, not derived.
Expected expectedField(const fixtures::ParadoxFixtureField& f)
{
    switch (f.type) {
    case 0x01: return {FieldType::String, f.length, std::uint16_t(f.length + 1)};
    case 0x02: return {FieldType::Date, 0, 4};
    case 0x03: return {FieldType::SmallInt, 0, 2};
    case 0x04: return {FieldType::Integer, 0, 4};
    case 0x05: return {FieldType::Money, 0, 8};
    case 0x06: return {FieldType::Float, 0, 8};
    case 0x09: return {FieldType::Boolean, 0, 2};
    case 0x0C: return {FieldType::Memo, f.length - 10, std::uint16_t(f.length)};
    case 0x0D: return {FieldType::Blob, f.length - 10, std::uint16_t(f.length)};
    case 0x0E: return {FieldType::FmtMemo, f.length - 10, std::uint16_t(f.length)};
    case 0x0F: return {FieldType::ParadoxOle, f.length - 10, std::uint16_t(f.length)};
    case 0x10: return {FieldType::Graphic, f.length - 10, std::uint16_t(f.length)};
    case 0x14: return {FieldType::Time, 0, 4};
    case 0x15: return {FieldType::DateTime, 0, 8};
    case 0x16: return {FieldType::AutoInc, 0, 4};
    case 0x17: return {FieldType::BCD, f.decimals, 34};
    case 0x18: return {FieldType::Bytes, f.length, std::uint16_t(f.length)};
    default: return {FieldType::Unknown, 0, 0};
    }
}

} // namespace

TEST(ParadoxFixtures, TablesWrittenByPxlibReadAsWritten)
{
    KORVEX_REQUIRE_FIXTURES();
    const QString dir = test::fixturesDir() + QStringLiteral("/paradox/");
    for (const auto& fixture : fixtures::paradoxFixtureTables()) {
        SCOPED_TRACE(fixture.file);
        const QString path = dir + QString::fromStdString(fixture.file);
        ASSERT_TRUE(QFileInfo::exists(path)) << "the fixture writer did not write it";
        const TableFiles files = loadTable(path);
        TableDefinition t;
        ASSERT_NO_THROW(t = readTable(files.dbBytes(), nullptr));

        EXPECT_EQ(t.level, 7); // pxlib writes Paradox 7 tables
        EXPECT_EQ(t.languageDriverName, "ANSIINTL");
        EXPECT_EQ(t.codePage, 1252);
        EXPECT_EQ(t.passwordChecksum, passwordChecksum(QByteArray::fromStdString(fixture.password)));
        ASSERT_EQ(t.fields.size(), fixture.fields.size());
        int recordSize = 0;
        int keySize = 0;
        int bufferSize = 0;
        const CodePage codePage(1252);
        for (std::size_t i = 0; i < fixture.fields.size(); ++i) {
            const auto& want = fixture.fields[i];
            const auto& got = t.fields[i];
            SCOPED_TRACE(want.name);
            const Expected e = expectedField(want);
            EXPECT_EQ(got.name, codePage.decode(std::as_bytes(std::span(want.name.data(), want.name.size()))));
            EXPECT_EQ(got.type, e.type);
            EXPECT_EQ(got.size, e.size);
            EXPECT_EQ(got.logicalLength, e.logicalLength);
            EXPECT_EQ(got.storedSize, want.length);
            EXPECT_EQ(got.key, int(i) < fixture.keyFields);
            recordSize += want.length;
            bufferSize += e.logicalLength;
            if (int(i) < fixture.keyFields)
                keySize += want.length;
        }
        EXPECT_EQ(t.recordSize, recordSize);
        EXPECT_EQ(t.keySize, keySize);
        EXPECT_EQ(t.recordBufferSize, bufferSize);
    }
}

TEST(ParadoxFixtures, KeysPasswordsNamesAndWideHeaders)
{
    KORVEX_REQUIRE_FIXTURES();
    const QString dir = test::fixturesDir() + QStringLiteral("/paradox/");
    auto read = [&](const char* name) { return readTable(loadTable(dir + name).dbBytes(), nullptr); };
    // A BCD key field counts 17 bytes: 6 + 17 + 4 + 4 + 2.
    EXPECT_EQ(read("widekey.db").keySize, 33);
    // pxlib computed this checksum for the password it was given.
    EXPECT_EQ(read("encrypted.db").passwordChecksum, 0x8468F445u);
    EXPECT_EQ(read("names1252.db").fields[0].name, QString::fromUtf8("Gr\u00f6\u00dfe"));
    EXPECT_EQ(read("names1252.db").fields[2].name, QString::fromUtf8("\u00c9t\u00e9"));
    const TableDefinition many = read("manyfields.db");
    EXPECT_EQ(many.fields.size(), 150u);
    EXPECT_EQ(many.fields[149].name, "Column 150");
}

// A table's data blocks must all be there; the last may be cut short.
TEST(ParadoxFixtures, TableThatLostItsLastBlocksIsDamaged)
{
    KORVEX_REQUIRE_FIXTURES();
    const TableFiles files = loadTable(test::fixturesDir() + QStringLiteral("/paradox/manyblocks.db"));
    const int blockSize = 1024 * std::to_integer<int>(test::asBytes(files.db)[5]);
    const int headerSize = std::uint8_t(files.db[2]) | std::uint8_t(files.db[3]) << 8;
    const int blocks = std::uint8_t(files.db[0x0C]) | std::uint8_t(files.db[0x0D]) << 8;
    ASSERT_GT(blocks, 2);
    ASSERT_EQ(files.db.size(), headerSize + blocks * blockSize);
    auto readPrefix = [&](qsizetype n) {
        const QByteArray prefix = files.db.left(n);
        return readTable(FileBytes{QStringLiteral("manyblocks.db"), test::asBytes(prefix)}, nullptr);
    };
    const qsizetype lastBlock = headerSize + qsizetype(blocks - 1) * blockSize;
    EXPECT_NO_THROW(readPrefix(lastBlock + 1));
    try {
        readPrefix(lastBlock);
        ADD_FAILURE() << "read a table without its last block";
    } catch (const FormatError& e) {
        EXPECT_EQ(e.kind(), FormatError::Kind::Damaged);
        EXPECT_TRUE(e.detail().startsWith(QStringLiteral("file ends before data block %1").arg(blocks)))
            << e.message().toStdString();
    }
    EXPECT_THROW(readPrefix(headerSize + blockSize), FormatError);
}
