// Secondary indexes: what the samples' .Xnn and .XGn files hold according to their
// repositories and pxlib, the layouts no sample shows, and index files that are missing,
// damaged or belong to another table.

#include "IndexFileBuilder.h"
#include "ParadoxTestSupport.h"
#include "ScratchFolder.h"
#include "TestSupport.h"

#include "DatabaseEngine.h"
#include "paradox/ParadoxIndexes.h"
#include "paradox/ParadoxReader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <iostream>

extern "C" int fuzzParadoxIndex(const std::uint8_t* data, std::size_t size);

using namespace korvex;
using namespace korvex::paradox;
using namespace korvex::test::paradox;

namespace {

const QString Joins = QStringLiteral("leonhad+paradoxdriver/src/test/resources/joins/");
const QString Db = QStringLiteral("leonhad+paradoxdriver/src/test/resources/db/");

struct Table {
    QString path;
    QByteArray db;
    ParadoxHeader header;
    TableDefinition definition;
};

Table loadSample(const QString& relative)
{
    Table t;
    t.path = samplePath(relative);
    const auto files = loadTable(t.path);
    t.db = files.db;
    t.header = parseHeader(ByteReader(files.dbBytes()));
    const auto val = files.valBytes();
    t.definition = readTable(files.dbBytes(), val ? &*val : nullptr);
    return t;
}

std::vector<IndexDescription> indexesOf(const QString& path)
{
    const auto files = loadTable(path);
    const auto val = files.valBytes();
    return readIndexes(readTable(files.dbBytes(), val ? &*val : nullptr), korvex::TableFiles(path));
}

IndexDescription readIndex(const QByteArray& x, IndexFileKind kind, const Table& table,
                           const QString& name = QStringLiteral("T.XG0"))
{
    return readSecondaryIndex(ByteReader(FileBytes{name, test::asBytes(x)}), kind, table.header,
                              CodePage(table.definition.codePage));
}

FormatError indexFailure(const QByteArray& x, IndexFileKind kind, const Table& table)
{
    try {
        readIndex(x, kind, table);
    } catch (const FormatError& e) {
        return e;
    }
    ADD_FAILURE() << "read without error";
    return FormatError(FormatError::Kind::Damaged, {}, 0, {});
}

struct Expected {
    QString name;
    QStringList fields;
    bool primary = false;
    bool maintained = true;
    bool unique = false;
    bool descending = false;
    bool caseInsensitive = false;
};

Expected primaryOn(const QStringList& fields)
{
    return {QString(), fields, true, true, true, false, false};
}

Expected single(const QString& field, bool maintained = true)
{
    return {field, {field}, false, maintained, false, false, false};
}

std::string describe(const IndexDescription& i)
{
    return QStringLiteral("%1 [%2] primary=%3 maintained=%4 unique=%5 descending=%6 caseInsensitive=%7")
        .arg(i.name, i.fields)
        .arg(i.primary)
        .arg(i.maintained)
        .arg(i.unique)
        .arg(i.descending)
        .arg(i.caseInsensitive)
        .toStdString();
}

std::string describe(const Expected& e)
{
    IndexDescription i;
    i.name = e.name;
    i.fields = e.fields.join(';');
    i.primary = e.primary;
    i.maintained = e.maintained;
    i.unique = e.unique;
    i.descending = e.descending;
    i.caseInsensitive = e.caseInsensitive;
    return describe(i);
}

void expectIndexes(const std::vector<IndexDescription>& actual, const std::vector<Expected>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(describe(actual[i]), describe(expected[i])) << "index " << i;
        EXPECT_TRUE(actual[i].expression.isEmpty());
        EXPECT_FALSE(actual[i].expressionIndex);
    }
}

FormatError listFailure(const QString& tablePath)
{
    try {
        indexesOf(tablePath);
    } catch (const FormatError& e) {
        return e;
    }
    ADD_FAILURE() << "listed without error";
    return FormatError(FormatError::Kind::Damaged, {}, 0, {});
}

