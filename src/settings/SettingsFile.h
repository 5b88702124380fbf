#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace korvex {

class IniDocument;

// A write to the settings file failed; the message is the program's fixed text
// "Kann nicht nach <file> schreiben". The settings file is left as it was.
class SettingsWriteError : public std::runtime_error {
public:
    explicit SettingsWriteError(const QString& fileName);
    // reason: what the system said, for a log; not part of the message.
    SettingsWriteError(const QString& fileName, const QString& reason);
    QString message() const { return QString::fromStdString(what()); }
    const QString& reason() const { return reason_; }

private:
    QString reason_;
};

// A stored value that must be a whole number is not one, and no default may stand in for
// it (a header's font size).
class SettingsValueError : public std::runtime_error {
public:
    SettingsValueError(const QString& section, const QString& key, const QString& value);
    QString message() const { return QString::fromStdString(what()); }
    const QString& section() const { return section_; }
    const QString& key() const { return key_; }
    const QString& value() const { return value_; }

private:
    QString section_;
    QString key_;
    QString value_;
};

// The sections of the settings file.
struct SettingsSection {
    static inline const QString Options = QStringLiteral("Options");
    static inline const QString Font = QStringLiteral("FONT");
    static inline const QString FieldInformation = QStringLiteral("Field_Information");
    static inline const QString Languages = QStringLiteral("Languages");
    static inline const QString Language1 = QStringLiteral("Language_1");
    static inline const QString Language2 = QStringLiteral("Language_2");
    static inline const QString Passwords = QStringLiteral("Passwords");
    static inline const QString System = QStringLiteral("System");
    static inline const QString MainWindow = QStringLiteral("MainWindow");
};

// One key of the settings file with the default its readers use, so that a key's name and
// default are written down once.
template <typename T>
struct SettingsKey {
    QString section;
    QString name;
    T defaultValue;
};
using FlagKey = SettingsKey<bool>;
using NumberKey = SettingsKey<int>;
using TextKey = SettingsKey<QString>;

// The one reader and writer of the INI-format settings file. Every read goes to the file
// and every write changes the file at once; no value is kept between reads (only the
// parsed form of bytes read before, used again while the file reads the same).
//
// A missing or unreadable file reads as a file without sections; reads never create it.
// What stands at the path is read only when it is a regular file of at most
// ConfigurationFile::MaxSize bytes, and never waited for (a FIFO); anything else is
// unreadable, and the warning says so once.
// Writes replace the whole file atomically (a new file beside it, synced, then renamed
// over it), so a failed write leaves the file as it was; a write that would not change
// the file does not touch it. A new file is readable by its owner only, since it holds
// table passwords in clear; an existing file keeps its permissions.
class SettingsFile {
public:
    // The program's own settings file in settingsDirectory().
    static inline const QString ProgramFileName = QStringLiteral("KORVEX20.INI");
    // A read returns at most this many characters of a value.
    static constexpr int MaxValueLength = 1023;
    // ReadSectionLines gathers a section's key names in this many bytes: each name in
    // UTF-8 and one terminator byte.
    static constexpr int KeyNameBufferSize = 8192;

    // The program's own settings file: ProgramFileName in settingsDirectory().
    SettingsFile();
    // The settings file at path (the command line's --settings, tests): a relative path
    // counts from the current directory, even a bare file name, and is made absolute at
    // once so that a later change of the current directory does not move the file.
    explicit SettingsFile(const QString& path);

    // The per-machine settings directory: the XDG config location's folder "korvex".
    static QString settingsDirectory();
    const QString& path() const { return path_; }

