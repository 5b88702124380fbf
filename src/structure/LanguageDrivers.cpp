#include "LanguageDrivers.h"

#include <QRegularExpression>

#include <iterator>

namespace korvex {

namespace {

// The engine's drivers with their code pages. The drivers a Paradox sort-order byte
// stands for come first, in the order in which a shared byte is resolved: the DOS
// drivers before the ANSI drivers of the same byte. Then the dBASE drivers by id, the
// FoxPro code page marks, and the drivers that neither header number stands for but
// that a table may name.
constexpr LanguageDriver Drivers[] = {
    // name, description, code page, Paradox sort-order byte, dBASE id
    {"ascii", "Paradox 'ascii'", 437, 0x00, -1},
    {"intl", "Paradox 'intl'", 437, 0xB7, -1},
    {"intl850", "Paradox 'intl' 850", 850, 0x54, -1},
    {"nordan", "Paradox 'nordan'", 865, 0x82, -1},
    {"nordan40", "Paradox 'nordan40'", 865, 0xE6, -1},
    {"swedfin", "Paradox 'swedfin'", 437, 0xF0, -1},
    {"cyrr", "Paradox Cyrr 866", 866, 0xC0, -1},
    {"czech", "Paradox Czech 852", 852, 0x0D, -1},
    {"cskamen", "Paradox Czech 867", 867, 0xE2, -1},
    {"SPANISH", "Paradox ESP 437", 437, 0x16, -1},
    {"grcp437", "Paradox Greek GR437", 737, 0x4A, -1},
    {"hebrew", "Paradox 'hebrew'", 862, 0x7D, -1},
    {"hun852dc", "Paradox Hun 852 DC", 852, 0xB1, -1},
    {"iceland", "Paradox ISL 861", 861, 0xD0, -1},
    {"polish", "Paradox Polish 852", 852, 0x8F, -1},
    {"slovene", "Paradox Slovene 852", 852, 0xFC, -1},
    {"thai", "Paradox Thai 437", 437, 0xA6, -1},
    {"turk", "Paradox 'turk'", 857, 0xC6, -1},
    // Seen with code page 936; no source gives the engine's description.
    {"china", "", 936, 0x03, -1},

    {"ANSIINTL", "Pdox ANSI Intl", 1252, 0x62, -1},
    {"ANSII850", "Pdox ANSI Intl850", 1252, 0x11, -1},
    {"ANSINOR4", "Pdox ANSI Nordan4", 1252, 0x4E, -1},
    {"ANSISPAN", "Pdox ANSI Spanish", 1252, 0x5D, -1},
    {"ANSISWFN", "Pdox ANSI Swedfin", 1252, 0x69, -1},
    {"DBWINUS0", "'ascii' ANSI", 1252, 0x4C, 0x57},
    {"DBWINWE0", "'WEurope' ANSI", 1252, 0x40, 0x58},
    {"DBWINES0", "'Spanish' ANSI", 1252, 0x3C, 0x59},
    {"BLROM800", "SQL Link ROMAN8", 0, 0x14, -1},
    {"ANHEBREW", "Paradox ANSI HEBREW", 1255, 0x4C, -1},
    {"ancyrr", "Pdox ANSI Cyrillic", 1251, 0x8F, -1},
    {"anczech", "Pdox ANSI Czech", 1250, 0xDC, -1},
    {"angreek1", "Pdox ANSI Greek", 1253, 0x0E, -1},
    {"anhundc", "Pdox ANSI Hun. DC", 1250, 0xE1, -1},
    {"anpolish", "Pdox ANSI Polish", 1250, 0x5E, -1},
    {"ansislov", "Pdox ANSI Slovene", 1250, 0x6F, -1},
    {"anthai", "Pdox ANSI Thai", 1252, 0x75, -1},
    {"ANTURK", "Pdox ANSI Turkish", 1254, 0xD5, -1},

    {"DB865DA0", "dBASE DAN cp865", 865, -1, 0x08},
    {"DB437NL0", "dBASE NLD cp437", 437, -1, 0x09},
    {"DB850NL0", "dBASE NLD cp850", 850, -1, 0x0A},
    {"DB437FI0", "dBASE FIN cp437", 437, -1, 0x0B},
    {"", "", 850, -1, 0x0C}, // listed with a code page, but the engine has no driver for it
    {"DB437FR0", "dBASE FRA cp437", 437, -1, 0x0D},
    {"DB850FR0", "dBASE FRA cp850", 850, -1, 0x0E},
    {"DB437DE0", "dBASE DEU cp437", 437, -1, 0x0F},
    {"DB850DE0", "dBASE DEU cp850", 850, -1, 0x10},
    {"DB437IT0", "dBASE ITA cp437", 437, -1, 0x11},
    {"DB850IT1", "dBASE ITA cp850", 850, -1, 0x12},
    {"DB932JP0", "dBASE JPN cp932", 932, -1, 0x13},
    {"DB850ES0", "dBASE ESP cp850", 850, -1, 0x14},
    {"DB437SV0", "dBASE SVE cp437", 437, -1, 0x15},
    {"DB850SV1", "dBASE SVE cp850", 850, -1, 0x16},
    {"DB865NO0", "dBASE NOR cp865", 865, -1, 0x17},
    {"DB437ES1", "dBASE ESP cp437", 437, -1, 0x18},
    {"DB437UK0", "dBASE ENG cp437", 437, -1, 0x19},
    {"DB850UK0", "dBASE ENG cp850", 850, -1, 0x1A},
    {"DB437US0", "dBASE ENU cp437", 437, -1, 0x1B},
    {"DB863CF1", "dBASE FRC cp863", 863, -1, 0x1C},
    {"DB850CF0", "dBASE FRC cp850", 850, -1, 0x1D},
    {"DB852CZ0", "dBASE CSY cp852", 852, -1, 0x1F},
    {"DB867CZ0", "dBASE CSY cp867", 867, -1, 0x20},
    {"db852hdc", "dBASE HUN cp852", 852, -1, 0x22},
    {"db852po0", "dBASE PLK cp852", 852, -1, 0x23},
    {"DB860PT0", "dBASE PTG cp860", 860, -1, 0x24},
    {"DB850PT0", "dBASE PTB cp850", 850, -1, 0x25},
    {"db866ru0", "dBASE RUS cp866", 866, -1, 0x26},
    {"DB850US0", "dBASE ENU cp850", 850, -1, 0x37},
    {"DB936CN0", "dBASE CHS cp936", 936, -1, 0x4D},
    {"DB949KO0", "dBASE KOR cp949", 949, -1, 0x4E},
    {"DB950TW0", "dBASE CHT cp950", 950, -1, 0x4F},
    {"DB874TH0", "dBASE THA cp874", 874, -1, 0x50},
    {"DB932JP1", "dBASE JPN Dic932", 932, -1, 0x56},
    {"dbHebrew", "Hebrew dBASE", 862, -1, 0x85},
    {"db437gr0", "dBASE ELL GR437", 737, -1, 0x86},
    {"db852sl0", "dBASE SLO cp852", 852, -1, 0x87},
    {"DB857TR0", "dBASE TRK cp857", 857, -1, 0x88},
    {"BGDB868", "dBASE BUL 868", 868, -1, 0x8E},

    // FoxPro code page marks, with FoxPro's names of their code pages.
    {"", "U.S. MS-DOS", 437, -1, 0x01},
    {"", "International MS-DOS", 850, -1, 0x02},
    {"", "Windows ANSI", 1252, -1, 0x03},
    {"", "Standard Macintosh", 10000, -1, 0x04},
    // German and Nordic FoxPro drivers: code pages known, names and texts not.
    {"", "", 437, -1, 0x5E},
    {"", "", 437, -1, 0x5F},
    {"", "", 850, -1, 0x60},
    {"", "", 1252, -1, 0x61},
    {"", "", 1252, -1, 0x62},
    {"", "Eastern European MS-DOS", 852, -1, 0x64},
    {"", "Russian MS-DOS", 866, -1, 0x65},
    {"", "Nordic MS-DOS", 865, -1, 0x66},
    {"", "Icelandic MS-DOS", 861, -1, 0x67},
    {"", "Kamenicky (Czech) MS-DOS", 895, -1, 0x68},
    {"", "Mazovia (Polish) MS-DOS", 620, -1, 0x69},
    {"", "Greek MS-DOS (437G)", 737, -1, 0x6A},
    {"", "Turkish MS-DOS", 857, -1, 0x6B},
    {"", "Traditional Chinese (Hong Kong SAR, Taiwan) Windows", 950, -1, 0x78},
    {"", "Korean Windows", 949, -1, 0x79},
    {"", "Chinese Simplified (PRC, Singapore) Windows", 936, -1, 0x7A},
    {"", "Japanese Windows", 932, -1, 0x7B},
    {"", "Thai Windows", 874, -1, 0x7C},
    {"", "Hebrew Windows", 1255, -1, 0x7D},
    {"", "Arabic Windows", 1256, -1, 0x7E},
    {"", "Russian Macintosh", 10007, -1, 0x96},
    {"", "Macintosh EE", 10029, -1, 0x97},
    {"", "Greek Macintosh", 10006, -1, 0x98},
    {"", "Eastern European Windows", 1250, -1, 0xC8},
    {"", "Russian Windows", 1251, -1, 0xC9},
    {"", "Turkish Windows", 1254, -1, 0xCA},
    {"", "Greek Windows", 1253, -1, 0xCB},

    {"db437th0", "dBASE THA cp437", 437, -1, -1},
    {"BLLT1DA0", "Borland DAN Latin-1", 1252, -1, -1},
    {"BLLT1DE0", "Borland DEU Latin-1", 1252, -1, -1},
    {"BLLT1UK0", "Borland ENG Latin-1", 1252, -1, -1},
    {"BLLT1US0", "Borland ENU Latin-1", 1252, -1, -1},
    {"BLLT1ES0", "Borland ESP Latin-1", 1252, -1, -1},
    {"BLLT1FI0", "Borland FIN Latin-1", 1252, -1, -1},
    {"BLLT1FR0", "Borland FRA Latin-1", 1252, -1, -1},
    {"BLLT1CA0", "Borland FRC Latin-1", 1252, -1, -1},
    {"BLLT1IS0", "Borland ISL Latin-1", 1252, -1, -1},
    {"BLLT1IT0", "Borland ITA Latin-1", 1252, -1, -1},
    {"BLLT1NL0", "Borland NLD Latin-1", 1252, -1, -1},
    {"BLLT1NO0", "Borland NOR Latin-1", 1252, -1, -1},
    {"BLLT1PT0", "Borland PTG Latin-1", 1252, -1, -1},
    {"BLLT1SV0", "Borland SVE Latin-1", 1252, -1, -1},
    {"ORAWE850", "Oracle SQL WE850", 850, -1, -1},
    {"SYDC437", "Sybase SQL Dic437", 437, -1, -1},
    {"SYDC850", "Sybase SQL Dic850", 850, -1, -1},
    {"FOXDEWIN", "FoxPro German 1252", 1252, -1, -1},
    {"FOXDE437", "", 437, -1, -1},
    {"FOXNOWIN", "", 1252, -1, -1},
    {"FOXNO437", "", 437, -1, -1},
    {"FOXNO850", "", 850, -1, -1},
    {"FOXCZWIN", "FoxPro Czech 1250", 1250, -1, -1},
    {"FOXCZ895", "", 895, -1, -1},
};

} // namespace

const LanguageDriver* languageDriverByName(const QString& name)
{
    if (name.isEmpty())
        return nullptr;
    for (const auto& d : Drivers)
        if (name.compare(QLatin1String(d.name), Qt::CaseInsensitive) == 0)
            return &d;
    return nullptr;
}

const LanguageDriver* languageDriverBySortOrder(std::uint8_t sortOrder)
{
    for (const auto& d : Drivers)
        if (d.sortOrder == sortOrder)
            return &d;
    return nullptr;
}

const LanguageDriver* languageDriverByDbaseId(std::uint8_t id)
{
    for (const auto& d : Drivers)
        if (d.dbaseId == id)
            return &d;
    return nullptr;
}

std::optional<int> codePageOfDriverName(const QString& name)
{
    static const QRegularExpression Named(QStringLiteral("^DB(\\d{3,5}|WIN)[A-Z]{2}\\d$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const auto m = Named.match(name);
    if (!m.hasMatch())
        return std::nullopt;
    const QString cp = m.captured(1);
    return cp.compare(QLatin1String("WIN"), Qt::CaseInsensitive) == 0 ? 1252 : cp.toInt();
}

} // namespace korvex