QStringList sampleIndexFiles()
{
    QStringList files;
    for (const auto& path : test::filesWithSuffix(test::samplesDir() + "/paradox", {""}))
        if (indexFileName(QFileInfo(path).suffix()))
            files << path;
    return files;
}

// The table beside an index data file.
QString tableOf(const QString& indexPath)
{
    const QFileInfo info(indexPath);
    for (const auto& entry : info.dir().entryList(QDir::Files))
        if (QFileInfo(entry).completeBaseName() == info.completeBaseName() &&
            QFileInfo(entry).suffix().compare("db", Qt::CaseInsensitive) == 0)
            return info.dir().filePath(entry);
    return {};
}

} // namespace

TEST(ParadoxIndexes, IndexFileNames)
{
    struct Case {
        const char* extension;
        bool index;
        IndexFileKind kind;
        unsigned number;
        const char* tree;
    };
    const Case cases[] = {
        {"X02", true, IndexFileKind::SingleField, 2, "Y02"},
        {"x0b", true, IndexFileKind::SingleField, 11, "Y0B"},
        {"X10", true, IndexFileKind::SingleField, 16, "Y10"},
        {"XG0", true, IndexFileKind::Composite, 0, "YG0"},
        {"xg12", true, IndexFileKind::Composite, 12, "YG12"},
        {"XLS", false, {}, 0, ""},
        {"XGA", false, {}, 0, ""},
        {"XG", false, {}, 0, ""},
        {"X2", false, {}, 0, ""},
        {"X123", false, {}, 0, ""},
        {"Y02", false, {}, 0, ""},
        {"YG0", false, {}, 0, ""},
        {"PX", false, {}, 0, ""},
        {"DB", false, {}, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension);
        const auto name = indexFileName(QLatin1String(c.extension));
        ASSERT_EQ(name.has_value(), c.index);
        if (c.index) {
            EXPECT_EQ(name->kind, c.kind);
            EXPECT_EQ(name->number, c.number);
            EXPECT_EQ(name->treeExtension, QLatin1String(c.tree));
        }
    }
}

// The names, fields and flags the samples' repositories and inventory record, the primary
// index first and the secondary ones by field number. The flag readings follow byte 0x55
// of each file: "ste" (0x01) and "Descending" (0x11) are the only case-insensitive ones.
TEST(ParadoxIndexes, SamplesListTheIndexesTheirRepositoriesRecord)
{
    KORVEX_REQUIRE_SAMPLES();
    const Expected descending{"Descending", {"Indexed"}, false, false, false, true, true};
    const Expected reference{"reference", {"FK1", "FK"}, false, true, false, false, false};
    const Expected ste{"ste", {"State"}, false, true, false, false, true};
    const std::vector<std::pair<QString, std::vector<Expected>>> samples = {
        {Db + "AREACODES.DB", {primaryOn({"AC"}), ste}},
        {Db + "CUSTOMER.DB", {primaryOn({"CustNo"}), single("City")}},
        {Joins + "C.DB", {primaryOn({"C"}), single("A"), single("B")}},
        {Joins + "case.db", {single("C", false)}},
        {Joins + "fk1.db", {primaryOn({"ID"}), single("FK")}},
        {Joins + "fk2.db", {primaryOn({"ID"}), single("FK")}},
        {Joins + "fk3.db", {primaryOn({"ID"}), single("FK2")}},
        {Joins + "fk4.db", {primaryOn({"ID"}), reference}},
        {Joins + "indexed.db", {descending}},
        {Joins + "multiple.db", {primaryOn({"ID"}), single("FK"), single("FK2")}},
        {Joins + "to_multiple.db", {primaryOn({"ID"}), single("FK")}},
    };
    for (const auto& [relative, expected] : samples) {
        SCOPED_TRACE(relative.toStdString());
        expectIndexes(indexesOf(samplePath(relative)), expected);
    }

    // Every other table: its primary index when keyed (a .PX or not), nothing else.
    int others = 0;
    for (const auto& path : sampleTables()) {
        if (QFileInfo(path).path().endsWith("/encrypt") ||
            std::any_of(samples.begin(), samples.end(), [&](const auto& s) { return samplePath(s.first) == path; }))
            continue;
        SCOPED_TRACE(path.toStdString());
        const auto indexes = indexesOf(path);
        const Table t = loadSample(QDir(samplePath({})).relativeFilePath(path));
        QStringList keys;
        for (const auto& f : t.definition.fields)
            if (f.key)
                keys << f.name;
        if (keys.isEmpty())
            EXPECT_TRUE(indexes.empty());
        else
            expectIndexes(indexes, {primaryOn(keys)});
        ++others;
    }
    EXPECT_EQ(others, 70 - 11 - 3);
}

