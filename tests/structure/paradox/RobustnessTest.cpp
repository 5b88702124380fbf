// Hostile input: cut and altered samples, and headers that claim more than the file
// holds. The reader must fail with FormatError, never crash, hang or over-allocate.

#include "ParadoxTestSupport.h"
#include "TestSupport.h"

#include "paradox/ParadoxHeader.h"
#include "paradox/ParadoxReader.h"
#include "paradox/ValidityFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <iostream>
#include <numeric>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

using namespace korvex;
using namespace korvex::paradox;
using namespace korvex::test::paradox;

namespace {

// Reads the table; true when it is read, false when FormatError says why not. Anything
// else escapes and fails the test.
bool reads(std::span<const std::byte> db, const QByteArray* val = nullptr)
{
    try {
        const FileBytes v{QStringLiteral("T.VAL"), val ? test::asBytes(*val) : std::span<const std::byte>()};
        readTable(FileBytes{QStringLiteral("T.DB"), db}, val ? &v : nullptr);
        return true;
    } catch (const FormatError&) {
        return false;
    }
}

bool reads(const QByteArray& db, const QByteArray* val = nullptr)
{
    return reads(test::asBytes(db), val);
}

FormatError failure(const QByteArray& db)
{
    try {
        readTable(FileBytes{QStringLiteral("T.DB"), test::asBytes(db)}, nullptr);
    } catch (const FormatError& e) {
        return e;
    }
    ADD_FAILURE() << "read without error";
    return FormatError(FormatError::Kind::Damaged, {}, 0, {});
}

ParadoxHeader headerOf(const QByteArray& db)
{
    return parseHeader(ByteReader(FileBytes{QStringLiteral("T.DB"), test::asBytes(db)}));
}

void putU16(QByteArray& b, int at, int v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}

// Tables whose used header gets every byte value at every offset: a 3.0 header (no data
// header, 79-byte name slot) and a 5.x one (data header, field numbers, sort-order name).
const char* const Exhaustive[] = {
    "teverett+paradoxReader/src/test/resources/examples/PCLDATA/LPI.DB",
    "leonhad+paradoxdriver/src/test/resources/fields/fmemo.db",
};

// Values that probe the edges of counts, sizes, type codes and sign bits.
std::vector<int> edgeValues(char original)
{
    const int o = std::uint8_t(original);
    return {0x00, 0x01, 0x02, 0x7F, 0x80, 0xFE, 0xFF, (o + 1) & 0xFF, (o + 0xFF) & 0xFF};
}

const QString Samples = QStringLiteral("paradox");

} // namespace

// Cut anywhere inside its header a table fails; from its last data block on it reads.
TEST(ParadoxRobustness, EveryPrefixOfEveryTableFailsCleanly)
{
    KORVEX_REQUIRE_SAMPLES();
    for (const auto& path : sampleTables()) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray bytes = test::readWholeFile(path);
        const auto full = test::asBytes(bytes);
        const ParadoxHeader h = headerOf(bytes);
        const std::size_t shortest = h.fileBlocks == 0
                                         ? h.headerSize
                                         : h.headerSize + std::size_t(h.fileBlocks - 1) * h.blockSize() + 1;
        for (std::size_t n = 0; n < h.headerSize; ++n)
            ASSERT_FALSE(reads(full.first(n))) << n;
        for (std::size_t n = h.headerSize; n < shortest; n += h.blockSize())
            for (std::size_t m : {n, n + 1, n + h.blockSize() - 1})
                if (m < shortest) {
                    ASSERT_FALSE(reads(full.first(m))) << m;
                }
        EXPECT_TRUE(reads(full.first(shortest)));
    }
}

// A header whose declared size ends anywhere inside its field list: every bounds check of
// the variable part is met, not only the file-size check.
TEST(ParadoxRobustness, HeaderSizeEndingInsideTheFieldListFails)
{
    KORVEX_REQUIRE_SAMPLES();
    for (const auto& path : sampleTables()) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray full = test::readWholeFile(path);
        const ParadoxHeader h = headerOf(full);
        for (qsizetype n = 0x58; n < qsizetype(h.parsedEnd); ++n) {
            QByteArray cut = full.left(n);
            putU16(cut, 2, int(n));
            putU16(cut, 0x0C, 0); // no data blocks
            try {
                headerOf(cut);
                FAIL() << "parsed a header cut at " << n;
            } catch (const FormatError& e) {
                ASSERT_EQ(e.kind(), FormatError::Kind::Damaged) << n;
            }
        }
    }
}

