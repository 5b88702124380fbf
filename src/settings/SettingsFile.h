#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>

namespace korvex {

// A write to the settings file failed; the message is the program's fixed text
// "Kann nicht nach <file> schreiben".
class SettingsWriteError : public std::runtime_error {
public:
    explicit SettingsWriteError(const QString& fileName);
    QString message() const { return QString::fromStdString(what()); }
};

// The one reader and writer of the INI-format settings file. Every read goes to the file
// and every write changes the file at once; nothing is cached.
class SettingsFile {
public:
    static inline const QString DefaultName = QStringLiteral("KORVEX20.INI");

    // A bare file name lives in the fixed settings directory; a name with a directory part
    // is used as it stands (tests, the command line's --settings).
    explicit SettingsFile(const QString& name = DefaultName);

    // The per-machine settings directory: the XDG config location's folder "korvex".
    static QString settingsDirectory();
    const QString& path() const { return path_; }

    QString ReadText(const QString& section, const QString& key, const QString& defaultValue) const;
    void WriteText(const QString& section, const QString& key, const QString& value);
    int ReadNumber(const QString& section, const QString& key, int defaultValue) const;
    void WriteNumber(const QString& section, const QString& key, int value);
    bool ReadFlag(const QString& section, const QString& key, bool defaultValue) const;
    void WriteFlag(const QString& section, const QString& key, bool value);
    // "key=value" for every key of the section with a non-empty value, in file order.
    QStringList ReadSectionLines(const QString& section) const;
    void ClearSection(const QString& section);

private:
    QString path_;
};

} // namespace korvex
