// The migration scripts of korvex-report --ddl, loaded into the private PostgreSQL cluster
// (a scratch database per test) and into SQLite through the sqlite3 program, and the
// translations they are made of.
#include "DdlScript.h"
#include "ClusterState.h"
#include "XbaseExpression.h"

#include "DemoDatabase.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <set>

using namespace korvex;

namespace {

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Outcome run(const QString& program, const QStringList& args, const QByteArray& input = {},
            const QStringList& environment = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& e : environment)
        env.insert(e.section(u'=', 0, 0), e.section(u'=', 1));
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    Outcome o;
    if (!p.waitForFinished(120000))
        return o;
    o.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    o.out = p.readAllStandardOutput();
    o.err = p.readAllStandardError();
    return o;
}

Outcome ddl(const QString& dialect, const QStringList& tables, const QStringList& environment = {})
{
    return run(QStringLiteral(KORVEX_REPORT_EXE), QStringList{QStringLiteral("--ddl"), dialect} + tables, {},
               environment);
}

// The private cluster's socket folder, or why there is none.
QString clusterHost(QString& missing)
{
    const korvex::server::test::Cluster cluster = korvex::server::test::readCluster(QStringLiteral(KORVEX_PG_STATE));
    missing = cluster.missing;
    return cluster.host;
}

// A database of its own in the private cluster, made by the cluster's administrator (trusted
// on the socket) and dropped at the end.
class ScratchDatabase {
public:
    explicit ScratchDatabase(QString host)
        : host_(std::move(host)), name_(QStringLiteral("ddl_") + QUuid::createUuid().toString(QUuid::Id128).left(12))
    {
        made_ = psql(QStringLiteral("postgres"), {QStringLiteral("-c"), QStringLiteral("create database ") + name_})
                    .exitCode == 0;
    }
    ~ScratchDatabase()
    {
        if (made_)
            psql(QStringLiteral("postgres"), {QStringLiteral("-c"), QStringLiteral("drop database ") + name_});
    }
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    bool made() const { return made_; }
    const QString& name() const { return name_; }
    // Runs a script as psql runs a file: stops at the first error.
    Outcome load(const QByteArray& script) const
    {
        return psql(name_,
                    {QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-f"),
                     QStringLiteral("-")},
                    script);
    }
    // The rows of a query, one line each, columns separated by "|".
    std::string query(const QString& sql) const
    {
        return psql(name_, {QStringLiteral("-At"), QStringLiteral("-c"), sql}).out.trimmed().toStdString();
    }

private:
    Outcome psql(const QString& database, const QStringList& args, const QByteArray& input = {}) const
    {
        return run(QStringLiteral("psql"),
                   QStringList{QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-h"), host_,
                               QStringLiteral("-U"), QStringLiteral("korvex_admin"), QStringLiteral("-d"), database} +
                       args,
                   input);
    }

    QString host_;
    QString name_;
    bool made_ = false;
};

Outcome sqlite(const QString& file, const QByteArray& script)
{
    return run(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), file}, script);
}

// Every folder of the samples that holds tables.
QStringList sampleFolders()
{
    std::set<QString> folders;
    for (const auto& f : test::filesWithSuffix(test::samplesDir(), {QStringLiteral(".db"), QStringLiteral(".dbf")}))
        folders.insert(QFileInfo(f).path());
    return {folders.begin(), folders.end()};
}

#define REQUIRE_CLUSTER(host)                                                                                          \
    QString missing;                                                                                                   \
    const QString host = clusterHost(missing);                                                                         \
    if (!missing.isEmpty())                                                                                            \
    GTEST_SKIP() << missing.toStdString()

} // namespace