TEST(ParadoxRobustness, EveryPrefixOfEveryValFileFailsNamingIt)
{
    KORVEX_REQUIRE_SAMPLES();
    int files = 0;
    for (const auto& path : sampleTables()) {
        const TableFiles t = loadTable(path);
        if (t.valPath.isEmpty())
            continue;
        SCOPED_TRACE(t.valPath.toStdString());
        ++files;
        ASSERT_TRUE(reads(t.db, &t.val));
        for (qsizetype n = 0; n < t.val.size(); ++n) {
            const QByteArray cut = t.val.left(n);
            const FileBytes v{QStringLiteral("T.VAL"), test::asBytes(cut)};
            try {
                readTable(t.dbBytes(), &v);
                FAIL() << "read a .VAL cut at " << n;
            } catch (const FormatError& e) {
                ASSERT_EQ(e.file(), "T.VAL") << n;
            }
        }
    }
    EXPECT_EQ(files, 17);
}

// Every byte value at every offset of the used header of two tables, and edge values at
// every offset of the fixed part, data header and field descriptors of all the others
// (the full cross product over all 70 tables would take minutes).
TEST(ParadoxRobustness, AlteredHeaderBytesFailCleanly)
{
    KORVEX_REQUIRE_SAMPLES();
    QElapsedTimer timer;
    timer.start();
    long attempts = 0;
    for (const char* relative : Exhaustive) {
        SCOPED_TRACE(relative);
        QByteArray db = test::readWholeFile(samplePath(QLatin1String(relative)));
        const std::size_t end = headerOf(db).parsedEnd;
        for (std::size_t offset = 0; offset < end; ++offset) {
            const char original = db[qsizetype(offset)];
            for (int value = 0; value < 256; ++value) {
                db[qsizetype(offset)] = char(value);
                reads(db);
                ++attempts;
            }
            db[qsizetype(offset)] = original;
        }
        ASSERT_TRUE(reads(db));
    }
    for (const auto& path : sampleTables()) {
        QByteArray db = test::readWholeFile(path);
        const ParadoxHeader h = headerOf(db);
        const std::size_t end = h.descriptorOffset(h.fields.size());
        for (std::size_t offset = 0; offset < end; ++offset) {
            const char original = db[qsizetype(offset)];
            for (int value : edgeValues(original)) {
                db[qsizetype(offset)] = char(value);
                reads(db);
                ++attempts;
            }
            db[qsizetype(offset)] = original;
        }
    }
    std::cout << "[ timing   ] " << attempts << " altered headers in " << timer.elapsed() << " ms\n";
}

// Every byte value at every offset of the header and check records of every .VAL, and
// edge values in its footer; its referential-integrity section is the links tests' concern.
TEST(ParadoxRobustness, AlteredValBytesFailCleanly)
{
    KORVEX_REQUIRE_SAMPLES();
    std::vector<int> everyValue(256);
    std::iota(everyValue.begin(), everyValue.end(), 0);
    for (const auto& path : sampleTables()) {
        TableFiles t = loadTable(path);
        if (t.valPath.isEmpty())
            continue;
        SCOPED_TRACE(t.valPath.toStdString());
        const ParadoxHeader table = headerOf(t.db);
        const ValFile original = parseValFile(ByteReader(*t.valBytes()), table);
        const std::size_t integrity = original.header.integrityOffset;
        const std::size_t footer = original.header.footerOffset;
        QByteArray& val = t.val;
        for (std::size_t offset = 0; offset < std::size_t(val.size()); ++offset) {
            if (integrity != 0 && offset >= integrity && offset < footer)
                continue;
            const char saved = val[qsizetype(offset)];
            for (int value : offset < footer ? everyValue : edgeValues(saved)) {
                val[qsizetype(offset)] = char(value);
                try {
                    parseValFile(ByteReader(FileBytes{QStringLiteral("T.VAL"), test::asBytes(val)}), table);
                } catch (const FormatError&) {
                }
            }
            // The whole path once per offset, value conversion included.
            val[qsizetype(offset)] = char(~saved);
            reads(t.db, &val);
            val[qsizetype(offset)] = saved;
        }
    }
}

