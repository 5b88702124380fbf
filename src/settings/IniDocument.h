#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvex {

// The text of an INI-format file as lines, with the lookups and edits the settings file
// makes. Lines that an edit does not touch are written back as they were read, comments,
// blank lines and lines of no meaning included.
//
// Reading rules:
// - A line whose first non-blank character is "[" opens a section; its name runs to the
//   first "]" (or the end of the line) and is trimmed.
// - A line whose first non-blank character is ";" is a comment.
// - Any other line holding an "=" is a key line: the key is the text before the first "=",
//   the value the text after it, both without the blanks around them ("Key = a b " holds
//   "a b"), as the profile files this format comes from are read. A line with an empty
//   key, or without "=", means nothing.
// - Key lines before the first section belong to no section and are never found.
// - Section and key names are compared without regard to case. Several blocks of the same
//   section name form one section; of several lines with the same key, the first counts.
// - Lines end in LF or CRLF. A leading UTF-8 byte order mark is skipped. Bytes that are
//   not valid UTF-8 make the whole file Windows-1252 text (a file written on Windows).
//
// Writing: UTF-8, with the byte order mark if the file had one, every line ended the way
// the file's first line was (CRLF or LF; LF for a new file).
class IniDocument {
public:
    static IniDocument fromBytes(const QByteArray& bytes);
    QByteArray toBytes() const;

    // The value of key in section, or nothing when the key is absent.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // The distinct key names of section in file order, each spelled as its first line has it.
    QStringList keys(const QString& section) const;

    // Replaces the first line of key in section, or adds the key after the last line of the
    // section's first block, or adds the section at the end. False when the key already
    // held a value that reads as this one, so nothing changed.
    bool setValue(const QString& section, const QString& key, const QString& value);
    // Removes every block of section, header and all its lines. False when there was none.
    bool removeSection(const QString& section);

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        QString text;         // as read, without its line end
        Kind kind = Kind::Other;
        QString name;         // section name (Section) or key name (Key), trimmed
        QString value;        // Key: the value, trimmed
    };

    static Line parseLine(const QString& text);
    // The section each line belongs to; nothing for lines before the first section.
    std::vector<std::optional<QString>> owners() const;
    std::optional<std::size_t> findKey(const QString& section, const QString& key) const;

    std::vector<Line> lines_;
    bool crlf_ = false;
    bool byteOrderMark_ = false;
};

// Windows-1252 text as Unicode. The five byte values the code page leaves unassigned
// (81, 8D, 8F, 90, 9D hexadecimal) become the control characters of the same number, as
// Windows itself converts them.
QString decodeWindows1252(QByteArrayView bytes);

} // namespace korvex
