// The whole-database forms of korvex-report and tbls-driver-korvex run as a user runs
// them: the Markdown of the demo database byte for byte, its PDF book checked with qpdf
// and pdftotext, the tbls JSON of every sample directory against tbls' schema, and the
// Qt-Core-only promise of the exports.

#include "DemoDatabase.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <map>
#include <set>

namespace {

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a program in folder with the C locale and its settings in folder/config.
Outcome run(const QString& program, const QStringList& args, const QString& folder, const QStringList& env = {})
{
    QProcess p;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C");
    environment.insert("XDG_CONFIG_HOME", QDir(folder).filePath("config"));
    for (const auto& e : env)
        environment.insert(e.section('=', 0, 0), e.section('=', 1));
    p.setProcessEnvironment(environment);
    p.setWorkingDirectory(folder);
    p.start(program, args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

const QString Report = QStringLiteral(KORVEX_REPORT_EXE);
const QString Golden = QStringLiteral(KORVEX_EXPORT_TESTS_DIR "/golden/demo");
const QStringList DemoTables = {"CATEGORY.DBF", "CUSTOMER.DB", "ITEMS.DB", "ORDERS.DB", "PRODUCTS.DBF", "SUPPLIER.DBF"};

// The demo database in work/demo, made once for the suite.
class Demo : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        work_ = new QTemporaryDir;
        made_ = new QString(korvex::test::makeDemoDatabase(work_->filePath("demo")));
    }
    static void TearDownTestSuite()
    {
        delete made_;
        delete work_;
    }
    void SetUp() override { ASSERT_EQ(*made_, QString()); }
    static QString work() { return work_->path(); }

    static QTemporaryDir* work_;
    static QString* made_;
};
QTemporaryDir* Demo::work_ = nullptr;
QString* Demo::made_ = nullptr;

std::map<QString, QByteArray> filesIn(const QString& folder)
{
    std::map<QString, QByteArray> files;
    for (const auto& name : QDir(folder).entryList(QDir::Files))
        files[name] = korvex::test::readWholeFile(QDir(folder).filePath(name));
    return files;
}

// The aliases file of the programs' settings folder, with the alias Demo.
void writeDemoAlias(const QString& work)
{
    ASSERT_TRUE(QDir().mkpath(QDir(work).filePath("config/korvex")));
    QFile aliases(QDir(work).filePath("config/korvex/aliases.ini"));
    ASSERT_TRUE(aliases.open(QIODevice::WriteOnly));
    aliases.write(("[Demo]\nPATH=" + QDir(work).filePath("demo") + "\n").toUtf8());
}

TEST_F(Demo, MarkdownMatchesTheGoldenFilesByteForByte)
{
    const Outcome first = run(Report, {"--markdown", "md", "demo"}, work());
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    const auto written = filesIn(QDir(work()).filePath("md"));
    if (qEnvironmentVariableIsSet("KORVEX_UPDATE_GOLDEN")) {
        for (const auto& [name, bytes] : written) {
            QFile f(QDir(Golden).filePath(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
    }
    const auto golden = filesIn(Golden);
    ASSERT_EQ(written.size(), golden.size());
    for (const auto& [name, bytes] : golden) {
        ASSERT_TRUE(written.count(name)) << name.toStdString();
        EXPECT_EQ(written.at(name).toStdString(), bytes.toStdString()) << name.toStdString();
    }

    // Again, into a folder that holds the first run's files: the same bytes.
    const Outcome second = run(Report, {"--markdown", "md", "demo"}, work());
    ASSERT_EQ(second.exitCode, 0);
    EXPECT_EQ(filesIn(QDir(work()).filePath("md")), written);
}

TEST_F(Demo, MarkdownTakesTheChosenTranslationOfTheLabels)
{
    QFile settings(QDir(work()).filePath("translated.ini"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Languages]\nCurrent=2\n[Language_1]\nName of table=Tabellenname\nSec. Indexes=Indizes\n");
    settings.close();
    const Outcome r = run(Report, {"--settings", "translated.ini", "--markdown", "md-de", "demo"}, work());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const auto written = filesIn(QDir(work()).filePath("md-de"));
    EXPECT_TRUE(written.at("README.md").contains("| Tabellenname | Type of table |"));
    EXPECT_TRUE(written.at("ORDERS.DB.md").contains("- **Tabellenname:** ORDERS.DB"));
    EXPECT_TRUE(written.at("ORDERS.DB.md").contains("| Indizes | Used Field(s) |"));
}

QJsonObject qpdfJson(const QString& pdf, const QString& folder)
{
    const Outcome json = run("qpdf", {"--json=2", "--json-key=pages", "--json-key=outlines", "--json-key=qpdf", pdf},
                             folder);
    EXPECT_EQ(json.exitCode, 0) << json.err.toStdString();
    return QJsonDocument::fromJson(json.out).object();
}

QString pageText(const QString& pdf, int page, const QString& folder)
{
    const QString n = QString::number(page);
    return QString::fromUtf8(run("pdftotext", {"-layout", "-f", n, "-l", n, pdf, "-"}, folder).out);
}

TEST_F(Demo, TheBookPassesQpdfAndItsBookmarksContentsAndPagesAgree)
{
    const Outcome book = run(Report, {"--book", "demo.pdf", "demo"}, work());
    ASSERT_EQ(book.exitCode, 0) << book.err.toStdString();
    const QString pdf = QDir(work()).filePath("demo.pdf");
    const Outcome check = run("qpdf", {"--check", pdf}, work());
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString() << check.err.toStdString();
    EXPECT_TRUE(check.out.contains("No syntax or stream encoding errors found"));

    const QJsonObject json = qpdfJson(pdf, work());
    std::map<QString, int> pageOf; // page object -> page number from 1
    const QJsonArray pages = json["pages"].toArray();
    for (int i = 0; i < pages.size(); ++i)
        pageOf[pages[i].toObject()["object"].toString()] = i + 1;
    const QJsonObject objects = json["qpdf"].toArray()[1].toObject();
    const auto object = [&](const QString& ref) { return objects["obj:" + ref].toObject()["value"].toObject(); };
    EXPECT_EQ(object(objects["trailer"].toObject()["value"].toObject()["/Root"].toString())["/PageMode"].toString(),
              "/UseOutlines");

    // The contents on page 2, as pdftotext reads it: every table with its first page.
    const QString contents = pageText(pdf, 2, work());
    std::map<QString, int> listed;
    for (const auto& table : DemoTables) {
        const auto m = QRegularExpression("\\n" + QRegularExpression::escape(table) +
                                          "\\s+\\S+ \\S+\\s+\\d+\\s+(\\d+)\\n")
                           .match(contents);
        ASSERT_TRUE(m.hasMatch()) << table.toStdString() << " in\n" << contents.toStdString();
        listed[table] = m.captured(1).toInt();
        // That page is the table's first: its information block names it, its footer the page.
        const QString first = pageText(pdf, listed[table], work());
        EXPECT_TRUE(first.contains(QRegularExpression("Name of table:\\s+" + QRegularExpression::escape(table))))
            << table.toStdString();
        EXPECT_TRUE(first.contains(QStringLiteral("Page: %1").arg(listed[table]))) << table.toStdString();
    }

    // One bookmark per table, in order, leading to that page.
    const QJsonArray outlines = json["outlines"].toArray();
    ASSERT_EQ(outlines.size(), DemoTables.size());
    for (int i = 0; i < outlines.size(); ++i) {
        const QJsonObject item = outlines[i].toObject();
        EXPECT_EQ(item["title"].toString(), DemoTables[i]);
        EXPECT_EQ(item["destpageposfrom1"].toInt(), listed[DemoTables[i]]);
    }

    // One link per contents row, over the row's table name, leading to its page.
    const QString bbox = QString::fromUtf8(run("pdftotext", {"-f", "2", "-l", "2", "-bbox", pdf, "-"}, work()).out);
    const QJsonObject contentsPage = object(pages[1].toObject()["object"].toString());
    const double height = contentsPage["/MediaBox"].toArray()[3].toDouble(); // pdftotext measures from the top
    const QJsonArray annotations = objects["obj:" + contentsPage["/Annots"].toString()].toObject()["value"].toArray();
    ASSERT_EQ(annotations.size(), DemoTables.size());
    for (const auto& ref : annotations) {
        const QJsonObject link = object(ref.toString());
        EXPECT_EQ(link["/Subtype"].toString(), "/Link");
        const int target = pageOf[link["/Dest"].toArray()[0].toString()];
        const QJsonArray rect = link["/Rect"].toArray();
        const double top = height - rect[3].toDouble();
        const double bottom = height - rect[1].toDouble();
        QString inside;
        for (const auto& table : DemoTables) {
            const auto m = QRegularExpression("yMin=\"([\\d.]+)\" xMax=\"[\\d.]+\" yMax=\"([\\d.]+)\">" +
                                              QRegularExpression::escape(table) + "<")
                               .match(bbox);
            ASSERT_TRUE(m.hasMatch()) << table.toStdString();
            const double middle = (m.captured(1).toDouble() + m.captured(2).toDouble()) / 2;
            if (middle > top && middle < bottom)
                inside = table;
        }
        EXPECT_EQ(listed[inside], target) << "the link over " << inside.toStdString();
    }
}

TEST(TblsJson, EverySampleDirectoryIsValidAndItsRelationsNameWhatExists)
{
    KORVEX_REQUIRE_SAMPLES();
    QTemporaryDir work;
    std::set<QString> directories;
    for (const auto& table : korvex::test::filesWithSuffix(korvex::test::samplesDir(), {".db", ".dbf"}))
        directories.insert(QFileInfo(table).absolutePath());
    QStringList files;
    int relations = 0;
    for (const auto& directory : directories) {
        const Outcome tbls = run(Report, {"--format", "tbls", directory}, work.path());
        ASSERT_TRUE(tbls.exitCode == 0 || tbls.exitCode == 1) << tbls.err.toStdString();
        const QString file = work.filePath(QStringLiteral("%1.json").arg(files.size()));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(tbls.out);
        files << file;
        relations += QJsonDocument::fromJson(tbls.out)["relations"].toArray().size();
    }
    // All of them in one run: tables of one name (NUMBER.DBF) are told apart by their directory.
    const Outcome all = run(Report,
                            QStringList{"--format", "tbls"} + QStringList(directories.begin(), directories.end()),
                            work.path());
    ASSERT_TRUE(all.exitCode == 0 || all.exitCode == 1) << all.err.toStdString();
    QFile together(work.filePath("all.json"));
    ASSERT_TRUE(together.open(QIODevice::WriteOnly));
    together.write(all.out);
    files << together.fileName();
    const Outcome check = run(KORVEX_SYSTEM_PYTHON,
                              QStringList{KORVEX_EXPORT_TESTS_DIR "/check_tbls.py",
                                          KORVEX_EXPORT_TESTS_DIR "/tbls/tbls.schema.json_schema.json"} +
                                  files,
                              work.path());
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString() << check.err.toStdString();
    EXPECT_GT(relations, 0) << "some samples link tables";
}

// Two people who commit the exports under different locales commit the same bytes.
TEST_F(Demo, MachineOutputsAreTheSameBytesUnderAGermanLocale)
{
    const QStringList german{"LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8"};
    const Outcome md = run(Report, {"--markdown", "md-de", "demo"}, work(), german);
    ASSERT_EQ(md.exitCode, 0) << md.err.toStdString();
    EXPECT_EQ(filesIn(QDir(work()).filePath("md-de")), filesIn(Golden));
    for (const auto& args : {QStringList{"--format", "tbls", "demo"}, QStringList{"--json", "demo"}})
        EXPECT_EQ(run(Report, args, work(), german).out, run(Report, args, work()).out) << args.join(' ').toStdString();

    // ISO 8601 dates, '.' before decimals, and whether a field must be filled.
    const auto orders = QJsonDocument::fromJson(run(Report, {"--json", "demo/ORDERS.DB"}, work(), german).out);
    const auto fields = orders["tables"][0][QStringLiteral("fields")];
    EXPECT_EQ(fields[2][QStringLiteral("max")].toString(), "2099-12-31");
    EXPECT_EQ(fields[4][QStringLiteral("default")].toString(), "2026-01-15T09:30:00");
    EXPECT_EQ(fields[5][QStringLiteral("max")].toString(), "25.5");
    EXPECT_TRUE(fields[2][QStringLiteral("required")].toBool());
    EXPECT_FALSE(fields[3][QStringLiteral("required")].toBool());
}

TEST_F(Demo, TblsIndexesAreCreateIndexUniqueOnesAlsoConstraintsAndRequiredLinksHaveExactlyOneParent)
{
    const QJsonDocument tbls = QJsonDocument::fromJson(run(Report, {"--format", "tbls", "demo"}, work()).out);
    QStringList definitions;
    for (const auto& table : tbls["tables"].toArray()) {
        for (const auto& index : table[QStringLiteral("indexes")].toArray())
            definitions << index[QStringLiteral("def")].toString();
        for (const auto& constraint : table[QStringLiteral("constraints")].toArray())
            definitions << constraint[QStringLiteral("def")].toString();
    }
    for (const char* def :
         {"CREATE UNIQUE INDEX PRIMARY ON ITEMS.DB (ItemId)", "CREATE INDEX OrderNo ON ITEMS.DB (OrderNo)",
          "CREATE UNIQUE INDEX OrderPart ON ITEMS.DB (OrderNo, PartNo)", "UNIQUE (OrderNo, PartNo)", "UNIQUE (PARTNO)"})
        EXPECT_TRUE(definitions.contains(def)) << def;
    // ITEMS.OrderNo and ORDERS.CustNo must be filled: every item has its order.
    for (const auto& relation : tbls["relations"].toArray())
        EXPECT_EQ(relation[QStringLiteral("parent_cardinality")].toString(), "exactly_one")
            << relation[QStringLiteral("def")].toString().toStdString();
}

// NUMBER.DBF of two directories: two tables in every output, each named with its directory.
TEST(SameNames, TablesOfOneNameFromTwoDirectoriesStayApartInEveryOutput)
{
    KORVEX_REQUIRE_SAMPLES();
    const QString resources = korvex::test::samplesDir() + "/dbase/DANS-KNAW+dans-dbf-lib/src/test/resources";
    const QStringList directories{resources + "/dbase3plus/types", resources + "/dbase4/types"};
    if (!QFileInfo::exists(directories[0] + "/NUMBER.DBF") || !QFileInfo::exists(directories[1] + "/NUMBER.DBF"))
        GTEST_SKIP() << "the samples lack NUMBER.DBF in " << directories.join(" and ").toStdString();
    QTemporaryDir work;
    const QStringList names{"dbase3plus/types/NUMBER.DBF", "dbase4/types/NUMBER.DBF"};

    const Outcome md = run(Report, QStringList{"--markdown", "md"} + directories, work.path());
    ASSERT_TRUE(md.exitCode == 0 || md.exitCode == 1) << md.err.toStdString();
    const QString readme = QString::fromUtf8(korvex::test::readWholeFile(work.filePath("md/README.md")));
    for (const auto& name : names)
        EXPECT_TRUE(readme.contains("[" + name + "](" + QString(name).replace('/', '.') + ".md)"))
            << name.toStdString();

    QStringList dumped;
    const auto json = QJsonDocument::fromJson(run(Report, QStringList{"--json"} + directories, work.path()).out);
    for (const auto& table : json["tables"].toArray())
        dumped << table[QStringLiteral("name")].toString();
    EXPECT_EQ(dumped.filter("NUMBER.DBF"), names);
}

TEST_F(Demo, TheTblsDriverGivesTheJsonOfADirectoryOrAnAlias)
{
    const QString demo = QDir(work()).filePath("demo");
    const Outcome direct = run(Report, {"--format", "tbls", demo}, work());
    ASSERT_EQ(direct.exitCode, 0) << direct.err.toStdString();
    const Outcome driver = run(TBLS_DRIVER_EXE, {}, work(), {"TBLS_DSN=korvex://" + demo});
    ASSERT_EQ(driver.exitCode, 0) << driver.err.toStdString();
    EXPECT_EQ(driver.out, direct.out);
    EXPECT_EQ(QJsonDocument::fromJson(driver.out)["relations"].toArray().size(), 2);

    writeDemoAlias(work());
    const Outcome alias = run(TBLS_DRIVER_EXE, {}, work(), {"TBLS_DSN=korvex://alias/Demo"});
    ASSERT_EQ(alias.exitCode, 0) << alias.err.toStdString();
    const QJsonDocument json = QJsonDocument::fromJson(alias.out);
    EXPECT_EQ(json["name"].toString(), "alias Demo");
    EXPECT_EQ(json["tables"].toArray().size(), DemoTables.size());

    for (const char* dsn : {"", "korvex://demo", "postgres:///x", "korvex://alias/Nobody", "korvex:///no/such/dir"}) {
        const Outcome bad = run(TBLS_DRIVER_EXE, {}, work(), {QStringLiteral("TBLS_DSN=") + dsn});
        EXPECT_EQ(bad.exitCode, 1) << dsn;
        EXPECT_TRUE(bad.out.isEmpty()) << dsn;
        EXPECT_TRUE(bad.err.startsWith("tbls-driver-korvex: ")) << dsn << ": " << bad.err.toStdString();
    }
}

TEST_F(Demo, MarkdownTblsAndTheDriverLoadQtCoreOnly)
{
    const QString demo = QDir(work()).filePath("demo");
    const std::vector<std::pair<QString, QStringList>> runs = {{Report, {"--markdown", "md-libs", demo}},
                                                               {Report, {"--format", "tbls", demo}},
                                                               {TBLS_DRIVER_EXE, {}}};
    for (const auto& [program, args] : runs) {
        const Outcome r = run(program, args, work(), {"LD_DEBUG=libs", "TBLS_DSN=korvex://" + demo});
        ASSERT_EQ(r.exitCode, 0) << args.join(' ').toStdString();
        const QString loaded = QString::fromLocal8Bit(r.err);
        EXPECT_TRUE(loaded.contains("libQt6Core")) << args.join(' ').toStdString();
        for (const char* gui : {"libQt6Gui", "libQt6Widgets", "libQt6PrintSupport", "libqpdf", "libcups"})
            EXPECT_FALSE(loaded.contains(QRegularExpression(QStringLiteral("calling init: \\S*%1").arg(gui))))
                << gui << " loaded by " << program.toStdString() << ' ' << args.join(' ').toStdString();
    }
}

TEST_F(Demo, AnAliasWithoutNamesPutsEveryTableInTheBook)
{
    writeDemoAlias(work());
    const Outcome book = run(Report, {"--alias", "demo", "--book", "alias.pdf"}, work());
    ASSERT_EQ(book.exitCode, 0) << book.err.toStdString();
    const QJsonArray outlines = qpdfJson(QDir(work()).filePath("alias.pdf"), work())["outlines"].toArray();
    QStringList titles;
    for (const auto& item : outlines)
        titles << item.toObject()["title"].toString();
    EXPECT_EQ(titles, DemoTables);
    EXPECT_TRUE(pageText(QDir(work()).filePath("alias.pdf"), 1, work()).contains("alias Demo"));
}

TEST_F(Demo, OneFormPerRun)
{
    for (const QStringList& args :
         {QStringList{"--book", "b.pdf", "--printer", "x", "demo"}, QStringList{"--markdown", "m", "--json", "demo"},
          QStringList{"--format", "tbls", "--book", "b.pdf", "demo"}, QStringList{"--format", "xml", "demo"},
          QStringList{"--book", "b.pdf"}}) {
        const Outcome r = run(Report, args, work());
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(' ').toStdString();
    }
    EXPECT_FALSE(QFile::exists(QDir(work()).filePath("b.pdf")));
}

TEST_F(Demo, ADirectoryOrAnAliasWithoutTablesTellsSo)
{
    ASSERT_TRUE(QDir(work()).mkpath("nothing"));
    const Outcome empty = run(Report, {"--json", "nothing"}, work());
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_TRUE(empty.err.contains("nothing: no Paradox or dBASE tables in this directory")) << empty.err.toStdString();

    const Outcome all = run(Report, {"--json", "demo"}, work());
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString();
    QStringList files;
    for (const auto& t : QJsonDocument::fromJson(all.out)["tables"].toArray())
        files << QFileInfo(t.toObject()["file"].toString()).fileName();
    EXPECT_EQ(files, DemoTables);
}

} // namespace
