#pragma once

#include <QByteArray>
#include <QHash>
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
// - Lines end in LF or CRLF. A leading UTF-8 byte order mark is skipped. Each line is
//   UTF-8 text when it is valid UTF-8, else Windows-1252 text (a line typed on Windows):
//   one stray byte makes its own line Windows-1252, never the rest of the file.
//
// Writing: the lines that no edit touched go back byte for byte as they were read, in
// whatever encoding; new and changed lines are UTF-8. The byte order mark stays if the
// file had one, and every line is ended the way the file's first line was (CRLF or LF; LF
// for a new file).
//
// Lookups go through an index of sections and keys, so that a section of many thousand
// keys (a long password list) is read and rewritten in time proportional to its size.
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
        QString text;            // without its line end
        Kind kind = Kind::Other; // what the line holds
        QString name;            // section name (Section) or key name (Key), trimmed
        QString value;           // Key: the value, trimmed
        QByteArray bytes;        // a line as read: its bytes without the line end
        bool asRead = false;     // whether bytes are to be written back in place of text
    };
    // The keys of one section name, over all its blocks.
    struct SectionIndex {
        std::size_t insertAt = 0;         // after the last non-blank line of the first block
        QHash<QString, std::size_t> keys; // case-folded key name -> the key's first line
        std::vector<std::size_t> order;   // the first line of each distinct key, in file order
    };
    using Index = QHash<QString, SectionIndex>; // by case-folded section name

    static Line parseLine(const QString& text);
    const Index& index() const;
    std::optional<std::size_t> findKey(const QString& section, const QString& key) const;

    std::vector<Line> lines_;
    // Built at the first lookup; an edit that moves lines drops it.
    mutable std::optional<Index> index_;
    bool crlf_ = false;
    bool byteOrderMark_ = false;
};

// Windows-1252 text as Unicode. The five byte values the code page leaves unassigned
// (81, 8D, 8F, 90, 9D hexadecimal) become the control characters of the same number, as
// Windows itself converts them.
QString decodeWindows1252(QByteArrayView bytes);

} // namespace korvex