TEST(ParadoxRobustness, CountsBeyondWhatTheFileHoldsAreRefused)
{
    KORVEX_REQUIRE_SAMPLES();
    const QByteArray good = test::readWholeFile(samplePath("leonhad+paradoxdriver/src/test/resources/fields/fmemo.db"));
    ASSERT_TRUE(reads(good));

    QByteArray fields = good;
    putU16(fields, 0x21, 0xFFFF);
    EXPECT_TRUE(failure(fields).detail().contains("65535 fields do not fit"))
        << failure(fields).message().toStdString();

    QByteArray header = good;
    putU16(header, 0x02, 0xFFFF);
    EXPECT_TRUE(failure(header).detail().startsWith("file ends inside the header"));

    QByteArray blocks = good;
    putU16(blocks, 0x0C, 0xFFFF);
    EXPECT_TRUE(failure(blocks).detail().startsWith("file ends before data block 65535"));

    QByteArray keys = good;
    putU16(keys, 0x23, 3);
    EXPECT_EQ(failure(keys).detail(), "3 key fields, but only 2 fields");

    QByteArray record = good;
    putU16(record, 0x00, 15);
    EXPECT_EQ(failure(record).detail(), "the fields take 14 bytes, but the record size is 15");

    QByteArray none = good;
    putU16(none, 0x21, 0);
    EXPECT_EQ(failure(none).detail(), "the header lists no fields");
}

TEST(ParadoxRobustness, WhatIsNotAParadoxTableIsNamed)
{
    KORVEX_REQUIRE_SAMPLES();
    const QByteArray good = test::readWholeFile(samplePath("leonhad+paradoxdriver/src/test/resources/fields/fmemo.db"));
    auto altered = [&](int offset, int value) {
        QByteArray b = good;
        b[offset] = char(value);
        return failure(b);
    };
    EXPECT_EQ(altered(0x04, 9).detail(), "not a Paradox file (unknown file type 9)");
    EXPECT_EQ(altered(0x04, 9).offset(), 4u);
    EXPECT_EQ(altered(0x04, 1).detail(), "not a Paradox table (file type 1: primary index)");
    EXPECT_EQ(altered(0x05, 0).detail(), "not a Paradox file (block size of 0 KB)");
    EXPECT_EQ(altered(0x05, 33).detail(), "not a Paradox file (block size of 33 KB)");
    const FormatError old = altered(0x39, 2);
    EXPECT_EQ(old.kind(), FormatError::Kind::Unsupported);
    EXPECT_EQ(old.detail(), "Paradox format version 2 is not supported (known: 3 to 12)");
    EXPECT_EQ(altered(0x39, 13).kind(), FormatError::Kind::Unsupported);
    EXPECT_EQ(failure(QByteArray("not a table at all")).kind(), FormatError::Kind::Damaged);
    EXPECT_EQ(failure(QByteArray()).kind(), FormatError::Kind::Damaged);
}

// The dBASE samples (tables, memo and index files) are no Paradox files, and say so;
// none passes for a Paradox file of an unknown version.
TEST(ParadoxRobustness, FilesOfAnotherFormatAreNotParadoxFiles)
{
    KORVEX_REQUIRE_SAMPLES();
    const QStringList files = test::filesWithSuffix(test::samplesDir() + "/dbase",
                                                    {".dbf", ".dbt", ".fpt", ".ndx", ".mdx", ".cdx"});
    ASSERT_GE(files.size(), 20);
    for (const auto& path : files) {
        SCOPED_TRACE(path.toStdString());
        const FormatError e = failure(test::readWholeFile(path));
        EXPECT_EQ(e.kind(), FormatError::Kind::Damaged);
        EXPECT_TRUE(e.detail().startsWith("not a Paradox file")) << e.message().toStdString();
    }
}

