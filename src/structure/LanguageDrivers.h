#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace korvex {

// One language driver of the engine, as Paradox and dBASE tables name it: its symbolic
// name, the description the engine shows for it and the code page of its text, with the
// numbers that stand for it in the two formats' headers.
//
// A Paradox table names its driver by its symbolic name (format 4.x and later) or by its
// sort-order byte (3.x, byte 0x29); a dBASE table below level 7 by its language driver
// id (byte 29), a level-7 table by its name. FoxPro code page marks share the dBASE id
// space; they have no engine name, only FoxPro's description of their code page.
struct LanguageDriver {
    const char* name;        // e.g. "ascii", "DB437US0"; empty for FoxPro code page marks
    const char* description; // e.g. "Paradox 'ascii'"; empty where no source gives it
    int codePage;            // 0: HP Roman-8, which the converters read as 1252
    int sortOrder;           // Paradox sort-order byte; -1 when no 3.x table uses the driver
    int dbaseId;             // dBASE language driver id; -1 when none stands for the driver
};

// By symbolic name, compared without regard to letter case.
const LanguageDriver* languageDriverByName(const QString& name);
// By Paradox sort-order byte. Several drivers share a byte; the DOS Paradox driver of
// that byte comes first, since only tables from DOS Paradox are identified this way.
const LanguageDriver* languageDriverBySortOrder(std::uint8_t sortOrder);
// By dBASE language driver id or FoxPro code page mark.
const LanguageDriver* languageDriverByDbaseId(std::uint8_t id);

// The code page that a driver name missing from the table tells by the engine's naming
// of dBASE drivers: "DB", the code page ("WIN" for 1252), a region and a digit.
std::optional<int> codePageOfDriverName(const QString& name);

} // namespace korvex