    // Section and key names of writes must not be empty nor start or end with blanks; a key
    // must not hold "=" nor start with "[" or ";", a section not hold "]"; neither may hold
    // a line break. Breaking that raises std::invalid_argument. Line breaks in a written
    // value become blanks, so that a value can never make lines of its own. Reads ignore
    // the blanks around key names and values, so a value's outer blanks do not read back.
    QString ReadText(const QString& section, const QString& key, const QString& defaultValue) const;
    void WriteText(const QString& section, const QString& key, const QString& value);
    int ReadNumber(const QString& section, const QString& key, int defaultValue) const;
    void WriteNumber(const QString& section, const QString& key, int value);
    bool ReadFlag(const QString& section, const QString& key, bool defaultValue) const;
    void WriteFlag(const QString& section, const QString& key, bool value);
    // "key=value" for every key of the section with a non-empty value, in file order.
    // Only the keys whose names fit into KeyNameBufferSize, counted in file order, are
    // looked at; the names of the keys with empty values count as well.
    QStringList ReadSectionLines(const QString& section) const;
    void ClearSection(const QString& section);

    // Many keys at once, for a whole table of values (the report's label translations).
    // readTexts gives the keys' values of section from one reading of the file, each as
    // ReadText gives it and nothing where the key is absent. writeTexts makes one change
    // of the file: it empties clearedSections first, then writes the values in the given
    // order, so that of two values for the same key the later one stays; when the file
    // cannot be written nothing of it changes.
    std::vector<std::optional<QString>> readTexts(const QString& section, const QStringList& keys) const;
    struct Value {
        QString section;
        QString key;
        QString text;
    };
    void writeTexts(const std::vector<Value>& values, const QStringList& clearedSections = {});

    // Writes a value that only stands in the file for editing by hand (a default the report
    // writes back). Its reader goes on with the value it holds whether or not it was
    // written: a file that cannot be written (a read-only settings folder) must not stop a
    // print, so a failure goes to the warning instead of raising SettingsWriteError.
    void writeBack(const TextKey& key, const QString& value);
    void writeBack(const NumberKey& key, int value);

    // What does not stop the run but should be known: the file cannot be read (its reads
    // give the defaults), or a value written back could not be written. Each text is told
    // once in the life of this object, so once per run for the program's one settings
    // file. The warning starts out writing the text to standard error.
    using Warning = std::function<void(const QString& text)>;
    void setWarning(Warning warning);

    QString ReadText(const TextKey& key) const { return ReadText(key.section, key.name, key.defaultValue); }
    void WriteText(const TextKey& key, const QString& value) { WriteText(key.section, key.name, value); }
    int ReadNumber(const NumberKey& key) const { return ReadNumber(key.section, key.name, key.defaultValue); }
    void WriteNumber(const NumberKey& key, int value) { WriteNumber(key.section, key.name, value); }
    bool ReadFlag(const FlagKey& key) const { return ReadFlag(key.section, key.name, key.defaultValue); }
    void WriteFlag(const FlagKey& key, bool value) { WriteFlag(key.section, key.name, value); }

private:
    // The file as it is now; nothing when it exists but cannot be read.
    std::shared_ptr<const IniDocument> load() const;
    // The file as it is now, for a change; raises SettingsWriteError when it cannot be read,
    // since writing it back would lose what it holds.
    IniDocument loadForChange() const;
    void store(const IniDocument& document);
    void warn(const QString& text) const;

    QString path_;
    // The bytes of the last reading and what they parse to: a file read again unchanged is
    // not parsed again (the report reads some forty keys per table).
    struct Parsed;
    mutable std::shared_ptr<const Parsed> lastRead_;
    Warning warning_;
    // Shared with copies, so that a copy does not tell again what was told.
    std::shared_ptr<QStringList> told_ = std::make_shared<QStringList>();
};

// A whole number as the settings file stores it: blanks around it, an optional sign, then
// decimal digits, or hexadecimal digits after "$" or after "0x" / "0X" when at least one
// more character follows. Nothing when the text is anything else or lies outside the range
// of int.
std::optional<int> parseSettingsNumber(QStringView text);

// The position of a stored choice in a list of choices, found without regard to case;
// -1 when the list does not hold it.
int findChoice(const QStringList& choices, const QString& stored);

} // namespace korvex
