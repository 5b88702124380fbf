// The demo database that the main job prints: the maker writes every file of it and the
// same bytes on every run, every table opens in korvex-report with the fields and
// validity values the demo describes, and pxlib, an independent reader, reads the index
// files whose headers our companion writer completes.

#include "TestSupport.h"

extern "C" {
#include <paradox.h>
}

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ProcessResult runProgram(const QString& program, const QStringList& args)
{
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(120000);
    return ProcessResult{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                         p.readAllStandardError()};
}

ProcessResult makeDemo(const QString& folder)
{
    return runProgram(QStringLiteral(KORVEX_MAKE_DEMO), {folder});
}

const QStringList DemoFiles = {
    "CATEGORY.DBF", "CATEGORY.DBT",                                                 // python3-dbf
    "CUSTOMER.DB",  "CUSTOMER.MB",  "CUSTOMER.PX",  "CUSTOMER.VAL", "CUSTOMER.X02", // pxlib and
    "CUSTOMER.XG0", "CUSTOMER.Y02", "CUSTOMER.YG0",                                 // the companion
    "ITEMS.DB",     "ITEMS.PX",     "ITEMS.VAL",    "ITEMS.X02",    "ITEMS.XG0",    // writer
    "ITEMS.Y02",    "ITEMS.YG0",    "ORDERS.DB",    "ORDERS.PX",    "ORDERS.VAL",   "ORDERS.X02",
    "ORDERS.XG0",   "ORDERS.Y02",   "ORDERS.YG0",   "PRODUCTS.DBF", "PRODUCTS.dbt", "PRODUCTS.mdx", // TDbf
    "SUPPLIER.DBF", "SUPPLIER.mdx",
};

// Relative name and SHA-256 of every file of a folder.
std::vector<std::pair<QString, QByteArray>> contentOf(const QString& folder)
{
    auto sums = korvex::test::checksumTree(folder);
    for (auto& [path, sum] : sums)
        path = QDir(folder).relativeFilePath(path);
    return sums;
}

// The demo, made once per test run into KORVEX_DEMO_DIR by ctest's demo_database fixture;
// a suite run by hand makes it there when it is missing.
class DemoDatabase : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QFileInfo::exists(path(QStringLiteral("CUSTOMER.DB"))))
            made = new ProcessResult(makeDemo(folder()));
    }
    static void TearDownTestSuite()
    {
        delete made;
        made = nullptr;
    }
    void SetUp() override
    {
        if (made) {
            ASSERT_EQ(made->exitCode, 0) << made->err.toStdString();
        }
    }
    static QString folder() { return QStringLiteral(KORVEX_DEMO_DIR); }
    static QString path(const QString& file) { return QDir(folder()).filePath(file); }

    static ProcessResult* made;
};
ProcessResult* DemoDatabase::made = nullptr;

TEST_F(DemoDatabase, HoldsEveryFileOfTheDemoAndNothingElse)
{
    QStringList files = QDir(folder()).entryList(QDir::Files, QDir::Name);
    QStringList expected = DemoFiles;
    expected.sort();
    EXPECT_EQ(files, expected);
}

TEST_F(DemoDatabase, MakingItAgainWritesTheSameBytes)
{
    const auto first = contentOf(folder());
    ASSERT_EQ(first.size(), std::size_t(DemoFiles.size()));

    QTemporaryDir other;
    ASSERT_EQ(makeDemo(other.path()).exitCode, 0);
    EXPECT_EQ(contentOf(other.path()), first) << "a fresh folder";

    // Over its own earlier output, too.
    const auto again = makeDemo(other.path());
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(contentOf(other.path()), first) << "the same folder again";
}

TEST(DemoDatabaseMaker, NeedsExactlyOneFolder)
{
    EXPECT_EQ(runProgram(QStringLiteral(KORVEX_MAKE_DEMO), {}).exitCode, 2);
    EXPECT_EQ(runProgram(QStringLiteral(KORVEX_MAKE_DEMO), {"a", "b"}).exitCode, 2);
}

// One field row as korvex-report prints it (C locale).
struct FieldRow {
    const char* name;
    const char* typeName;
    const char* size;
    bool key;
    const char* minimum;
    const char* maximum;
    const char* defaultValue;
    const char* picture;
};

struct TableExpectation {
    const char* file;
    const char* typeOfTable;
    const char* languageDriver;
    int validityChecks;
    std::vector<FieldRow> fields;
};

