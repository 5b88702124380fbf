#pragma once

#include <QChar>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <stdexcept>

namespace korvex {

// A directory that cannot be entered: it does not exist, is no directory, or may not be
// read or searched.
class DirectoryError : public std::runtime_error {
public:
    explicit DirectoryError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// Raises DirectoryError saying why when directory cannot be entered.
void requireEnterableDirectory(const QString& directory);

// A directory as the browser holds it: absolute, without "." and ".." parts.
QString cleanDirectoryPath(const QString& directory);

// The file names of directory that match mask, sorted ascending ignoring case; none when
// it cannot be read.
//
// A mask is one or more patterns separated by ";" ("*.db;*.dbf"), matched without regard
// to case. "*.*" stands for every file, with or without a dot in its name. Only ordinary
// files count: no directories, no hidden files, no devices or sockets.
QStringList listMatchingFiles(const QString& directory, const QString& mask);

// One entry of the table list: its caption (the file or table name as listed), its
// picture (0 table, 1 other file) and its date text.
struct TableListItem {
    QString caption;
    int imageIndex = 0;
    QString dateText;
};

// The date separator of the locale's short date format: its first character that is not
// part of a day, month or year field; "/" when the format has none.
QChar dateSeparator(const QLocale& locale);

// A file's modification date as the table list shows it: day and month with two digits,
// the year with four, joined by the separator ("09/03/1996"); "?" for a time that is not
// valid.
QString tableDateText(const QDateTime& modified, QChar separator);

// The date text of the file at path in local time; "?" when it is no file or its time
// cannot be read.
QString fileDateText(const QString& path, QChar separator);

// The picture of a table list entry: 0 for a table (".DB" or ".DBF" in any case, and every
// table of an alias), 1 for any other file.
int tableImageIndex(const QString& name, bool aliasMode);

} // namespace korvex