TEST(DdlScript, EverySampleFolderLoadsIntoPostgresAndSqlite)
{
    KORVEX_REQUIRE_SAMPLES();
    REQUIRE_CLUSTER(host);
    QTemporaryDir work;
    int loaded = 0;
    for (const auto& folder : sampleFolders()) {
        const Outcome pg = ddl(QStringLiteral("postgresql"), {folder});
        ASSERT_TRUE(pg.out.startsWith("-- ")) << folder.toStdString() << pg.err.toStdString();
        const ScratchDatabase db(host);
        ASSERT_TRUE(db.made());
        const Outcome load = db.load(pg.out);
        EXPECT_EQ(load.exitCode, 0) << folder.toStdString() << ": " << load.err.toStdString();
        EXPECT_TRUE(load.err.isEmpty()) << load.err.toStdString();
        const Outcome lite = sqlite(work.filePath(QStringLiteral("%1.sqlite").arg(loaded)),
                                    ddl(QStringLiteral("sqlite"), {folder}).out);
        EXPECT_EQ(lite.exitCode, 0) << folder.toStdString() << ": " << lite.err.toStdString();
        // Every table that could be read is there.
        const int tables = int(pg.out.count("\nCREATE TABLE "));
        EXPECT_EQ(db.query("select count(*) from pg_tables where schemaname = 'public'"), std::to_string(tables))
            << folder.toStdString();
        ++loaded;
    }
    EXPECT_GT(loaded, 20);
}

namespace {

// The demo database, made once for the tests below, and why it could not be made.
QTemporaryDir* demoFolder = nullptr;
QString demoProblem;

class DdlDemo : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        demoFolder = new QTemporaryDir;
        demoProblem = test::makeDemoDatabase(demoFolder->filePath(QStringLiteral("demo")));
    }
    static void TearDownTestSuite()
    {
        delete demoFolder;
        demoFolder = nullptr;
    }
    void SetUp() override
    {
        if (!demoProblem.isEmpty())
            GTEST_SKIP() << demoProblem.toStdString();
    }
    static QString demo() { return demoFolder->filePath(QStringLiteral("demo")); }
    static QString work(const QString& name) { return demoFolder->filePath(name); }
};

} // namespace

