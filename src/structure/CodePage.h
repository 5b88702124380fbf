#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <span>
#include <vector>

namespace korvex {

// Text in table files is stored in the table's code page (a DOS or Windows code page
// number such as 437, 850 or 1252). These convert with Qt's ICU-backed converters.
//
// Code pages that no converter knows (the Kamenicky 867/895 and Mazovia 620 DOS pages)
// are read as 437, whose ASCII half and box-drawing characters they share; a code page
// of 0 or an unknown number is read as Windows-1252. Utf8 (65001) is UTF-8, for tables
// whose writer stored its names that way whatever the language driver says.
//
// Text from a file never carries control characters out of it: every C0 or C1 control
// character (and DEL) that a file's bytes decode to becomes U+FFFD, so that a name can
// neither break a line of the report nor hide in it.
class CodePage {
public:
    static constexpr int Utf8 = 65001;

    explicit CodePage(int number);

    int number() const { return number_; }
    // The converter name actually used, e.g. "IBM850" or "windows-1252".
    const char* converterName() const { return converter_; }

    // The bytes as text, control characters replaced by U+FFFD.
    QString decode(std::span<const std::byte> bytes) const;
    // Whether names stored in a table read better as UTF-8 than in this code page: here
    // some name decodes to a control character, while every name is valid UTF-8 that
    // decodes to none, and at least one is not plain ASCII.
    bool namesReadBetterAsUtf8(const std::vector<std::span<const std::byte>>& names) const;
    // text with every control character replaced by U+FFFD.
    static QString withoutControls(QString text);
    // Characters the code page cannot hold become '?'.
    QByteArray encode(const QString& text) const;
    // Whether a converter of its own reads the code page (else it is read as above).
    static bool isKnown(int number);

private:
    int number_;
    const char* converter_;
};

// What a reader records when it reads the names of the table in file as UTF-8 instead of
// in codePage, the code page its language driver (or the default) gives.
QString utf8NamesWarning(const QString& file, int codePage);

} // namespace korvex