// pxlib opens the data files read-only and reads their fields: the index fields we report
// are its first ones by name, its file type tells maintained from not, and its copy of
// byte 0x55 agrees with the flags.
TEST(ParadoxIndexes, PxlibReadsTheSameFieldsAndFileTypes)
{
    KORVEX_REQUIRE_SAMPLES();
    const QStringList files = sampleIndexFiles();
    ASSERT_EQ(files.size(), 13);
    for (const auto& path : files) {
        SCOPED_TRACE(path.toStdString());
        const auto px = readWithPxlib(path);
        ASSERT_TRUE(px.has_value());
        const Table t = loadSample(QDir(samplePath({})).relativeFilePath(tableOf(path)));
        const auto kind = indexFileName(QFileInfo(path).suffix())->kind;
        const IndexDescription index = readIndex(test::readWholeFile(path), kind, t, QFileInfo(path).fileName());
        const QStringList fields = index.fields.split(';');
        ASSERT_GE(px->fields.size(), std::size_t(fields.size()) + 1);
        for (qsizetype i = 0; i < fields.size(); ++i)
            EXPECT_EQ(QString::fromLatin1(px->fields[std::size_t(i)].name), fields[i]);
        EXPECT_EQ(index.maintained, px->fileType == 5 || px->fileType == 8);
        EXPECT_EQ(index.unique, (px->refIntegrity & 0x20) != 0);
        if (kind == IndexFileKind::Composite) {
            EXPECT_EQ(index.caseInsensitive, (px->refIntegrity & 0x01) != 0);
        }
        // Behind the index fields: the key fields and a block number, or for an unkeyed
        // table a record number, a block number and an offset.
        const auto& tail = px->fields;
        if (t.header.fileType == 0) {
            EXPECT_EQ(tail.back().name, "Blk Num");
            for (std::size_t k = 0; k < t.header.primaryKeyFields; ++k)
                EXPECT_EQ(QString::fromLatin1(tail[std::size_t(fields.size()) + k].name), t.definition.fields[k].name);
        } else {
            ASSERT_EQ(tail.size(), std::size_t(fields.size()) + 3);
            EXPECT_EQ(tail[tail.size() - 3].name, "Tup No");
        }
    }
}