TEST_F(DdlDemo, PostgresHoldsTheTypesChecksKeysIndexesAndLinks)
{
    REQUIRE_CLUSTER(host);
    const ScratchDatabase db(host);
    ASSERT_TRUE(db.made());
    const Outcome script = ddl(QStringLiteral("postgresql"), {demo()});
    ASSERT_EQ(script.exitCode, 0) << script.err.toStdString();
    const Outcome load = db.load(script.out);
    ASSERT_EQ(load.exitCode, 0) << load.err.toStdString();

    const auto column = [&](const char* table, const char* name) {
        return db.query(QStringLiteral("select format_type(atttypid, atttypmod) || '|' || attnotnull || '|' || "
                                       "attidentity::text from pg_attribute where attrelid = '\"%1\"'::regclass and "
                                       "attname = '%2'")
                            .arg(QLatin1String(table), QLatin1String(name)));
    };
    EXPECT_EQ(column("CUSTOMER", "CreditLimit"), "numeric(19,4)|false|");
    EXPECT_EQ(column("CUSTOMER", "Name"), "character varying(40)|true|");
    EXPECT_EQ(column("ITEMS", "ItemId"), "integer|true|d"); // an identity, by default
    EXPECT_EQ(column("ITEMS", "Qty"), "smallint|false|");
    EXPECT_EQ(column("ITEMS", "Weight"), "double precision|false|");
    EXPECT_EQ(column("ORDERS", "Discount"), "numeric(32,2)|false|");
    EXPECT_EQ(column("ORDERS", "ShipBy"), "time(3) without time zone|false|");
    EXPECT_EQ(column("ORDERS", "Entered"), "timestamp(3) without time zone|false|");
    EXPECT_EQ(column("ORDERS", "Paid"), "boolean|false|");
    EXPECT_EQ(column("PRODUCTS", "STOCK"), "numeric(6,0)|false|"); // N(6,0), never numeric(0)
    EXPECT_EQ(column("PRODUCTS", "PRICE"), "numeric(10,2)|false|");
    EXPECT_EQ(column("SUPPLIER", "SUPPNO"), "integer|true|d"); // dBASE 7 autoincrement
    // The server's counter goes on where the table's stopped.
    EXPECT_EQ(db.query("select seqstart from pg_sequence where seqrelid = "
                       "pg_get_serial_sequence('\"SUPPLIER\"', 'SUPPNO')::regclass"),
              "3");
    EXPECT_EQ(column("SUPPLIER", "BALANCE"), "double precision|false|");
    EXPECT_EQ(column("CATEGORY", "NOTE"), "text|false|");

    EXPECT_EQ(db.query("select pg_get_expr(adbin, adrelid) from pg_attrdef where adrelid = '\"ORDERS\"'::regclass "
                       "and adnum = 5"),
              "'2026-01-15 09:30:00'::timestamp without time zone");
    EXPECT_EQ(db.query("select pg_get_constraintdef(oid) from pg_constraint where conrelid = '\"ORDERS\"'::regclass "
                       "and contype = 'c' and pg_get_constraintdef(oid) like '%Discount%'"),
              "CHECK (((\"Discount\" >= (0)::numeric) AND (\"Discount\" <= 25.5)))");
    EXPECT_EQ(db.query("select string_agg(a.attname, ',' order by a.attnum) from pg_index i join pg_attribute a on "
                       "a.attrelid = i.indrelid and a.attnum = any(i.indkey) where i.indrelid = "
                       "'\"ITEMS\"'::regclass and i.indisprimary"),
              "ItemId");
    EXPECT_EQ(db.query("select indexdef from pg_indexes where indexname = 'ORDERS_NewestFirst'"),
              "CREATE INDEX \"ORDERS_NewestFirst\" ON public.\"ORDERS\" USING btree (\"OrderDate\" DESC)");
    EXPECT_EQ(db.query("select indexdef from pg_indexes where indexname = 'CUSTOMER_ByPlace'"),
              "CREATE INDEX \"CUSTOMER_ByPlace\" ON public.\"CUSTOMER\" USING btree (lower((\"Country\")::text), "
              "lower((\"City\")::text))");
    EXPECT_EQ(db.query("select indisunique from pg_index where indexrelid = '\"ITEMS_OrderPart\"'::regclass"), "t");
    EXPECT_EQ(db.query("select col_description('\"CUSTOMER\"'::regclass, 5)"), "Picture: (###) ###-####");
    // The links with their rules: a cascading one and a restricting one.
    EXPECT_EQ(db.query("select conrelid::regclass || '>' || confrelid::regclass || '|' || confupdtype::text || "
                       "confdeltype::text from pg_constraint where contype = 'f' order by conname"),
              "\"ITEMS\">\"ORDERS\"|rr\n\"ORDERS\">\"CUSTOMER\"|cr");
}

TEST_F(DdlDemo, SqliteRefusesWhatTheTypesDoNotHold)
{
    const QString file = work(QStringLiteral("demo.sqlite"));
    const Outcome script = ddl(QStringLiteral("sqlite"), {demo()});
    ASSERT_EQ(script.exitCode, 0) << script.err.toStdString();
    ASSERT_EQ(sqlite(file, script.out).exitCode, 0);
    const auto insert = [&](const char* sql) {
        return sqlite(file, QByteArray("PRAGMA foreign_keys = ON;\n") + sql).exitCode;
    };
    EXPECT_EQ(insert("insert into CUSTOMER (CustNo, Name, Active) values (1000, 'A', 1);"), 0);
    EXPECT_NE(insert("insert into CUSTOMER (CustNo, Name, Active) values (1001, 'B', 'T');"), 0);
    EXPECT_NE(insert("insert into CUSTOMER (CustNo, Name, Active) values (1002, 'C', 2);"), 0);
    EXPECT_NE(insert("insert into ORDERS (OrderNo, CustNo, OrderDate) values (1, 1000, '2024-02-30');"), 0);
    EXPECT_NE(insert("insert into ORDERS (OrderNo, CustNo, OrderDate) values (2, 1000, '29.02.2024');"), 0);
    EXPECT_NE(insert("insert into ORDERS (OrderNo, CustNo, OrderDate, ShipBy) values (3, 1000, '2024-02-29', "
                     "'25:00:00.000');"),
              0);
    EXPECT_NE(insert("insert into ORDERS (OrderNo, CustNo, OrderDate) values (4, 999, '2024-02-29');"), 0)
        << "the link to CUSTOMER holds";
    EXPECT_NE(insert("insert into CUSTOMER (CustNo, Name) values (1, 'below the minimum');"), 0);
    EXPECT_EQ(insert("insert into ORDERS (OrderNo, CustNo, OrderDate, Entered) values (5, 1000, '2024-02-29', "
                     "'2024-02-29T10:00:00.000');"),
              0);
    const Outcome defaults = sqlite(file, "select ShipBy, Paid, Status from ORDERS;");
    EXPECT_EQ(defaults.out, "12:00:00.000|0|N\n");
}

