#pragma once

#include <QString>

#include <cstdint>

namespace korvex::dbase {

// The language driver of a table: the code page its text is stored in, the engine's
// symbolic driver name and the engine's description of it.
struct LanguageDriver {
    int codePage = 1252;
    QString name;         // e.g. "DB437US0"; empty for FoxPro code page marks
    QString description;  // e.g. "dBASE ENU cp437"; empty when not known
};

// Below level 7 a table names its driver by header byte 29: a dBASE language driver id or
// a FoxPro code page mark (both live in one number space). Id 0 means no driver is
// stored; it, and ids nobody documents, give code page 1252 with no name or description.
LanguageDriver languageDriverOfId(std::uint8_t id);

// A level-7 table names its driver by text at bytes 32-63, in any letter case. The name is
// kept as stored. A name not in the engine's list still gives its code page when it
// follows the engine's naming ("DB" + code page, "WIN" for 1252); otherwise the result
// has no code page and fallback is used.
LanguageDriver languageDriverOfName(const QString& name, int fallbackCodePage);

} // namespace korvex::dbase
