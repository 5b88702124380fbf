#pragma once

#include "BrowserFiles.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace korvex {

// The table list's source: the names of the files of one directory that match a mask, or,
// for an alias, the table names the engine lists. It has no window of its own.
//
// The names are those of listMatchingFiles. Every read of the directory raises changed().
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
    // Takes a directory, a mask and the entries read for them, without reading anything.
    void assign(const QString& directory, const QString& mask, const QStringList& names);

    // listMatchingFiles.
    static QStringList listFiles(const QString& directory, const QString& mask);

signals:
    void changed();

private:
    QString directory_;
    QString mask_ = TableMask;
    QStringList entries_;
};

} // namespace korvex