TEST_F(DdlDemo, TheSameBytesUnderAGermanLocale)
{
    for (const char* dialect : {"postgresql", "sqlite"}) {
        const Outcome plain = ddl(QLatin1String(dialect), {demo()}, {"LC_ALL=C.UTF-8", "LANG=C.UTF-8"});
        const Outcome german = ddl(QLatin1String(dialect), {demo()}, {"LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8"});
        ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
        EXPECT_EQ(german.out, plain.out) << dialect;
        EXPECT_TRUE(plain.out.contains("25.5")) << "decimals after a point";
    }
}

namespace {

SchemaField field(const char* name, FieldType type, int size = 0)
{
    SchemaField f;
    f.entry.name = QString::fromUtf8(name);
    f.entry.type = type;
    f.entry.size = size;
    return f;
}

DdlTable table(const char* file, const char* type, std::vector<SchemaField> fields, QStringList stored = {})
{
    DdlTable t;
    t.schema.ok = true;
    t.schema.table.name = QString::fromUtf8(file);
    t.schema.table.databaseName = QStringLiteral("/data");
    t.schema.structure.tableType = QString::fromLatin1(type);
    t.schema.structure.tableTypeKey = QString::fromLatin1(type);
    t.schema.fields = std::move(fields);
    t.storedTypes = std::move(stored);
    return t;
}

} // namespace

TEST(DdlScriptText, TablesOfOneNameAreToldApartAndEveryIdentifierIsQuotedExactly)
{
    std::vector<DdlTable> tables;
    tables.push_back(table("ORDERS.DB", "PARADOX", {field("say \"hi\"", FieldType::String, 5)}));
    tables.push_back(
        table("orders.dbf", "DBASE",
              {field("Größe", FieldType::Date), field("GRÖSSE", FieldType::Date), field("größe", FieldType::Date)}));
    const QString script = QString::fromUtf8(ddlScript(SqlDialect::PostgreSql, "/data", "9.9", tables));
    EXPECT_TRUE(script.contains("CREATE TABLE \"ORDERS_DB\" (\n    \"say \"\"hi\"\"\" varchar(5)\n);"));
    EXPECT_TRUE(script.contains("CREATE TABLE \"orders_dbf\""));
    EXPECT_TRUE(script.contains("-- These tables would all be named \"ORDERS\""));
    EXPECT_TRUE(script.contains("ORDERS.DB is \"ORDERS_DB\", orders.dbf is \"orders_dbf\""));
    // Two fields SQL takes for one column: the second keeps its field number.
    EXPECT_TRUE(script.contains("\"GRÖSSE\" date,\n    -- field 3 is the table's second field named \"größe\"\n"
                                "    \"größe_3\" date"))
        << script.toStdString();
    EXPECT_TRUE(script.startsWith("-- Structure of the tables of /data for PostgreSQL, written by Korvex 9.9."));
    EXPECT_TRUE(script.endsWith("COMMIT;\n"));
}