// Where an index field is itself a key field, the key part may repeat it or leave it out;
// both layouts give the same index. Also: a key field alone, and two key fields.
TEST(ParadoxIndexes, IndexFieldThatIsAlsoAKeyField)
{
    KORVEX_REQUIRE_SAMPLES();
    const Table areacodes = loadSample(Db + "AREACODES.DB"); // AC (key, A5), State (A3), Cities (A157)
    IndexFileBuilder repeated;
    repeated.indexName = "stac";
    repeated.fields = {{1, 3, "State", 2}, {1, 5, "AC", 1}, {1, 5, "AC", 3}, {3, 2, "Blk Num", 4}};
    IndexFileBuilder leftOut = repeated;
    leftOut.fields = {{1, 3, "State", 2}, {1, 5, "AC", 1}, {3, 2, "Blk Num", 3}};
    for (const auto* b : {&repeated, &leftOut}) {
        const IndexDescription i = readIndex(b->build(), IndexFileKind::Composite, areacodes);
        EXPECT_EQ(i.name, "stac");
        EXPECT_EQ(i.fields, "State;AC");
    }

    IndexFileBuilder keyAlone;
    keyAlone.indexName = "ac";
    keyAlone.fields = {{1, 5, "AC", 1}, {3, 2, "Blk Num", 2}};
    EXPECT_EQ(readIndex(keyAlone.build(), IndexFileKind::Composite, areacodes).fields, "AC");
    keyAlone.fields = {{1, 5, "AC", 1}, {1, 5, "AC", 2}, {3, 2, "Blk Num", 3}};
    EXPECT_EQ(readIndex(keyAlone.build(), IndexFileKind::Composite, areacodes).fields, "AC");

    const Table two = loadSample(Joins + "two.db"); // ID1, ID2 (keys, I), Name (A3)
    IndexFileBuilder nameId2;
    nameId2.indexName = "byname";
    nameId2.fields = {{1, 3, "Name", 3}, {4, 4, "ID2", 2}, {4, 4, "ID1", 3}, {3, 2, "Blk Num", 4}};
    EXPECT_EQ(readIndex(nameId2.build(), IndexFileKind::Composite, two).fields, "Name;ID2");
    nameId2.fields = {{1, 3, "Name", 3}, {4, 4, "ID2", 2}, {4, 4, "ID1", 3}, {4, 4, "ID2", 4}, {3, 2, "Blk Num", 5}};
    EXPECT_EQ(readIndex(nameId2.build(), IndexFileKind::Composite, two).fields, "Name;ID2");
}

// A restructured table keeps its fields' numbers (country.db: 1,2,5,3,4). The index
// fields are read as positions, then as those numbers (files written before), then by
// their names and types; a file that fits none is refused naming the positions' misfit.
TEST(ParadoxIndexes, FieldNumbersReadAsPositionsThenTableNumbersThenNames)
{
    KORVEX_REQUIRE_SAMPLES();
    const Table country = loadSample("celebithil+Rparadox/inst/extdata/country.db"); // Name (key) ... Continent 3rd
    IndexFileBuilder b;
    b.version = 9;
    b.indexName = "cont";
    auto fieldsFor = [&](std::uint16_t number, const QByteArray& name) {
        b.fields = {{1, 24, name, number}, {1, 24, "Name", 2}, {3, 2, "Blk Num", 3}};
        return readIndex(b.build(), IndexFileKind::Composite, country).fields.toStdString();
    };
    EXPECT_EQ(fieldsFor(3, "Continent"), "Continent"); // its position
    EXPECT_EQ(fieldsFor(5, "Continent"), "Continent"); // its number in the table's header
    EXPECT_EQ(fieldsFor(9, "continent"), "Continent"); // neither: found by name and type
    b.fields[0].name = "Kontinent";
    EXPECT_EQ(indexFailure(b.build(), IndexFileKind::Composite, country).detail().toStdString(),
              "the index does not fit the table: index field 1 is field 9, but the table has 5 fields");
}

// The fault: the index files of restructured tables (employee.db: field numbers
// 1,3,2,4,5,10, its .XG0 listing positions 2,3,3,4) failed the whole table. Now they are
// read; an index kept from before a field was renamed is listed without fields and told
// as a warning at opening, and the table opens. Both written by the fixture writer.
TEST(ParadoxIndexes, RestructuredTableOpensWithItsIndexesByPositionAndAStaleOneUnreadable)
{
    KORVEX_REQUIRE_FIXTURES();
    const QString dir = test::fixturesDir() + QStringLiteral("/paradox");
    DatabaseEngine engine;
    TableHandle h = 0;
    ASSERT_EQ(engine.OpenTable(dir, "restructured.db", h), result::Ok) << engine.lastError().toStdString();
    QStringList warnings;
    ASSERT_EQ(engine.readWarnings(h, warnings), result::Ok);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].startsWith(dir + "/restructured.XG1: the index \"ByExt\" does not fit the table (field 1 "
                                             "of the index file is named \"Ext#\", but the table's field 4 is "
                                             "\"PhoneExt\", at byte "))
        << warnings[0].toStdString();
    EXPECT_TRUE(warnings[0].endsWith("it is listed as unreadable, without its fields"));
    std::vector<IndexDescription> list;
    ASSERT_EQ(engine.ListIndexes(h, list), result::Ok) << engine.lastError().toStdString();
    expectIndexes(list, {primaryOn({"EmpNo"}),
                         {"ByName", {"LastName", "FirstName"}, false, true, false, false, false},
                         {"ByExt", {}, false, true, false, false, false}});
}