// What the demo's description says each table holds, in the report's words.
std::vector<TableExpectation> expectedTables()
{
    return {
        {"CUSTOMER.DB",
         "PARADOX 7",
         "Pdox ANSI Intl",
         8,
         {
             {"CustNo", "Integer", "0", true, "1000", "99999", "", ""},
             {"Name", "String", "40", false, "", "", "", ""},
             {"City", "String", "30", false, "", "", "Springfield", ""},
             {"Country", "String", "2", false, "", "", "US", "&&"},
             {"Phone", "String", "20", false, "", "", "", "(###) ###-####"},
             {"Since", "Date", "0", false, "1990-01-01", "", "2026-01-15", ""},
             {"CreditLimit", "Money", "0", false, "0", "50000", "1000", ""},
             {"Active", "Boolean", "0", false, "", "", "true", ""},
             {"Notes", "Memo", "10", false, "", "", "", ""},
         }},
        {"ORDERS.DB",
         "PARADOX 7",
         "Pdox ANSI Intl",
         9,
         {
             {"OrderNo", "Integer", "0", true, "1", "", "", ""},
             {"CustNo", "Integer", "0", false, "", "", "", ""},
             {"OrderDate", "Date", "0", false, "2000-01-01", "2099-12-31", "", ""},
             {"ShipBy", "Time", "0", false, "08:00:00", "18:00:00", "12:00:00", ""},
             // The JSON gives a timestamp whole, midnight included.
             {"Entered", "Date/Time", "0", false, "2000-01-01T00:00:00", "", "2026-01-15T09:30:00", ""},
             {"Discount", "BCD", "2", false, "0", "25.5", "", ""},
             {"Total", "Money", "0", false, "0", "", "", ""},
             {"Paid", "Boolean", "0", false, "", "", "false", ""},
             {"Status", "String", "1", false, "", "", "N", "{N,P,S,C}"},
         }},
        {"ITEMS.DB",
         "PARADOX 7",
         "Pdox ANSI Intl",
         5,
         {
             {"ItemId", "Auto-Inc", "0", true, "", "", "", ""},
             {"OrderNo", "Integer", "0", false, "", "", "", ""},
             {"PartNo", "String", "7", false, "", "", "", "&&-####"},
             {"Qty", "Small Integer", "0", false, "1", "999", "1", ""},
             {"Price", "Money", "0", false, "0.01", "", "", ""},
             {"Weight", "Float", "0", false, "0", "1000.5", "0.25", ""},
         }},
        {"PRODUCTS.DBF",
         "DBASE 4",
         "'ascii' ANSI",
         0,
         {
             {"PARTNO", "String", "7", false, "", "", "", ""},
             {"NAME", "String", "30", false, "", "", "", ""},
             {"CATEGORY", "String", "4", false, "", "", "", ""},
             {"PRICE", "Float", "10,2", false, "", "", "", ""},
             {"STOCK", "Float", "6,0", false, "", "", "", ""},
             {"ADDED", "Date", "0", false, "", "", "", ""},
             {"ACTIVE", "Boolean", "0", false, "", "", "", ""},
             {"NOTES", "Memo", "1", false, "", "", "", ""},
         }},
        {"SUPPLIER.DBF",
         "DBASE 7",
         "'ascii' ANSI",
         0,
         {
             {"SUPPNO", "Auto-Inc", "0", false, "", "", "", ""},
             {"NAME", "String", "30", false, "", "", "", ""},
             {"RATING", "Integer", "0", false, "", "", "", ""},
             {"BALANCE", "Float", "8,0", false, "", "", "", ""},
             {"SINCE", "Date", "0", false, "", "", "", ""},
             {"LASTORDER", "Date/Time", "0", false, "", "", "", ""},
         }},
        {"CATEGORY.DBF",
         "DBASE 3",
         "Unknown",
         0,
         {
             {"CODE", "String", "4", false, "", "", "", ""},
             {"NAME", "String", "24", false, "", "", "", ""},
             {"MARGIN", "Float", "5,2", false, "", "", "", ""},
             {"ACTIVE", "Boolean", "0", false, "", "", "", ""},
             {"SINCE", "Date", "0", false, "", "", "", ""},
             {"NOTE", "Memo", "1", false, "", "", "", ""},
         }},
    };
}

TEST_F(DemoDatabase, EveryTableOpensWithItsFieldsAndValidityChecks)
{
    const auto expected = expectedTables();
    QStringList args{"--json"};
    for (const auto& t : expected)
        args << path(t.file);
    const ProcessResult report = runProgram(QStringLiteral(KORVEX_REPORT_EXE), args);
    EXPECT_EQ(report.exitCode, 0) << report.err.toStdString();
    QJsonParseError error{};
    const auto tables = QJsonDocument::fromJson(report.out, &error).object().value("tables").toArray();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    ASSERT_EQ(tables.size(), qsizetype(expected.size()));

    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& want = expected[i];
        const QJsonObject table = tables[qsizetype(i)].toObject();
        SCOPED_TRACE(want.file);
        ASSERT_TRUE(table.value("ok").toBool()) << table.value("error").toString().toStdString();
        EXPECT_EQ(table.value("typeOfTable").toString(), want.typeOfTable);
        EXPECT_EQ(table.value("languageDriver").toString(), want.languageDriver);
        EXPECT_EQ(table.value("validityCheckCount").toInt(), want.validityChecks);
        const QJsonArray fields = table.value("fields").toArray();
        ASSERT_EQ(fields.size(), qsizetype(want.fields.size()));
        for (std::size_t f = 0; f < want.fields.size(); ++f) {
            const auto& w = want.fields[f];
            const QJsonObject got = fields[qsizetype(f)].toObject();
            SCOPED_TRACE(w.name);
            EXPECT_EQ(got.value("number").toInt(), int(f) + 1);
            EXPECT_EQ(got.value("name").toString(), w.name);
            EXPECT_EQ(got.value("typeName").toString(), w.typeName);
            EXPECT_EQ(got.value("sizeText").toString(), w.size);
            EXPECT_EQ(got.value("key").toBool(), w.key);
            EXPECT_EQ(got.value("min").toString(), w.minimum);
            EXPECT_EQ(got.value("max").toString(), w.maximum);
            EXPECT_EQ(got.value("default").toString(), w.defaultValue);
            EXPECT_EQ(got.value("picture").toString(), w.picture);
        }
    }
}