TEST(DdlScriptText, DbaseNumbersKeepWidthAndDecimalsAndSayWhatSqliteLoses)
{
    auto numeric = [](const char* name, int width, int decimals) {
        SchemaField f = field(name, width <= 4 && decimals == 0 ? FieldType::SmallInt : FieldType::Float);
        f.entry.units1 = std::int16_t(width);
        f.entry.units2 = std::int16_t(decimals);
        return f;
    };
    std::vector<DdlTable> tables;
    tables.push_back(table("N.DBF", "DBASE",
                           {numeric("A", 10, 0), numeric("B", 3, 0), numeric("C", 12, 2), numeric("D", 20, 4),
                            numeric("E", 8, 0), field("Y", FieldType::Money)},
                           {"N", "N", "F", "N", "O", "Y"}));
    const QString pg = QString::fromUtf8(ddlScript(SqlDialect::PostgreSql, "x", "1", tables));
    for (const char* column : {"\"A\" numeric(10)", "\"B\" numeric(3)", "\"C\" numeric(12,2)", "\"D\" numeric(20,4)",
                               "\"E\" double precision", "\"Y\" numeric(19,4)"})
        EXPECT_TRUE(pg.contains(QLatin1String(column))) << column;
    EXPECT_FALSE(pg.contains("numeric(0")) << pg.toStdString();
    EXPECT_FALSE(pg.contains("    -- ")) << "no loss in PostgreSQL";

    // A server's numeric keeps its precision; its money is no Paradox double.
    SchemaField amount = field("AMOUNT", FieldType::BCD);
    amount.entry.units1 = 12;
    amount.entry.units2 = 3;
    const QString server = QString::fromUtf8(
        ddlScript(SqlDialect::PostgreSql, "x", "1",
                  {table("T", "POSTGRESQL", {amount, field("CASH", FieldType::Money)})}));
    EXPECT_TRUE(server.contains("\"AMOUNT\" numeric(12,3),\n    \"CASH\" numeric(19,4)\n")) << server.toStdString();

    const QString lite = QString::fromUtf8(ddlScript(SqlDialect::Sqlite, "x", "1", tables));
    EXPECT_TRUE(lite.contains("\"A\" INTEGER,"));
    EXPECT_TRUE(lite.contains("\"C\" REAL,"));
    EXPECT_TRUE(lite.contains("-- \"D\": 20 digits, of which SQLite's REAL keeps 15\n    \"D\" REAL,"));
    EXPECT_TRUE(lite.contains(") STRICT;"));
}

TEST(DdlScriptText, DbaseExpressionsTranslateOnlyWhereTheyMeanTheSame)
{
    std::vector<SchemaField> fields{field("NAME", FieldType::String, 20), field("CITY", FieldType::String, 20),
                                    field("AMOUNT", FieldType::Float), field("BORN", FieldType::Date),
                                    field("ACTIVE", FieldType::Boolean)};
    const auto pg = [&](const char* e) { return translateXbaseExpression(SqlDialect::PostgreSql, e, fields); };
    const auto lite = [&](const char* e) { return translateXbaseExpression(SqlDialect::Sqlite, e, fields); };
    EXPECT_EQ(pg("upper(name)"), "upper(\"NAME\")");
    EXPECT_EQ(pg("NAME+CITY"), "\"NAME\" || \"CITY\"");
    EXPECT_EQ(pg("AMOUNT > 100 .AND. .NOT. ACTIVE"), "\"AMOUNT\" > 100 AND NOT \"ACTIVE\"");
    EXPECT_EQ(lite("ACTIVE = .T."), "\"ACTIVE\" = 1");
    EXPECT_EQ(lite("DTOS(BORN)+NAME"), "strftime('%Y%m%d', \"BORN\") || \"NAME\"");
    EXPECT_EQ(lite("NAME+STR(AMOUNT,8,2)"), "\"NAME\" || printf('%8.2f', \"AMOUNT\")");
    EXPECT_EQ(pg("STR(AMOUNT)"), "lpad(round(\"AMOUNT\"::numeric, 0)::text, 10)");
    EXPECT_EQ(pg("[it's]"), "'it''s'");
    // dBASE compares texts by their beginning and adds numbers with "+": no SQL says that.
    EXPECT_EQ(pg("NAME = \"SMITH\""), std::nullopt);
    EXPECT_EQ(pg("NAME+AMOUNT"), std::nullopt);
    EXPECT_EQ(pg("NAME-CITY"), std::nullopt);
    EXPECT_EQ(pg("SUBSTR(NAME,1,3)"), std::nullopt);
    EXPECT_EQ(pg("DTOS(NAME)"), std::nullopt);
    EXPECT_EQ(pg("OTHER->NAME"), std::nullopt);
    EXPECT_EQ(pg("NOSUCHFIELD"), std::nullopt);
    EXPECT_EQ(pg("\"open"), std::nullopt);
}

