// Referential-integrity links from the .VAL files of the samples' joins folder (masters,
// dependents, cascade and restrict, a composite link), the rule of a dependent link, the
// engine's list records, and damaged referential-integrity sections.

#include "ParadoxTestSupport.h"
#include "ScratchFolder.h"
#include "TestSupport.h"

#include "DatabaseEngine.h"
#include "paradox/IntegrityLinks.h"
#include "paradox/ParadoxReader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <iostream>
#include <numeric>

extern "C" int fuzzParadoxLinks(const std::uint8_t* data, std::size_t size);

using namespace korvex;
using namespace korvex::paradox;
using namespace korvex::test::paradox;

namespace {

const QString Joins = QStringLiteral("leonhad+paradoxdriver/src/test/resources/joins/");

// "M reference -> two.db cascade 2:1 4:2": kind, name, related table, rule, pairs.
QString describe(const IntegrityDescriptor& l)
{
    QStringList pairs;
    for (const auto& [own, related] : l.pairs)
        pairs << QStringLiteral("%1:%2").arg(own).arg(related);
    return QStringLiteral("%1 %2 -> %3 %4 %5")
        .arg(l.kind == IntegrityDescriptor::Kind::Master ? "M" : "D", l.name, l.relatedTable,
             l.cascade ? "cascade" : "restrict", pairs.join(' '));
}

std::string describe(const std::vector<IntegrityDescriptor>& links)
{
    QStringList d;
    for (const auto& l : links)
        d << describe(l);
    return d.join(" | ").toStdString();
}

std::string joined(const QStringList& lines)
{
    return lines.join(" | ").toStdString();
}

std::vector<IntegrityDescriptor> linksOf(const QString& path)
{
    const auto files = loadTable(path);
    const auto val = files.valBytes();
    return readIntegrityLinks(readTable(files.dbBytes(), val ? &*val : nullptr), korvex::TableFiles(path));
}

struct InMemory {
    QByteArray db;
    QByteArray val;
    ParadoxHeader header;

    explicit InMemory(const QString& relative)
    {
        const auto files = loadTable(samplePath(relative));
        db = files.db;
        val = files.val;
        header = parseHeader(ByteReader(files.dbBytes()));
    }

    std::vector<IntegrityDescriptor> links(const QByteArray& bytes) const
    {
        return integrityLinks(ByteReader(FileBytes{QStringLiteral("T.VAL"), test::asBytes(bytes)}), header,
                              CodePage(850), {});
    }

    FormatError failure(const QByteArray& bytes) const
    {
        try {
            links(bytes);
        } catch (const FormatError& e) {
            return e;
        }
        ADD_FAILURE() << "read without error";
        return FormatError(FormatError::Kind::Damaged, {}, 0, {});
    }
};

void putU16(QByteArray& b, int at, int v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}

// The links every sample of the joins folder records, as its inventory lists them; the
// rule of a dependent link is the one its dependent's master-link record gives.
const std::vector<std::pair<QString, QStringList>>& expectedLinks()
{
    static const std::vector<std::pair<QString, QStringList>> Expected = {
        {"A.db", {"D Reference A -> C.DB cascade 1:2"}},
        {"B.db", {"D Reference B -> C.DB cascade 1:3"}},
        {"C.DB", {"M Reference A -> A.db cascade 2:1", "M Reference B -> B.db cascade 3:1"}},
        {"fk1.db", {"M reference -> primary.db cascade 2:1"}},
        {"fk2.db", {"M reference -> primary.db restrict 2:1"}},
        {"fk3.db", {"M reference -> primary.db restrict 3:1"}},
        {"fk4.db", {"M reference -> two.db cascade 2:1 4:2"}},
        {"multiple.db",
         {"M fk2 -> primary.db cascade 4:1", "M fk_multiple_primary -> primary.db cascade 2:1",
          "D to_multiple -> to_multiple.db cascade 1:2"}},
        {"primary.db",
         {"D fk_multiple_primary -> multiple.DB cascade 1:2", "D reference -> fk2.DB restrict 1:2",
          "D reference -> fk3.db restrict 1:3", "D reference -> fk1.DB cascade 1:2",
          "D fk2 -> multiple.DB cascade 1:4"}},
        {"to_multiple.db", {"M to_multiple -> multiple.DB cascade 2:1"}},
        // The composite link: the master's own record says 0 here, the dependent cascade.
        {"two.db", {"D reference -> fk4.DB cascade 1:2 2:4"}},
    };
    return Expected;
}

} // namespace

