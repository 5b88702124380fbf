// Hostile input: every prefix of every sample, single-byte changes of the header bytes,
// and the fuzz target's entry replayed over the seeds and every crash file kept. The
// reader must answer with a definition or a FormatError, never anything else.

#include "DbaseTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace korvex::dbase::test {
namespace {

// The bytes up to the end of the last record the header counts: shorter prefixes are
// truncated tables, longer ones at most miss the end-of-file mark.
std::size_t recordsEnd(const QByteArray& dbf)
{
    const auto u = [&](int i) { return std::size_t(std::uint8_t(dbf[i])); };
    const std::size_t records = u(4) | u(5) << 8 | u(6) << 16 | u(7) << 24;
    return (u(8) | u(9) << 8) + records * (u(10) | u(11) << 8);
}

// Reads and answers whether it succeeded; fails the test on any exception but FormatError.
bool readsCleanly(std::span<const std::byte> dbf, const DbaseCompanions& companions)
{
    try {
        (void)readTable(FileBytes{QStringLiteral("T.DBF"), dbf}, companions);
        return true;
    } catch (const FormatError&) {
        return false;
    } catch (const std::exception& e) {
        ADD_FAILURE() << "unexpected exception: " << e.what();
        return false;
    }
}

bool readsCleanly(const QByteArray& dbf, const DbaseCompanions& companions)
{
    return readsCleanly(korvex::test::asBytes(dbf), companions);
}

TEST(DbaseHostile, EveryPrefixFailsCleanly)
{
    KORVEX_REQUIRE_SAMPLES();
    for (const auto& path : sampleTables()) {
        SCOPED_TRACE(path.toStdString());
        const auto table = LoadedTable::load(path);
        const auto companions = table.companions();
        const auto bytes = korvex::test::asBytes(table.dbf);
        const std::size_t end = recordsEnd(table.dbf);
        // Every prefix through the header and the first records; beyond that about 300
        // spread over the records, and every prefix of the last bytes.
        std::vector<std::size_t> lengths;
        const std::size_t dense = std::min<std::size_t>(end, 6 * 1024);
        for (std::size_t n = 0; n < dense; ++n)
            lengths.push_back(n);
        for (std::size_t n = dense; n < end; n += std::max<std::size_t>(1, (end - dense) / 300))
            lengths.push_back(n);
        for (std::size_t n = end >= 4 ? end - 4 : 0; n < bytes.size(); ++n)
            lengths.push_back(n);
        for (const std::size_t n : lengths) {
            const bool ok = readsCleanly(bytes.first(n), companions);
            if (n < end) {
                EXPECT_FALSE(ok) << "prefix of " << n << " bytes read";
            } else {
                EXPECT_TRUE(ok) << "prefix of " << n << " bytes failed";
            }
        }
        EXPECT_TRUE(readsCleanly(bytes, companions));
    }
}

TEST(DbaseHostile, SingleByteChangesOfTheHeader)
{
    KORVEX_REQUIRE_SAMPLES();
    for (const auto& path : sampleTables()) {
        SCOPED_TRACE(path.toStdString());
        const auto table = LoadedTable::load(path);
        const auto companions = table.companions();
        const std::size_t headerLength = std::size_t(std::uint8_t(table.dbf[8])) |
                                         std::size_t(std::uint8_t(table.dbf[9])) << 8;
        // The fixed header and the first descriptors in full, then every seventh byte of
        // the rest of the header (descriptors, terminator, level-7 properties).
        QByteArray changed = table.dbf;
        for (std::size_t at = 0; at < headerLength; at += at < 200 ? 1 : 7) {
            const auto original = changed[qsizetype(at)];
            for (int value : {0x00, 0xFF, 0x0D, 0x0A, 0x20, original ^ 0x01, original ^ 0x80}) {
                changed[qsizetype(at)] = char(value);
                (void)readsCleanly(changed, companions);
            }
            changed[qsizetype(at)] = original;
        }
    }
}

TEST(DbaseHostile, EveryValueOfTheKeyHeaderBytes)
{
    KORVEX_REQUIRE_SAMPLES();
    for (const char* relative : {"infused+dbf/spec/fixtures/dbase_8c.dbf", "lynxnake+tDBF/demo/data/DBASEWIN.dbf",
                                 "luads+php-xbase/tests/Resources/foxpro/vfp.dbf"}) {
        SCOPED_TRACE(relative);
        const auto table = LoadedTable::load(korvex::test::samplesDir() + QStringLiteral("/dbase/") +
                                             QLatin1String(relative));
        QByteArray changed = table.dbf;
        // version, record count, header and record length, flags, driver, first type
        for (int at : {0, 4, 7, 8, 9, 10, 11, 15, 28, 29, 43, 100}) {
            const auto original = changed[at];
            for (int value = 0; value < 256; ++value) {
                changed[at] = char(value);
                (void)readsCleanly(changed, table.companions());
            }
            changed[at] = original;
        }
    }
}

TEST(DbaseHostile, FuzzSeedsAndCrashFilesReplay)
{
    // the folder where kept inputs go must be where this test looks, or they are never replayed
    ASSERT_TRUE(QFileInfo(QStringLiteral(KORVEX_FUZZ_REGRESSIONS)).isDir()) << KORVEX_FUZZ_REGRESSIONS;
    QStringList inputs;
    if (!korvex::test::samplesDir().isEmpty())
        inputs << sampleTables();
    // inputs the fuzzer once failed on, kept beside the fuzz target, and its kept corpus
    inputs << korvex::test::filesWithSuffix(QStringLiteral(KORVEX_FUZZ_REGRESSIONS), {QString()})
           << korvex::test::filesWithSuffix(QStringLiteral(KORVEX_FUZZ_CORPUS) + QStringLiteral("/fuzz_dbase"),
                                            {QString()});
    if (inputs.isEmpty())
        GTEST_SKIP() << "no real sample tables (" KORVEX_SAMPLES_DIR
                        ") and no kept fuzz inputs (" KORVEX_FUZZ_REGRESSIONS ") to replay";
    for (const auto& path : inputs) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray bytes = korvex::test::readWholeFile(path);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
    }
}

} // namespace
} // namespace korvex::dbase::test
