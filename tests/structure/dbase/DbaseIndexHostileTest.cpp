// Hostile index files: every prefix and single-byte changes of every sample .MDX and
// .CDX beside its table, and the index fuzz targets' entries replayed over their seeds
// and every crash file kept. The reader must answer with the tags or a FormatError,
// never anything else; a prefix that reads gives what the whole file gives.

#include "DbaseIndexTestSupport.h"
#include "DbaseTestSupport.h"
#include "TestSupport.h"

#include "dbase/DbaseIndexes.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <optional>

extern "C" int fuzzMdxEntry(const std::uint8_t* data, std::size_t size);
extern "C" int fuzzCdxEntry(const std::uint8_t* data, std::size_t size);

namespace korvex::dbase::test {
namespace {

// A sample table with its index file, read once; the index bytes can be replaced.
struct IndexedSample {
    QString path;
    LoadedTable table;
    TableDefinition definition;
    bool foxPro = false;

    const QByteArray& index() const { return foxPro ? table.cdx : table.mdx; }

    // The indexes with these bytes as the index file; nothing on a FormatError.
    std::optional<std::vector<IndexDescription>> read(std::span<const std::byte> index) const
    {
        DbaseCompanions c;
        (foxPro ? c.cdx : c.mdx) = FileBytes{QStringLiteral("T.IDX"), index};
        try {
            return readIndexes(definition, table.file(), c);
        } catch (const FormatError&) {
            return std::nullopt;
        } catch (const std::exception& e) {
            ADD_FAILURE() << "unexpected exception: " << e.what();
            return std::nullopt;
        }
    }
};

std::vector<IndexedSample> indexedSamples()
{
    std::vector<IndexedSample> samples;
    for (const auto& path : sampleTables()) {
        auto table = LoadedTable::load(path);
        if (table.mdx.isEmpty() && table.cdx.isEmpty())
            continue;
        auto definition = table.read();
        const bool foxPro = definition.tableType == QLatin1String("FOXPRO");
        samples.push_back({path, std::move(table), std::move(definition), foxPro});
    }
    return samples;
}

bool sameIndexes(const std::vector<IndexDescription>& a, const std::vector<IndexDescription>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.name == y.name && x.fields == y.fields && x.expression == y.expression &&
               x.forCondition == y.forCondition && x.unique == y.unique && x.descending == y.descending &&
               x.expressionIndex == y.expressionIndex;
    });
}

// Index files hold their tag lists near their start; the key pages after them are never
// read. Past this many bytes the tests change and cut the files more sparsely.
constexpr std::size_t DenseBytes = 16 * 1024;

TEST(DbaseIndexHostile, EveryPrefixFailsCleanlyOrReadsTheSame)
{
    KORVEX_REQUIRE_SAMPLES();
    const auto samples = indexedSamples();
    ASSERT_EQ(samples.size(), 11u);
    for (const auto& s : samples) {
        SCOPED_TRACE(text(s.path));
        const auto bytes = korvex::test::asBytes(s.index());
        const auto whole = s.read(bytes);
        ASSERT_TRUE(whole.has_value());
        for (std::size_t n = 0; n < bytes.size(); n += n < DenseBytes ? 1 : 509) {
            const auto prefix = s.read(bytes.first(n));
            if (prefix) {
                EXPECT_TRUE(sameIndexes(*prefix, *whole)) << "prefix of " << n << " bytes";
            }
        }
        EXPECT_FALSE(s.read(bytes.first(512)).has_value());
    }
}

TEST(DbaseIndexHostile, SingleByteChanges)
{
    KORVEX_REQUIRE_SAMPLES();
    for (const auto& s : indexedSamples()) {
        SCOPED_TRACE(text(s.path));
        QByteArray changed = s.index();
        const std::size_t end = std::min<std::size_t>(std::size_t(changed.size()), DenseBytes);
        for (std::size_t at = 0; at < end; ++at) {
            const char original = changed[qsizetype(at)];
            for (int value : {0x00, 0xFF, original ^ 0x01, original ^ 0x40}) {
                changed[qsizetype(at)] = char(value);
                (void)s.read(korvex::test::asBytes(changed));
            }
            changed[qsizetype(at)] = original;
        }
    }
}

TEST(DbaseIndexHostile, FuzzSeedsAndCrashFilesReplay)
{
    // the hand-built seeds, the inputs the fuzzers once failed on, their kept corpora, and
    // the samples
    const QString fuzzDir = QStringLiteral(KORVEX_FUZZ_DIR);
    for (const char* kept : {"/regressions/mdx", "/regressions/cdx"})
        ASSERT_TRUE(QFileInfo(fuzzDir + QLatin1String(kept)).isDir()) << kept;
    QStringList mdx = korvex::test::filesWithSuffix(fuzzDir + QStringLiteral("/seeds/mdx"), {QString()}) +
                      korvex::test::filesWithSuffix(fuzzDir + QStringLiteral("/regressions/mdx"), {QString()});
    QStringList cdx = korvex::test::filesWithSuffix(fuzzDir + QStringLiteral("/seeds/cdx"), {QString()}) +
                      korvex::test::filesWithSuffix(fuzzDir + QStringLiteral("/regressions/cdx"), {QString()});
    mdx << korvex::test::filesWithSuffix(fuzzDir + QStringLiteral("/corpus/fuzz_mdx"), {QString()});
    cdx << korvex::test::filesWithSuffix(fuzzDir + QStringLiteral("/corpus/fuzz_cdx"), {QString()});
    ASSERT_GE(mdx.size(), 2);
    ASSERT_GE(cdx.size(), 1);
    if (!korvex::test::samplesDir().isEmpty()) {
        const QString dir = korvex::test::samplesDir() + QStringLiteral("/dbase");
        mdx << korvex::test::filesWithSuffix(dir, {QStringLiteral(".mdx")});
        cdx << korvex::test::filesWithSuffix(dir, {QStringLiteral(".cdx")});
    }
    const auto replay = [](auto entry, const QStringList& paths) {
        for (const auto& path : paths) {
            SCOPED_TRACE(text(path));
            const QByteArray bytes = korvex::test::readWholeFile(path);
            entry(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
        }
    };
    replay(fuzzMdxEntry, mdx);
    replay(fuzzCdxEntry, cdx);
}

} // namespace
} // namespace korvex::dbase::test
