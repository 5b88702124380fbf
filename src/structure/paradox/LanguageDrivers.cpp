#include "LanguageDrivers.h"

namespace korvex::paradox {

namespace {

// The engine's Paradox drivers, then the dBASE drivers a Paradox table may also name.
// Where two drivers share a sort-order byte, the DOS driver comes first.
constexpr LanguageDriver kDrivers[] = {
    {0x00, "ascii", "Paradox 'ascii'", 437},
    {0xB7, "intl", "Paradox 'intl'", 437},
    {0x54, "intl850", "Paradox 'intl' 850", 850},
    {0x82, "nordan", "Paradox 'nordan'", 865},
    {0xE6, "nordan40", "Paradox 'nordan40'", 865},
    {0xF0, "swedfin", "Paradox 'swedfin'", 437},
    {0xC0, "cyrr", "Paradox Cyrr 866", 866},
    {0x0D, "czech", "Paradox Czech 852", 852},
    {0xE2, "cskamen", "Paradox Czech 867", 867},
    {0x16, "SPANISH", "Paradox ESP 437", 437},
    {0x4A, "grcp437", "Paradox Greek GR437", 737},
    {0x7D, "hebrew", "Paradox 'hebrew'", 862},
    {0xB1, "hun852dc", "Paradox Hun 852 DC", 852},
    {0xD0, "iceland", "Paradox ISL 861", 861},
    {0x8F, "polish", "Paradox Polish 852", 852},
    {0xFC, "slovene", "Paradox Slovene 852", 852},
    {0xA6, "thai", "Paradox Thai 437", 437},
    {0xC6, "turk", "Paradox 'turk'", 857},
    // Seen with code page 936; no source gives the engine's description.
    {0x03, "china", "", 936},
    {0x62, "ANSIINTL", "Pdox ANSI Intl", 1252},
    {0x11, "ANSII850", "Pdox ANSI Intl850", 1252},
    {0x4E, "ANSINOR4", "Pdox ANSI Nordan4", 1252},
    {0x5D, "ANSISPAN", "Pdox ANSI Spanish", 1252},
    {0x69, "ANSISWFN", "Pdox ANSI Swedfin", 1252},
    {0x4C, "DBWINUS0", "'ascii' ANSI", 1252},
    {0x40, "DBWINWE0", "'WEurope' ANSI", 1252},
    {0x3C, "DBWINES0", "'Spanish' ANSI", 1252},
    {0x14, "BLROM800", "SQL Link ROMAN8", 0},
    {0x4C, "ANHEBREW", "Paradox ANSI HEBREW", 1255},
    {0x8F, "ancyrr", "Pdox ANSI Cyrillic", 1251},
    {0xDC, "anczech", "Pdox ANSI Czech", 1250},
    {0x0E, "angreek1", "Pdox ANSI Greek", 1253},
    {0xE1, "anhundc", "Pdox ANSI Hun. DC", 1250},
    {0x5E, "anpolish", "Pdox ANSI Polish", 1250},
    {0x6F, "ansislov", "Pdox ANSI Slovene", 1250},
    {0x75, "anthai", "Pdox ANSI Thai", 1252},
    {0xD5, "ANTURK", "Pdox ANSI Turkish", 1254},
    {-1, "DB437US0", "dBASE ENU cp437", 437},
    {-1, "DB850DE0", "dBASE DEU cp850", 850},
};

} // namespace

const LanguageDriver* languageDriverById(QByteArrayView id)
{
    for (const auto& d : kDrivers)
        if (id.compare(QByteArrayView(d.id), Qt::CaseInsensitive) == 0)
            return &d;
    return nullptr;
}

const LanguageDriver* languageDriverBySortOrder(std::uint8_t sortOrder)
{
    for (const auto& d : kDrivers)
        if (d.sortOrder == sortOrder)
            return &d;
    return nullptr;
}

} // namespace korvex::paradox