// The flag bits of byte 0x55 and of the field numbers, on layouts that no sample has.
TEST(ParadoxIndexes, FlagsOfTheOptionsByteAndTheFieldNumbers)
{
    KORVEX_REQUIRE_SAMPLES();
    const Table fk4 = loadSample(Joins + "fk4.db"); // ID (key), FK1, B1, FK
    IndexFileBuilder b;
    b.indexName = "flags";
    b.fields = {{4, 4, "FK1", 2}, {4, 4, "FK", 4}, {4, 4, "ID", 3}, {3, 2, "Blk Num", 4}};
    auto flags = [&](std::uint8_t options, std::uint16_t secondNumber) {
        b.options = options;
        b.fields[1].number = secondNumber;
        const IndexDescription i = readIndex(b.build(), IndexFileKind::Composite, fk4);
        return QString("%1%2%3").arg(i.unique ? "U" : "-", i.descending ? "D" : "-", i.caseInsensitive ? "I" : "-");
    };
    EXPECT_EQ(flags(0x00, 4), "---");
    EXPECT_EQ(flags(0x20, 4), "U--");
    EXPECT_EQ(flags(0x21, 4), "U-I");
    EXPECT_EQ(flags(0x10, 4), "-D-");
    EXPECT_EQ(flags(0x00, 0x8004), "-D-"); // one field descending
    EXPECT_EQ(flags(0x31, 0x8004), "UDI");

    // A single-field index bears its field's name only when it is case-sensitive: bit
    // 0x01 cannot make it case-insensitive. Unique and descending apply.
    IndexFileBuilder x;
    x.fileType = 3;
    x.options = 0x31;
    x.fields = {{4, 4, "FK", 4}, {4, 4, "ID", 2}, {3, 2, "Blk Num", 3}};
    const IndexDescription i = readIndex(x.build(), IndexFileKind::SingleField, fk4);
    EXPECT_EQ(describe(i), describe(Expected{"FK", {"FK"}, false, false, true, true, false}));
}

// Format 3.x index files have no field-number list: byte 0x15 names the indexed field.
TEST(ParadoxIndexes, FormatThreeIndexFileNamesItsFieldByNumber)
{
    KORVEX_REQUIRE_SAMPLES();
    const Table pcl = loadSample("teverett+paradoxReader/src/test/resources/examples/PCLDATA/PCL.DB");
    ASSERT_LT(pcl.header.fileVersionID, 5);
    ASSERT_EQ(pcl.header.fileType, 2);
    const auto& field = pcl.header.fields[4];
    IndexFileBuilder x;
    x.version = 3;
    x.fileType = 5;
    x.indexFieldNumber = 5;
    x.fields = {{field.typeCode, field.sizeByte, "Sec Key", 0},
                {3, 2, "Tup No", 0},
                {3, 2, "Blk Num", 0},
                {3, 2, "Tup Offset", 0}};
    const IndexDescription i = readIndex(x.build(), IndexFileKind::SingleField, pcl);
    EXPECT_EQ(i.name, pcl.definition.fields[4].name);
    EXPECT_EQ(i.fields, pcl.definition.fields[4].name);

    x.indexFieldNumber = 18;
    EXPECT_EQ(indexFailure(x.build(), IndexFileKind::SingleField, pcl).detail().toStdString(),
              "the index does not fit the table: the index is on field 18, but the table has 17 fields");
}