TEST(ParadoxRobustness, FieldSizesMustFitTheirType)
{
    KORVEX_REQUIRE_SAMPLES();
    // TypSammlung: Alpha 30, Numerisch, Währung, Integer kurz, Integer lang, BCD 6, Datum ...
    const QByteArray good = test::readWholeFile(samplePath("celebithil+Rparadox/inst/extdata/TypSammlung.DB"));
    auto withSize = [&](int field, int size) {
        QByteArray b = good;
        b[0x78 + 2 * field + 1] = char(size);
        return failure(b);
    };
    EXPECT_EQ(withSize(0, 0).detail(),
              "field 1 (\"Alpha\"): size byte 0, but a field of its type holds 1 to 255 bytes");
    EXPECT_EQ(withSize(6, 2).detail(), "field 7 (\"Datum\"): size byte 2, but a field of its type takes 4 bytes");
    EXPECT_EQ(withSize(5, 33).detail(), "field 6 (\"BCD\"): size byte 33, but a BCD field has at most 32 decimals");
    EXPECT_EQ(withSize(9, 9).detail(), "field 10 (\"Memo\"): size byte 9, but a BLOB field takes at least 10 bytes");
    EXPECT_EQ(withSize(6, 2).offset(), std::size_t(0x78 + 2 * 6));
}

// A type code no source documents is reported as Unknown; the rest of the table still reads.
TEST(ParadoxRobustness, UnknownFieldTypeIsReportedAsUnknown)
{
    KORVEX_REQUIRE_SAMPLES();
    QByteArray db = test::readWholeFile(samplePath("celebithil+Rparadox/inst/extdata/TypSammlung.DB"));
    db[0x78] = char(0x07); // the first field, Alpha 30
    const TableDefinition t = readTable(FileBytes{QStringLiteral("T.DB"), test::asBytes(db)}, nullptr);
    EXPECT_EQ(t.fields[0].type, FieldType::Unknown);
    EXPECT_EQ(t.fields[0].logicalType, LogicalType::Unknown);
    EXPECT_EQ(t.fields[0].storedType, "0x07");
    EXPECT_EQ(t.fields[0].storedSize, 30);
    EXPECT_EQ(t.fields[0].size, 0);
    EXPECT_EQ(t.fields[1].name, "Numerisch");
    EXPECT_EQ(t.recordSize, 366);
}

TEST(ParadoxRobustness, UnterminatedNamesFail)
{
    KORVEX_REQUIRE_SAMPLES();
    QByteArray db = test::readWholeFile(samplePath("leonhad+paradoxdriver/src/test/resources/fields/fmemo.db"));
    const ParadoxHeader h = headerOf(db);
    // Every byte from the names to the end of the header made non-zero.
    const qsizetype names = qsizetype(h.parsedEnd) - 2 * 2 - 6 - 3 - 6; // "Id", "FMEMO", numbers, "ascii"
    for (qsizetype i = names; i < h.headerSize; ++i)
        db[i] = 'x';
    const FormatError e = failure(db);
    EXPECT_EQ(e.kind(), FormatError::Kind::Damaged);
    EXPECT_TRUE(e.detail().contains("field name")) << e.message().toStdString();
}

// The fuzz target's entry, run over its seeds (the samples' .DB and .VAL files), its kept corpus and
// every input that once made it fail.
TEST(ParadoxRobustness, FuzzEntryReplaysSeedsAndRegressions)
{
    QStringList inputs;
    if (!test::samplesDir().isEmpty())
        inputs = test::filesWithSuffix(test::samplesDir() + "/paradox", {".db", ".val"});
    const QString regressions = QStringLiteral(KORVEX_PARADOX_REGRESSIONS);
    ASSERT_TRUE(QDir(regressions).exists()) << KORVEX_PARADOX_REGRESSIONS;
    for (const auto& entry : QDir(regressions).entryList(QDir::Files))
        inputs << QDir(regressions).filePath(entry);
    inputs << test::filesWithSuffix(QStringLiteral(KORVEX_FUZZ_CORPUS) + QStringLiteral("/fuzz_paradox"), {QString()});
    if (inputs.isEmpty())
        GTEST_SKIP() << "no sample tables and no kept fuzz inputs in " KORVEX_PARADOX_REGRESSIONS;
    for (const auto& path : inputs) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray data = test::readWholeFile(path);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size()));
    }
}
