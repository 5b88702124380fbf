#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <span>

namespace korvex {

// Text in table files is stored in the table's code page (a DOS or Windows code page
// number such as 437, 850 or 1252). These convert with Qt's ICU-backed converters.
//
// Code pages that no converter knows (the Kamenicky 867/895 and Mazovia 620 DOS pages)
// are read as 437, whose ASCII half and box-drawing characters they share; a code page
// of 0 or an unknown number is read as Windows-1252.
class CodePage {
public:
    explicit CodePage(int number);

    int number() const { return number_; }
    // The converter name actually used, e.g. "IBM850" or "windows-1252".
    const char* converterName() const { return converter_; }

    QString decode(std::span<const std::byte> bytes) const;
    // Characters the code page cannot hold become '?'.
    QByteArray encode(const QString& text) const;

private:
    int number_;
    const char* converter_;
};

} // namespace korvex