// An index file that describes other fields than the table's (left over from another
// table or an earlier structure) is refused, naming what does not match.
TEST(ParadoxIndexes, IndexOfAnotherTableIsRefused)
{
    KORVEX_REQUIRE_SAMPLES();
    const Table c = loadSample(Joins + "C.DB");                                 // C (key), A, B: all Long
    const QByteArray fk1x = test::readWholeFile(samplePath(Joins + "fk1.x02")); // FK (I), ID (+), Blk Num
    EXPECT_EQ(indexFailure(fk1x, IndexFileKind::SingleField, c).detail().toStdString(),
              "the index does not fit the table: field 1 of the index file is named \"FK\", but the table's "
              "field 2 is \"A\"");

    const Table fk1 = loadSample(Joins + "fk1.db");
    const QByteArray cx = test::readWholeFile(samplePath(Joins + "C.X03")); // B, C, Blk Num
    const FormatError wrongNumber = indexFailure(cx, IndexFileKind::SingleField, fk1);
    EXPECT_EQ(wrongNumber.detail().toStdString(),
              "the index does not fit the table: index field 1 is field 3, but the table has "
              "2 fields");
    EXPECT_EQ(wrongNumber.file(), "T.XG0");

    const Table fk2 = loadSample(Joins + "fk2.db"); // ID (+), FK (I)
    QByteArray retyped = test::readWholeFile(samplePath(Joins + "fk2.x02"));
    retyped[0x78] = char(0x03); // FK as a Short
    retyped[0x79] = char(0x02);
    const FormatError type = indexFailure(retyped, IndexFileKind::SingleField, fk2);
    EXPECT_EQ(type.detail().toStdString(),
              "the index does not fit the table: field 1 (\"FK\") of the index file has type 0x03 "
              "size 2, but the table's field 2 (\"FK\") has type 0x04 size 4");
    EXPECT_EQ(type.offset(), 0x78u);

    QByteArray rekeyed = test::readWholeFile(samplePath(Joins + "fk2.x02"));
    rekeyed[0x7A] = char(0x04); // the key part's ID as a Long
    const FormatError key = indexFailure(rekeyed, IndexFileKind::SingleField, fk2);
    EXPECT_TRUE(key.detail().startsWith(
        "the index does not fit the table: in the key part, field 2 (\"ID\") of the index file"))
        << key.message().toStdString();

    // A composite index's file under a single-field name, and the other way round.
    const Table fk4 = loadSample(Joins + "fk4.db");
    const QByteArray xg = test::readWholeFile(samplePath(Joins + "fk4.XG0"));
    EXPECT_EQ(indexFailure(xg, IndexFileKind::SingleField, fk4).detail().toStdString(),
              "not the data file of a single-field index (.Xnn) (file type 8: composite secondary index data, "
              "maintained)");
    EXPECT_EQ(indexFailure(test::readWholeFile(samplePath(Joins + "fk4.YG0")), IndexFileKind::Composite, fk4)
                  .detail()
                  .toStdString(),
              "not the data file of a composite index (.XGn) (file type 7: composite secondary index tree)");

    QByteArray unnamed = xg;
    unnamed[0x10D - 10] = '\0'; // the name "reference", ending at 0x10D, cut to nothing
    EXPECT_EQ(indexFailure(unnamed, IndexFileKind::Composite, fk4).detail().toStdString(),
              "the composite index has no name");
}