TEST(ParadoxIntegrity, SamplesGiveTheLinksTheirInventoryRecords)
{
    KORVEX_REQUIRE_SAMPLES();
    for (const auto& [table, expected] : expectedLinks()) {
        SCOPED_TRACE(table.toStdString());
        EXPECT_EQ(describe(linksOf(samplePath(Joins + table))), joined(expected));
    }
    // Every other table has none: no .VAL, a .VAL without a referential-integrity section.
    int others = 0;
    for (const auto& path : sampleTables()) {
        const QString name = QFileInfo(path).fileName();
        if (QFileInfo(path).path().endsWith("/encrypt") ||
            (path.contains("/joins/") && std::any_of(expectedLinks().begin(), expectedLinks().end(),
                                                     [&](const auto& e) { return e.first == name; })))
            continue;
        SCOPED_TRACE(path.toStdString());
        EXPECT_TRUE(linksOf(path).empty());
        ++others;
    }
    EXPECT_GT(others, 50);
}

// Each dependent entry in a master's .VAL mirrors the master-link record of the same name
// in the dependent's .VAL: the same fields, swapped, and the same rule.
TEST(ParadoxIntegrity, DependentEntriesMirrorTheirMasterLinks)
{
    KORVEX_REQUIRE_SAMPLES();
    int mirrored = 0;
    for (const auto& entry : expectedLinks()) {
        // a named variable, not a structured binding: clang 14 cannot capture one in a lambda
        const QString& table = entry.first;
        for (const auto& dependent : linksOf(samplePath(Joins + table))) {
            if (dependent.kind != IntegrityDescriptor::Kind::Dependent)
                continue;
            SCOPED_TRACE((table + " " + dependent.name).toStdString());
            const QString dependentPath =
                korvex::TableFiles::findCaseBlind(samplePath(Joins + dependent.relatedTable)).value();
            const auto links = linksOf(dependentPath);
            const auto master = std::find_if(links.begin(), links.end(), [&](const IntegrityDescriptor& l) {
                return l.kind == IntegrityDescriptor::Kind::Master && l.name == dependent.name &&
                       l.relatedTable.compare(table, Qt::CaseInsensitive) == 0;
            });
            ASSERT_NE(master, links.end());
            EXPECT_EQ(master->cascade, dependent.cascade);
            ASSERT_EQ(master->pairs.size(), dependent.pairs.size());
            for (std::size_t i = 0; i < master->pairs.size(); ++i) {
                EXPECT_EQ(master->pairs[i].first, dependent.pairs[i].second);
                EXPECT_EQ(master->pairs[i].second, dependent.pairs[i].first);
            }
            ++mirrored;
        }
    }
    EXPECT_EQ(mirrored, 9);
}

// Without the dependent's .VAL (or its table), the master's own record decides: 1 for the
// single-field cascade links, 0 for the composite one, which its dependent says cascades.
TEST(ParadoxIntegrity, DependentRuleFallsBackToTheMastersRecord)
{
    KORVEX_REQUIRE_SAMPLES();
    ScratchFolder s;
    for (const char* f : {"two.db", "two.px", "two.val", "A.db", "A.PX", "A.VAL"})
        s.copy(Joins + f);
    EXPECT_EQ(describe(linksOf(s.path("two.db"))), joined({"D reference -> fk4.DB restrict 1:2 2:4"}));
    EXPECT_EQ(describe(linksOf(s.path("A.db"))), joined({"D Reference A -> C.DB cascade 1:2"}));

    s.copy(Joins + "fk4.db");
    EXPECT_EQ(describe(linksOf(s.path("two.db"))), joined({"D reference -> fk4.DB restrict 1:2 2:4"}));
    s.copy(Joins + "fk4.val");
    EXPECT_EQ(describe(linksOf(s.path("two.db"))), joined({"D reference -> fk4.DB cascade 1:2 2:4"}));

    // A stale or damaged dependent .VAL cannot tell either.
    QFile val(s.path("fk4.val"));
    ASSERT_TRUE(val.open(QIODevice::ReadWrite));
    QByteArray bytes = val.readAll();
    bytes[0] = char(bytes[0] + 1);
    val.seek(0);
    val.write(bytes);
    val.close();
    EXPECT_EQ(describe(linksOf(s.path("two.db"))), joined({"D reference -> fk4.DB restrict 1:2 2:4"}));
}

