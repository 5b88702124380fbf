#pragma once

#include <QChar>
#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>

namespace korvex {

// The table list's source: the names of the files of one directory that match a mask, or,
// for an alias, the table names the engine lists. It has no window of its own.
//
// A mask is one or more patterns separated by ";" ("*.db;*.dbf"), matched without regard
// to case. "*.*" stands for every file, with or without a dot in its name. Only ordinary
// files count: no directories, no hidden files, no devices or sockets. The names are
// sorted ascending ignoring case. Every read of the directory raises changed().
class FileListBox : public QObject {
    Q_OBJECT
public:
    static inline const QString TableMask = QStringLiteral("*.db;*.dbf");

    explicit FileListBox(QObject* parent = nullptr);

    const QString& directory() const { return directory_; }
    const QString& mask() const { return mask_; }
    const QStringList& entries() const { return entries_; }

    // Each reads the directory anew and raises changed().
    void setDirectory(const QString& directory);
    void setMask(const QString& mask);
    void read();
    // Replaces the entries (an alias's tables) without reading a directory and without
    // raising changed().
    void setEntries(const QStringList& names);
    // Puts back a directory and its entries as they were, without reading anything.
    void assign(const QString& directory, const QStringList& names);

    // The matching file names of directory, sorted; none when it cannot be read.
    static QStringList listFiles(const QString& directory, const QString& mask);

signals:
    void changed();

private:
    QString directory_;
    QString mask_ = TableMask;
    QStringList entries_;
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