// Through the files: a missing or damaged index tree, an index of another table, and an
// unreadable data file each make the list fail naming the file; a tree without its data
// file is ignored.
TEST(ParadoxIndexes, MissingOrDamagedFilesFailTheListNamingTheFile)
{
    KORVEX_REQUIRE_SAMPLES();
    {
        ScratchFolder s;
        s.copy(Joins + "fk1.db");
        s.copy(Joins + "fk1.px");
        s.copy(Joins + "fk1.x02");
        // A missing tree is named itself, by its full path.
        const FormatError e = listFailure(s.path("fk1.db"));
        EXPECT_EQ(e.kind(), FormatError::Kind::Missing);
        EXPECT_EQ(e.file(), s.path("fk1.y02"));
        EXPECT_EQ(e.detail(), "no such file; it holds the index tree of " + s.path("fk1.x02"));

        s.copy(Joins + "fk1.x02", "fk1.y02");
        const FormatError tree = listFailure(s.path("fk1.db"));
        EXPECT_EQ(tree.file(), s.path("fk1.y02"));
        EXPECT_EQ(tree.detail().toStdString(),
                  "not the index tree of a single-field index (.Xnn) (file type 5: secondary index "
                  "data, maintained)");

        QFile::remove(s.path("fk1.y02"));
        s.copy(Joins + "fk1.y02", "FK1.Y02"); // found without regard to case
        EXPECT_EQ(indexesOf(s.path("fk1.db")).size(), 2u);

        // Through the engine: the list fails with its own code and the file in the message.
        QFile::remove(s.path("FK1.Y02"));
        DatabaseEngine engine;
        TableHandle h = 0;
        ASSERT_EQ(engine.OpenTable(s.dir.path(), "fk1.db", h), result::Ok);
        std::vector<IndexDescription> list;
        EXPECT_EQ(engine.ListIndexes(h, list), result::IndexMissing);
        EXPECT_TRUE(engine.lastError().startsWith(s.path("fk1.y02") + ": no such file"))
            << engine.lastError().toStdString();
        int count = -1;
        EXPECT_EQ(engine.readIndexCount(h, count), result::IndexMissing);
    }
    {
        // C's indexes with fk1's index file in the place of C.X02: listed by its file's
        // name, without fields, and told.
        ScratchFolder s;
        for (const char* f : {"C.DB", "C.PX", "C.X03", "C.Y03", "C.Y02"})
            s.copy(Joins + f);
        s.copy(Joins + "fk1.x02", "C.X02");
        const auto files = loadTable(s.path("C.DB"));
        QStringList warnings;
        const auto listed = readIndexes(readTable(files.dbBytes(), nullptr), korvex::TableFiles(s.path("C.DB")),
                                        &warnings);
        expectIndexes(listed, {primaryOn({"C"}), {"C.X02", {}, false, true, false, false, false}, single("B")});
        ASSERT_EQ(warnings.size(), 1);
        EXPECT_TRUE(warnings[0].startsWith(s.path("C.X02") + ": the index \"C.X02\" does not fit the table"))
            << warnings[0].toStdString();

        QFile::remove(s.path("C.X02")); // now C.Y02 stands alone
        expectIndexes(indexesOf(s.path("C.DB")), {primaryOn({"C"}), single("B")});

        s.copy(Joins + "C.X02");
        QFile(s.path("C.X02")).setPermissions(QFileDevice::WriteOwner); // cannot be read
        if (!QFile(s.path("C.X02")).open(QIODevice::ReadOnly)) {
            const FormatError unreadable = listFailure(s.path("C.DB"));
            EXPECT_EQ(unreadable.file(), s.path("C.X02"));
        }
    }
}

TEST(ParadoxIndexes, EngineListsTheIndexesWithTheirFieldNames)
{
    KORVEX_REQUIRE_SAMPLES();
    DatabaseEngine engine;
    TableHandle h = 0;
    ASSERT_EQ(engine.OpenTable(samplePath(Joins), "FK4.DB", h), result::Ok) << engine.lastError().toStdString();
    int count = 0;
    ASSERT_EQ(engine.readIndexCount(h, count), result::Ok);
    EXPECT_EQ(count, 2);
    std::vector<IndexDescription> indexes;
    ASSERT_EQ(engine.ListIndexes(h, indexes), result::Ok);
    ASSERT_EQ(indexes.size(), 2u);
    EXPECT_TRUE(indexes[0].primary);
    EXPECT_EQ(indexes[0].fields, "ID");
    EXPECT_EQ(indexes[1].name, "reference");
    EXPECT_EQ(indexes[1].fields, "FK1;FK");
    EXPECT_TRUE(indexes[1].maintained);
    EXPECT_FALSE(indexes[1].caseInsensitive);

    std::array<std::byte, record::PropertiesSize> props{};
    ASSERT_EQ(engine.ReadTableProperties(h, props), result::Ok);
    EXPECT_EQ(std::to_integer<int>(props[record::properties::IndexCount]), 2);
}