// A .VAL written for an earlier state of its table, or in the DOS-era layout, gives no
// links, as it gives no validity checks.
TEST(ParadoxIntegrity, StaleAndDosEraValFilesGiveNoLinks)
{
    KORVEX_REQUIRE_SAMPLES();
    const InMemory fk1(Joins + "fk1.db");
    ASSERT_EQ(fk1.links(fk1.val).size(), 1u);
    QByteArray stale = fk1.val;
    stale[0] = char(stale[0] + 1);
    EXPECT_TRUE(fk1.links(stale).empty());
    QByteArray dos = fk1.val;
    dos[1] = char(1);
    EXPECT_TRUE(fk1.links(dos).empty());
}

TEST(ParadoxIntegrity, DamagedSectionsFailNamingTheValFile)
{
    KORVEX_REQUIRE_SAMPLES();
    // fk4.val: the section at 0x35, one master link from 0x37, the dependents flag at 0x217,
    // the footer at 0x219.
    const InMemory fk4(Joins + "fk4.db");
    auto altered16 = [&](int at, int value) {
        QByteArray b = fk4.val;
        putU16(b, at, value);
        return fk4.failure(b);
    };
    const FormatError pairs = altered16(0x37 + 0x19E, 17);
    EXPECT_EQ(pairs.file(), "T.VAL");
    EXPECT_EQ(pairs.detail().toStdString(), "a link joins 1 to 16 fields, not 17");
    EXPECT_EQ(pairs.offset(), std::size_t(0x37 + 0x19E));
    EXPECT_EQ(altered16(0x37 + 0x19E, 0).detail().toStdString(), "a link joins 1 to 16 fields, not 0");
    EXPECT_EQ(altered16(0x37 + 0x19A, 2).detail().toStdString(),
              "update rule 2 is neither restrict (0) nor cascade (1)");
    EXPECT_EQ(altered16(0x37 + 0x1A0, 5).detail().toStdString(),
              "link \"reference\" joins field 5, but the table has 4 fields");
    EXPECT_EQ(altered16(0x37 + 0x1C2, 0).detail().toStdString(),
              "link \"reference\" joins field 0 of its related table");
    EXPECT_EQ(altered16(0x37 + 0xD4, 0).detail().toStdString(), "link \"reference\" names no related table");
    EXPECT_EQ(altered16(0x35, 2).detail().toStdString(), "2 master links do not fit before the footer at byte 537");
    EXPECT_EQ(altered16(0x217, 2).detail().toStdString(), "the dependents flag is 2, neither 0 nor 1");
    EXPECT_EQ(altered16(0x217, 1).detail().toStdString(), "file ends inside the dependents header");

    // primary.val: the dependents header from 0x37, five dependents from 0xF1, the footer at 0x6C3.
    const InMemory primary(Joins + "primary.db");
    auto alteredP = [&](int at, int value) {
        QByteArray b = primary.val;
        putU16(b, at, value);
        return primary.failure(b);
    };
    EXPECT_EQ(alteredP(0x37 + 0x96, 0).detail().toStdString(), "a link joins 1 to 16 fields, not 0");
    EXPECT_EQ(alteredP(0x37 + 0x98, 3).detail().toStdString(),
              "the dependents refer to field 3, but the table has 2 fields");
    EXPECT_EQ(alteredP(0x37 + 0xB8, 6).detail().toStdString(),
              "6 dependents do not fit before the footer at byte 1731");
    EXPECT_EQ(alteredP(0xF1 + 0x10A, 0).detail().toStdString(),
              "link \"fk_multiple_primary\" joins field 0 of its related table");
    EXPECT_EQ(alteredP(0xF1 + 0x40, 0).detail().toStdString(), "link \"fk_multiple_primary\" names no related table");
    // With 16 key fields, the dependents' unused field slots become pairs.
    EXPECT_EQ(alteredP(0x37 + 0x96, 16).detail().toStdString(),
              "the dependents refer to field 0, but the table has 2 fields");
}

