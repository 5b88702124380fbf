#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvex {

// Where a server listens: a host name or address with an optional port, or the folder of
// its Unix socket (then port is the socket's number, if given).
struct ServerAddress {
    QString host;
    int port = -1; // -1: the driver's default
};

// One database alias: a name that stands for a directory of desktop tables, or for a
// database on a server reached through a driver of its own.
struct AliasDefinition {
    static inline const QString StandardDriver = QStringLiteral("STANDARD");
    static inline const QString PostgresDriver = QStringLiteral("POSTGRESQL");
    static inline const QString SqliteDriver = QStringLiteral("SQLITE");
    static inline const QString MysqlDriver = QStringLiteral("MYSQL");
    static inline const QString FirebirdDriver = QStringLiteral("FIREBIRD");
    static inline const QString OdbcDriver = QStringLiteral("ODBC");

    QString name;                    // as its section header spells it
    QString driver = StandardDriver; // upper case
    std::optional<QString> path;     // the directory, absolute; nothing when the alias has no PATH
    QStringList parameters;          // the further "name=value" lines, in file order
    QString folder;                  // the aliases file's folder, where relative names start

    // A server alias has a driver of its own and no directory.
    bool isServer() const { return driver != StandardDriver && !path; }
    // "name=value" lines, "PATH=<directory>" first when the alias has one.
    QStringList parameterLines() const;

    // The value of the parameter key (in any case), trimmed; empty when the alias has none.
    QString parameter(QStringView key) const;
    // SERVER NAME: "host", "host:port", "[address]:port", or a socket folder (an absolute
    // path, "folder:port" for a socket of another number).
    QString serverName() const { return parameter(u"SERVER NAME"); }
    ServerAddress serverAddress() const;
    QString databaseName() const { return parameter(u"DATABASE NAME"); }
    QString userName() const { return parameter(u"USER NAME"); }
    // Empty: the schemas the server's search path gives.
    QString schemaName() const { return parameter(u"SCHEMA NAME"); }
    // An ODBC data source by its name, or a driver connection string in its place.
    QString odbcDsn() const { return parameter(u"ODBC DSN"); }
    QString odbcConnect() const { return parameter(u"ODBC CONNECT"); }
    // DATABASE NAME as a file (SQLite): absolute, a relative one from the aliases file's folder;
    // empty when the alias names none.
    QString databaseFile() const;
};

// The aliases file, aliases.ini beside the settings file. One section per alias:
//
//   [Sales]            a directory alias
//   PATH=/srv/tables/sales
//
//   [Ledger]           a Firebird database on a server (SERVER NAME empty: a local file)
//   TYPE=FIREBIRD
//   SERVER NAME=db.example.org
//   DATABASE NAME=/data/ledger.fdb
//   USER NAME=clerk
//
//   [Stock]            an ODBC data source of odbc.ini, or ODBC CONNECT=<connection string>
//   TYPE=ODBC
//   ODBC DSN=stock
//
//   [Shop]             a PostgreSQL database (SCHEMA NAME is optional)
//   TYPE=POSTGRESQL
//   SERVER NAME=db.example.org:5432
//   DATABASE NAME=shop
//   USER NAME=clerk
//   SCHEMA NAME=sales
//
//   [Notes]            a SQLite database file, relative to the aliases file's folder
//   TYPE=SQLITE
//   DATABASE NAME=notes.sqlite
//
// PATH is the alias's directory (a relative one counts from the file's folder), TYPE the
// driver's name (STANDARD when absent or empty); every further line is a parameter of the
// alias. Key names are matched without regard to case, so "path=" is a PATH line; keys and
// values are trimmed of blanks. Alias names are the trimmed section names; two sections
// whose names differ only in case are one alias, and of several lines with the same key
// the first counts.
//
// What is not understood is ignored, line by line, so that one slip does not hide the
// other aliases: blank lines; comments (first non-blank character ";" or "#"); key lines
// before the first section; lines without "=" or with an empty key; and a section header
// without its "]" or with an empty name, together with the lines under it, since they
// would otherwise land in the alias above.
//
// The text is UTF-8 (a byte order mark is skipped); a file that is not valid UTF-8 is read
// as Windows-1252, as written by a Windows editor. Lines end in LF or CRLF.
class AliasFile {
public:
    static inline const QString FileName = QStringLiteral("aliases.ini");

    // The aliases file for location: location itself when it names no directory, else the
    // file of that name in it.
    static QString pathFor(const QString& location);

    // The aliases of the file's text, sorted by name ignoring case. folder: where relative
    // PATH values start.
    static std::vector<AliasDefinition> parse(const QByteArray& bytes, const QString& folder);

    // The aliases of the file at path: none when the file does not exist; nothing, with
    // error set, when it exists but cannot be read, or is not a regular file (a FIFO is
    // not waited for), or is larger than ConfigurationFile::MaxSize.
    static std::optional<std::vector<AliasDefinition>> read(const QString& path, QString& error);
};

} // namespace korvex