TEST(DdlScriptText, LinksInACycleAndToTheTableItselfLoad)
{
    const auto keyed = [](const char* name, FieldType type, int size = 0) {
        SchemaField f = field(name, type, size);
        f.entry.key = true;
        return f;
    };
    const auto link = [](const char* name, const char* master, const char* mine, const char* theirs, bool cascade) {
        return SchemaLink{name, true, master, cascade, {{mine, theirs}}};
    };
    std::vector<DdlTable> tables;
    tables.push_back(table("EMPLOYEE.DB", "PARADOX",
                           {keyed("Id", FieldType::Integer), field("Boss", FieldType::Integer),
                            field("Dept", FieldType::String, 4)}));
    tables.back().schema.links = {link("ReportsTo", "employee.db", "Boss", "Id", true),
                                  link("WorksIn", "DEPT.DB", "Dept", "Code", false),
                                  link("Gone", "OLD.DB", "Boss", "Id", false)};
    tables.push_back(
        table("DEPT.DB", "PARADOX", {keyed("Code", FieldType::String, 4), field("Head", FieldType::Integer)}));
    tables.back().schema.links = {link("HeadIsEmployee", "EMPLOYEE.DB", "Head", "Id", false)};

    const QByteArray pg = ddlScript(SqlDialect::PostgreSql, "x", "1", tables);
    EXPECT_TRUE(pg.contains("-- The link \"Gone\" of EMPLOYEE.DB to OLD.DB is left out: the master table is not in "
                            "this script\n"));
    QString missing;
    const QString host = clusterHost(missing);
    if (missing.isEmpty()) {
        const ScratchDatabase db(host);
        ASSERT_TRUE(db.made());
        const Outcome load = db.load(pg);
        ASSERT_EQ(load.exitCode, 0) << load.err.toStdString() << pg.toStdString();
        EXPECT_EQ(db.query("select string_agg(conname || ':' || confupdtype::text, ',' order by conname) from "
                           "pg_constraint where contype = 'f'"),
                  "DEPT_HeadIsEmployee:r,EMPLOYEE_ReportsTo:c,EMPLOYEE_WorksIn:r");
    }

    QTemporaryDir work;
    const QString file = work.filePath(QStringLiteral("links.sqlite"));
    ASSERT_EQ(sqlite(file, ddlScript(SqlDialect::Sqlite, "x", "1", tables)).exitCode, 0);
    EXPECT_EQ(
        sqlite(file, "select \"table\" || '.' || \"from\" from pragma_foreign_key_list('EMPLOYEE') order by 1;").out,
        "DEPT.Dept\nEMPLOYEE.Boss\n");
    // A row may refer to itself and to a department that refers back.
    EXPECT_EQ(sqlite(file, "PRAGMA foreign_keys = ON; BEGIN; PRAGMA defer_foreign_keys = ON;"
                           "insert into EMPLOYEE values (1, 1, 'HQ'); insert into DEPT values ('HQ', 1); COMMIT;")
                  .exitCode,
              0);
}