// Through the engine: the list records the report reads, with the related table's path in
// the table's own directory; a table without links gives an empty list, a damaged section
// a failure naming the .VAL.
TEST(ParadoxIntegrity, EngineListRecords)
{
    KORVEX_REQUIRE_SAMPLES();
    namespace ri = record::integrity;
    auto u16 = [](const auto& r, std::size_t at) { return int(r[at]) | int(r[at + 1]) << 8; };
    auto u32 = [&](const auto& r, std::size_t at) { return u16(r, at) | u16(r, at + 2) << 16; };
    auto text = [](const auto& r, std::size_t at) { return QString::fromUtf8(reinterpret_cast<const char*>(&r[at])); };

    DatabaseEngine engine;
    const QString dir = QFileInfo(samplePath(Joins + "primary.db")).absolutePath();
    TableHandle list = 0;
    ASSERT_EQ(engine.OpenIntegrityList(dir, "primary.db", "", list), result::Ok) << engine.lastError().toStdString();
    std::array<std::byte, record::PropertiesSize> props{};
    ASSERT_EQ(engine.ReadTableProperties(list, props), result::Ok);
    EXPECT_EQ(u16(reinterpret_cast<const std::uint8_t*>(props.data()), record::properties::RecordBufferSize), 373);

    std::vector<std::array<std::uint8_t, record::IntegrityDescriptorSize>> records;
    std::array<std::uint8_t, record::IntegrityDescriptorSize> r{};
    EngineResult code = 0;
    while ((code = engine.NextRecord(list, std::as_writable_bytes(std::span(r)))) == result::Ok)
        records.push_back(r);
    EXPECT_EQ(code, result::EndOfList);
    ASSERT_EQ(records.size(), 5u);
    const auto& fk2 = records[1];
    EXPECT_EQ(u16(fk2, ri::Number), 2);
    EXPECT_EQ(text(fk2, ri::LinkName), "reference");
    EXPECT_EQ(u32(fk2, ri::Kind), 1);
    EXPECT_EQ(text(fk2, ri::RelatedTable), dir + "/fk2.DB");
    EXPECT_EQ(u32(fk2, ri::ModifyRule), 0);
    EXPECT_EQ(u16(fk2, ri::PairCount), 1);
    EXPECT_EQ(u16(fk2, ri::ThisFields), 1);
    EXPECT_EQ(u16(fk2, ri::RelatedFields), 2);
    EXPECT_EQ(u32(records[4], ri::ModifyRule), 1);
    EXPECT_EQ(u16(records[4], ri::RelatedFields), 4);
    engine.CloseList(list);

    ASSERT_EQ(engine.OpenIntegrityList(dir, "FK4", "", list), result::Ok) << engine.lastError().toStdString();
    ASSERT_EQ(engine.NextRecord(list, std::as_writable_bytes(std::span(r))), result::Ok);
    EXPECT_EQ(u32(r, ri::Kind), 0);
    EXPECT_EQ(text(r, ri::RelatedTable), dir + "/two.db");
    EXPECT_EQ(u32(r, ri::ModifyRule), 1);
    EXPECT_EQ(u16(r, ri::PairCount), 2);
    EXPECT_EQ(u16(r, ri::ThisFields), 2);
    EXPECT_EQ(u16(r, ri::ThisFields + 2), 4);
    EXPECT_EQ(u16(r, ri::RelatedFields), 1);
    EXPECT_EQ(u16(r, ri::RelatedFields + 2), 2);
    EXPECT_EQ(engine.NextRecord(list, std::as_writable_bytes(std::span(r))), result::EndOfList);
    engine.CloseList(list);

    ASSERT_EQ(engine.OpenIntegrityList(dir, "case.db", "", list), result::Ok);
    EXPECT_EQ(engine.NextRecord(list, std::as_writable_bytes(std::span(r))), result::EndOfList);
    engine.CloseList(list);

    ScratchFolder s;
    s.copy(Joins + "fk4.db");
    s.copy(Joins + "fk4.val");
    {
        QFile val(s.path("fk4.val"));
        ASSERT_TRUE(val.open(QIODevice::ReadWrite));
        val.seek(0x37 + 0x19E);
        val.write(QByteArray("\x11\x00", 2));
    }
    EXPECT_EQ(engine.OpenIntegrityList(s.dir.path(), "fk4.db", "", list), result::IntegrityDamaged);
    EXPECT_TRUE(engine.lastError().startsWith(s.path("fk4.val") + ": a link joins 1 to 16 fields, not 17"))
        << engine.lastError().toStdString();
}

