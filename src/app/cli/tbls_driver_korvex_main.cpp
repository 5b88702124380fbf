// tbls-driver-korvex: the tables of a directory or an alias as tbls' schema JSON, for
// tbls to document them. tbls runs it for a data source korvex://... with the data source
// in TBLS_DSN and reads the JSON from standard output:
//
//   korvex:///path/to/dir    every table of the directory (or one table file)
//   korvex://alias/NAME      every table of the alias NAME
//
// Passwords and aliases come from the program's settings folder; a server's password, when
// its driver's own sources give none, is asked on the terminal. A table that cannot be
// read is left out with a message on standard error; a data source of which no table can
// be read is an error (exit status 1), so that tbls stops rather than document nothing.

#include "AliasCommand.h"
#include "Json.h"
#include "ReportCommand.h"
#include "TerminalLogin.h"

#include "DatabaseEngine.h"
#include "PasswordList.h"
#include "ServerDrivers.h"
#include "ServerLogin.h"
#include "SettingsFile.h"
#include "TableSchema.h"
#include "TableSet.h"
#include "TblsExport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>

#include <memory>

using namespace korvex;

namespace {

const QString Program = QStringLiteral("tbls-driver-korvex");

int fail(const QString& message)
{
    writeMessage(QStringLiteral("tbls-driver-korvex: %1\n").arg(message));
    return 1;
}

QString usage()
{
    return QStringLiteral("tbls-driver-korvex %1\nUsage: TBLS_DSN=korvex:///path/to/dir or "
                          "TBLS_DSN=korvex://alias/NAME tbls-driver-korvex\n")
        .arg(QCoreApplication::applicationVersion());
}

int run(int argc, char* argv[]);

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tbls-driver-korvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVEX_VERSION));
    return finishStandardOutput(Program, run(argc, argv));
}

namespace {

int run(int argc, char* argv[])
{
    // tbls runs the driver without arguments; asking for help or the version is answered,
    // anything else is a mistake.
    if (argc > 1) {
        const QByteArray argument(argv[1]);
        if (argc == 2 && (argument == "--help" || argument == "-h" || argument == "--version" || argument == "-v")) {
            writeTo(stdout, usage());
            return 0;
        }
        writeMessage(
            QStringLiteral("tbls-driver-korvex: unknown argument %1\n\n").arg(QString::fromLocal8Bit(argument)) +
            usage());
        return 2;
    }

    const QString dsn = qEnvironmentVariable("TBLS_DSN");
    const QUrl url(dsn, QUrl::StrictMode);
    const QString path = url.path(QUrl::FullyDecoded);
    const bool directory = url.host().isEmpty() && path.startsWith('/');
    const bool alias = url.host() == QLatin1String("alias") && path.size() > 1 && path.indexOf('/', 1) < 0;
    if (dsn.isEmpty())
        return fail(QStringLiteral("TBLS_DSN is not set"));
    if (!url.isValid() || url.scheme() != QLatin1String("korvex") || !(directory || alias))
        return fail(QStringLiteral("TBLS_DSN %1 names neither a directory (korvex:///path/to/dir) nor an alias "
                                   "(korvex://alias/NAME)")
                        .arg(dsn));

    if (directory && !QFileInfo::exists(path))
        return fail(QStringLiteral("%1: no such directory or table").arg(path));

    SettingsFile settings;
    DatabaseEngine engine;
    const DatabaseEngine::Run run(engine); // each directory listed once for all the tables
    for (const auto& pw : loadPasswordList(settings))
        engine.RegisterPassword(pw);
    installServerDrivers(engine);
    TerminalLogin login(QStringLiteral("tbls-driver-korvex"));
    askPasswordsThrough(engine, login);
    std::unique_ptr<AliasDatabase> database;
    if (alias) {
        if (engine.loadAliases(QFileInfo(settings.path()).absolutePath()) != result::Ok)
            return fail(engine.lastError());
        QString error;
        database = connectAlias(engine, path.mid(1), error);
        if (!database)
            return fail(error);
    }
    const TableSet set = expandTableArguments(engine, alias ? QStringList() : QStringList{path}, database.get());
    for (const auto& problem : set.problems)
        writeMessage(QStringLiteral("tbls-driver-korvex: %1\n").arg(problem));
    if (set.tables.empty())
        return 1;

    const auto schemas = readTableSchemas(engine, set);
    bool anyRead = false;
    for (const auto& t : schemas) {
        if (!t.ok)
            writeMessage(QStringLiteral("tbls-driver-korvex: %1: left out: %2\n").arg(t.table.argument, t.error));
        anyRead = anyRead || t.ok;
    }
    if (!anyRead)
        return fail(QStringLiteral("%1: no table could be read").arg(set.origin));
    writeTo(stdout, Json::escapeControls(QString::fromUtf8(tblsSchemaJson(set.origin, schemas))));
    return 0;
}

} // namespace