// A folder migrated through its script and read back through an alias of the database: the
// diff shows nothing but what the script says it leaves out.
TEST_F(DdlDemo, TheMigratedDatabaseDiffersOnlyByTheDocumentedLosses)
{
    KORVEX_REQUIRE_SAMPLES();
    REQUIRE_CLUSTER(host);
    const QString samples = test::samplesDir();
    const QStringList foxproLosses{"table contacts.dbf -> contacts changed",
                                   "  index TYPE_ID removed: (contact_type_id)", "table types.dbf -> types changed",
                                   "  index TYPE_ID removed: (contact_type_id)"};
    const std::vector<std::pair<QString, QStringList>> folders{
        {demo(), {}},
        {samples + "/paradox/leonhad+paradoxdriver/src/test/resources/db", {}},
        {samples + "/dbase/infused+dbf/spec/fixtures/foxprodb", foxproLosses},
    };
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkpath("korvex"));
    for (const auto& [folder, losses] : folders) {
        ScratchDatabase db(host);
        ASSERT_TRUE(db.made());
        const Outcome script = ddl(QStringLiteral("postgresql"), {folder});
        ASSERT_EQ(script.exitCode, 0) << script.err.toStdString();
        const Outcome loaded = db.load(script.out);
        ASSERT_EQ(loaded.exitCode, 0) << loaded.err.toStdString();
        ASSERT_TRUE(test::writeFile(home.filePath("korvex/aliases.ini"),
                                    QStringLiteral("[Migrated]\nTYPE=POSTGRESQL\nSERVER NAME=%1\nDATABASE NAME=%2\n"
                                                   "USER NAME=korvex_admin\n")
                                        .arg(host, db.name())
                                        .toUtf8()));
        const Outcome diff = run(QStringLiteral(KORVEX_REPORT_EXE), {"--diff", folder, "alias:Migrated"}, {},
                                 {QStringLiteral("XDG_CONFIG_HOME=") + home.path(), QStringLiteral("LC_ALL=C.UTF-8")});
        EXPECT_EQ(diff.exitCode, losses.isEmpty() ? 0 : 1) << folder.toStdString() << "\n" << diff.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(diff.out).split('\n', Qt::SkipEmptyParts).mid(2), losses) << diff.out.toStdString();
        // A snapshot keeps no stored types, yet its fields meet their columns just the same.
        const QString snapshot = home.filePath("snapshot.json");
        ASSERT_TRUE(test::writeFile(snapshot, run(QStringLiteral(KORVEX_REPORT_EXE), {"--json", folder}).out));
        const Outcome fromSnapshot = run(QStringLiteral(KORVEX_REPORT_EXE), {"--diff", snapshot, "alias:Migrated"}, {},
                                         {QStringLiteral("XDG_CONFIG_HOME=") + home.path(),
                                          QStringLiteral("LC_ALL=C.UTF-8")});
        EXPECT_EQ(QString::fromUtf8(fromSnapshot.out).split('\n', Qt::SkipEmptyParts).mid(2), losses)
            << fromSnapshot.out.toStdString();
        for (int i = 1; i < losses.size(); i += 2)
            EXPECT_TRUE(script.out.contains("-- The index \"TYPE_ID\" of " + losses[i - 1].section(' ', 1, 1).toUtf8() +
                                            " is left out"));
    }
}

// SQLite gives a text column's range back as a CHECK of the table, and its defaults as SQL
// literals: the diff still finds them. What it shows is the one loss the script names: a
// counter that is not the single key is no counter in SQLite, nor required.
TEST_F(DdlDemo, TheDemoMigratedToSqliteDiffersOnlyByItsUncountedCounter)
{
    const QString file = work(QStringLiteral("diff.sqlite"));
    const Outcome script = ddl(QStringLiteral("sqlite"), {demo()});
    ASSERT_EQ(sqlite(file, script.out).exitCode, 0);
    ASSERT_TRUE(script.out.contains("-- \"SUPPNO\": SQLite counts only a single INTEGER PRIMARY KEY by itself"));
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkpath("korvex"));
    ASSERT_TRUE(test::writeFile(home.filePath("korvex/aliases.ini"),
                                QStringLiteral("[Lite]\nTYPE=SQLITE\nDATABASE NAME=%1\n").arg(file).toUtf8()));
    const Outcome diff = run(QStringLiteral(KORVEX_REPORT_EXE), {"--diff", demo(), "alias:Lite"}, {},
                             {QStringLiteral("XDG_CONFIG_HOME=") + home.path()});
    EXPECT_EQ(diff.exitCode, 1) << diff.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(diff.out).split('\n', Qt::SkipEmptyParts).mid(2),
              (QStringList{"table SUPPLIER.DBF -> SUPPLIER changed", "  field SUPPNO changed: required true -> false"}))
        << diff.out.toStdString();
}