// pxlib's view of one index file.
struct PxlibView {
    int fileType = -1;
    int records = -1;
    int options = -1;    // the X header's index options (0x55)
    int indexField = -1; // the first indexed field (0x15)
    std::vector<std::string> fieldNames;
    std::vector<long> firstRecordLongs; // the Long, Date and AutoInc fields of record 0
};

PxlibView readWithPxlib(const QString& file)
{
    PxlibView v;
    FILE* fp = std::fopen(file.toLocal8Bit().constData(), "rb");
    if (!fp)
        return v;
    pxdoc_t* px = PX_new();
    if (PX_open_fp(px, fp) == 0) {
        v.fileType = px->px_head->px_filetype;
        v.records = PX_get_num_records(px);
        v.options = px->px_head->px_refintegrity & 0xFF;
        v.indexField = px->px_head->px_indexfieldnumber;
        std::vector<char> record(std::size_t(PX_get_recordsize(px)));
        const bool haveRecord = v.records > 0 && PX_get_record(px, 0, record.data()) != nullptr;
        char* p = record.data();
        for (int i = 0; i < PX_get_num_fields(px); ++i) {
            const pxfield_t* f = PX_get_field(px, i);
            v.fieldNames.emplace_back(f->px_fname ? f->px_fname : "");
            long value = 0;
            if (haveRecord && (f->px_ftype == pxfLong || f->px_ftype == pxfDate || f->px_ftype == pxfAutoInc) &&
                PX_get_data_long(px, p, f->px_flen, &value) > 0)
                v.firstRecordLongs.push_back(value);
            p += f->px_flen;
        }
        PX_close(px);
    }
    PX_delete(px);
    std::fclose(fp);
    return v;
}

TEST_F(DemoDatabase, PxlibReadsTheSecondaryIndexesInTheirOrder)
{
    PX_boot();
    struct Expected {
        const char* file;
        int fileType;
        int records;
        int options;
        int indexField;
        std::vector<std::string> fields;
        std::vector<long> firstLongs;
    };
    const std::vector<Expected> indexes = {
        // Single-field indexes (the ones on the link fields come with the links).
        {"CUSTOMER.X02", 5, 4, 0x00, 2, {"Name", "CustNo", "Blk Num"}, {1004}}, // "Atlas Tools" first
        {"ORDERS.X02", 5, 4, 0x00, 2, {"CustNo", "OrderNo", "Blk Num"}, {1001, 5001}},
        {"ITEMS.X02", 5, 5, 0x00, 2, {"OrderNo", "ItemId", "Blk Num"}, {5001, 1}},
        // Named indexes: case-insensitive, descending (the newest order first, 15 January
        // 2026 = day 739631), unique.
        {"CUSTOMER.XG0", 8, 4, 0x01, 4, {"Country", "City", "CustNo", "Blk Num"}, {1003}},
        {"ORDERS.XG0", 8, 4, 0x10, 3, {"OrderDate", "OrderNo", "Blk Num"}, {739631, 5004}},
        {"ITEMS.XG0", 8, 5, 0x20, 2, {"OrderNo", "PartNo", "ItemId", "Blk Num"}, {5001, 1}},
    };
    for (const auto& want : indexes) {
        SCOPED_TRACE(want.file);
        const PxlibView x = readWithPxlib(path(want.file));
        EXPECT_EQ(x.fileType, want.fileType);
        EXPECT_EQ(x.records, want.records);
        EXPECT_EQ(x.options, want.options);
        EXPECT_EQ(x.indexField, want.indexField);
        EXPECT_EQ(x.fieldNames, want.fields);
        EXPECT_EQ(x.firstRecordLongs, want.firstLongs);

        // The tree over it: the X file's fields but the last, as in a primary index.
        const QString y = QString(want.file).replace(QStringLiteral(".X"), QStringLiteral(".Y"));
        const PxlibView tree = readWithPxlib(path(y));
        EXPECT_EQ(tree.fileType, want.fileType == 5 ? 4 : 7) << y.toStdString();
        EXPECT_EQ(tree.fieldNames.size(), want.fields.size() - 1) << y.toStdString();
        EXPECT_EQ(tree.records, 1) << y.toStdString();
    }
    for (const char* primary : {"CUSTOMER.PX", "ORDERS.PX", "ITEMS.PX"}) {
        const PxlibView px = readWithPxlib(path(primary));
        EXPECT_EQ(px.fileType, 1) << primary;
        EXPECT_EQ(px.fieldNames.size(), 1u) << primary;
    }
    PX_shutdown();
}

} // namespace