// Cut short inside its header, every sample index file fails; every byte value at every
// offset of two files' used headers, and edge values in all the others, either fail with
// FormatError or give an index on the table's own fields.
TEST(ParadoxIndexes, CutAndAlteredIndexFilesFailCleanly)
{
    KORVEX_REQUIRE_SAMPLES();
    QElapsedTimer timer;
    timer.start();
    long attempts = 0;
    for (const auto& path : sampleIndexFiles()) {
        SCOPED_TRACE(path.toStdString());
        const Table t = loadSample(QDir(samplePath({})).relativeFilePath(tableOf(path)));
        const auto kind = indexFileName(QFileInfo(path).suffix())->kind;
        QByteArray x = test::readWholeFile(path);
        const ParadoxHeader h = parseHeader(ByteReader(FileBytes{"x", test::asBytes(x)}));
        for (qsizetype n = 0; n < h.headerSize; n += (n < qsizetype(h.parsedEnd) ? 1 : 97)) {
            EXPECT_THROW(readIndex(x.left(n), kind, t), FormatError) << n;
            ++attempts;
        }
        QStringList tableNames;
        for (const auto& f : t.definition.fields)
            tableNames << f.name;
        const bool exhaustive = path.endsWith("fk4.XG0") || path.endsWith("case.x01");
        for (std::size_t offset = 0; offset < h.parsedEnd; ++offset) {
            const char saved = x[qsizetype(offset)];
            const int o = std::uint8_t(saved);
            const std::vector<int> edges = {0x00, 0x01, 0x7F, 0x80, 0xFF, (o + 1) & 0xFF, (o + 0xFF) & 0xFF, o ^ 0x20};
            for (int v = 0; v < (exhaustive ? 256 : int(edges.size())); ++v) {
                x[qsizetype(offset)] = char(exhaustive ? v : edges[std::size_t(v)]);
                ++attempts;
                try {
                    const IndexDescription i = readIndex(x, kind, t);
                    ASSERT_FALSE(i.fields.isEmpty());
                    ASSERT_FALSE(i.name.isEmpty());
                    const QStringList fields = i.fields.split(';');
                    for (const auto& f : fields)
                        ASSERT_TRUE(tableNames.contains(f)) << offset;
                    if (kind == IndexFileKind::SingleField) {
                        ASSERT_EQ(fields.size(), 1);
                    }
                } catch (const FormatError& e) {
                    ASSERT_EQ(e.file(), "T.XG0");
                }
            }
            x[qsizetype(offset)] = saved;
        }
    }
    std::cout << "[ timing   ] " << attempts << " cut and altered index files in " << timer.elapsed() << " ms\n";
}

// The index fuzz target's entry over its seeds (the samples' index data files), its kept corpus and every
// input that once made it fail.
TEST(ParadoxIndexes, FuzzEntryReplaysSeedsAndRegressions)
{
    QStringList inputs;
    if (!test::samplesDir().isEmpty())
        inputs = sampleIndexFiles();
    const QDir regressions(QStringLiteral(KORVEX_PARADOX_REGRESSIONS));
    for (const auto& entry : regressions.entryList({"index-*"}, QDir::Files))
        inputs << regressions.filePath(entry);
    inputs << test::filesWithSuffix(QStringLiteral(KORVEX_FUZZ_CORPUS) + QStringLiteral("/fuzz_paradox_index"),
                                    {QString()});
    if (inputs.isEmpty())
        GTEST_SKIP() << "no sample index files and no kept index-* fuzz inputs in " KORVEX_PARADOX_REGRESSIONS;
    for (const auto& path : inputs) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray data = test::readWholeFile(path);
        fuzzParadoxIndex(reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size()));
    }
}
