#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvex {

// One database alias: a name that stands for a directory of desktop tables, or for a
// database on a server reached through a driver of its own.
struct AliasDefinition {
    static inline const QString StandardDriver = QStringLiteral("STANDARD");

    QString name;                    // as its section header spells it
    QString driver = StandardDriver;  // upper case
    std::optional<QString> path;     // the directory, absolute; nothing when the alias has no PATH
    QStringList parameters;          // the further "name=value" lines, in file order

    // A server alias has a driver of its own and no directory.
    bool isServer() const { return driver != StandardDriver && !path; }
    // "name=value" lines, "PATH=<directory>" first when the alias has one.
    QStringList parameterLines() const;
};

// The aliases file, aliases.ini beside the settings file. One section per alias:
//
//   [Sales]            a directory alias
//   PATH=/srv/tables/sales
//
//   [Ledger]           a server alias
//   TYPE=ODBC
//   SERVER NAME=db.example.org:/data/ledger
//   USER NAME=clerk
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