// Cut anywhere, a .VAL with links fails naming it; every byte value at every offset of
// two sections, and edge values in the others, fail cleanly or give sound links.
TEST(ParadoxIntegrity, CutAndAlteredSectionsFailCleanly)
{
    KORVEX_REQUIRE_SAMPLES();
    QElapsedTimer timer;
    timer.start();
    long attempts = 0;
    std::vector<int> everyValue(256);
    std::iota(everyValue.begin(), everyValue.end(), 0);
    for (const auto& [table, expected] : expectedLinks()) {
        SCOPED_TRACE(table.toStdString());
        InMemory t(Joins + table);
        for (qsizetype n = 0; n < t.val.size(); ++n) {
            EXPECT_EQ(t.failure(t.val.left(n)).file(), "T.VAL") << n;
            ++attempts;
        }
        const std::size_t start = std::uint8_t(t.val[0x0D]) | std::size_t(std::uint8_t(t.val[0x0E])) << 8;
        const std::size_t end = std::uint8_t(t.val[0x09]) | std::size_t(std::uint8_t(t.val[0x0A])) << 8;
        // fk4's whole section; primary's dependents header and first dependent.
        const std::size_t exhaustiveEnd = table == "fk4.db" ? end : table == "primary.db" ? 0x37 + 0xBA + 0x12A : 0;
        const std::size_t fieldTotal = t.header.fields.size();
        for (std::size_t offset = start; offset < end; ++offset) {
            const char saved = t.val[qsizetype(offset)];
            const int o = std::uint8_t(saved);
            const std::vector<int> edges = {0x00, 0x01,           0x02,
                                            0x10, 0x11,           0x80,
                                            0xFF, (o + 1) & 0xFF, (o + 0xFF) & 0xFF};
            for (int v : offset < exhaustiveEnd ? everyValue : edges) {
                t.val[qsizetype(offset)] = char(v);
                ++attempts;
                try {
                    bool dependents = false;
                    for (const auto& l : t.links(t.val)) {
                        ASSERT_GE(l.pairs.size(), 1u);
                        ASSERT_LE(l.pairs.size(), 16u);
                        ASSERT_FALSE(l.relatedTable.isEmpty());
                        for (const auto& [own, related] : l.pairs) {
                            ASSERT_TRUE(own >= 1 && own <= fieldTotal) << offset;
                            ASSERT_GE(related, 1);
                        }
                        dependents = dependents || l.kind == IntegrityDescriptor::Kind::Dependent;
                        ASSERT_TRUE(l.kind == IntegrityDescriptor::Kind::Dependent || !dependents);
                    }
                } catch (const FormatError& e) {
                    ASSERT_EQ(e.file(), "T.VAL");
                }
            }
            t.val[qsizetype(offset)] = saved;
        }
    }
    std::cout << "[ timing   ] " << attempts << " cut and altered .VAL files in " << timer.elapsed() << " ms\n";
}

TEST(ParadoxIntegrity, FuzzEntryReplaysSeedsAndRegressions)
{
    QStringList inputs;
    if (!test::samplesDir().isEmpty())
        inputs = test::filesWithSuffix(test::samplesDir() + "/paradox", {".val"});
    const QDir regressions(QStringLiteral(KORVEX_PARADOX_REGRESSIONS));
    for (const auto& entry : regressions.entryList({"links-*"}, QDir::Files))
        inputs << regressions.filePath(entry);
    inputs << test::filesWithSuffix(QStringLiteral(KORVEX_FUZZ_CORPUS) + QStringLiteral("/fuzz_paradox_links"),
                                    {QString()});
    if (inputs.isEmpty())
        GTEST_SKIP() << "no sample .VAL files and no kept links-* fuzz inputs in " KORVEX_PARADOX_REGRESSIONS;
    for (const auto& path : inputs) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray data = test::readWholeFile(path);
        fuzzParadoxLinks(reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size()));
    }
}
