#include "LanguageDrivers.h"

#include <QRegularExpression>

namespace korvex::dbase {

namespace {

struct DriverById {
    std::uint8_t id;
    int codePage;
    const char* name;         // the engine's driver of that id; "" for FoxPro code page marks
    const char* description;  // the engine's (dBASE) or FoxPro's (code page marks) text
};

// dBASE language driver ids with the engine drivers they stand for, and the FoxPro code
// page marks with FoxPro's own names for them.
constexpr DriverById kById[] = {
    {0x01, 437, "", "U.S. MS-DOS"},
    {0x02, 850, "", "International MS-DOS"},
    {0x03, 1252, "", "Windows ANSI"},
    {0x04, 10000, "", "Standard Macintosh"},
    {0x08, 865, "DB865DA0", "dBASE DAN cp865"},
    {0x09, 437, "DB437NL0", "dBASE NLD cp437"},
    {0x0A, 850, "DB850NL0", "dBASE NLD cp850"},
    {0x0B, 437, "DB437FI0", "dBASE FIN cp437"},
    {0x0C, 850, "", ""},  // listed with a code page, but the engine has no driver for it
    {0x0D, 437, "DB437FR0", "dBASE FRA cp437"},
    {0x0E, 850, "DB850FR0", "dBASE FRA cp850"},
    {0x0F, 437, "DB437DE0", "dBASE DEU cp437"},
    {0x10, 850, "DB850DE0", "dBASE DEU cp850"},
    {0x11, 437, "DB437IT0", "dBASE ITA cp437"},
    {0x12, 850, "DB850IT1", "dBASE ITA cp850"},
    {0x13, 932, "DB932JP0", "dBASE JPN cp932"},
    {0x14, 850, "DB850ES0", "dBASE ESP cp850"},
    {0x15, 437, "DB437SV0", "dBASE SVE cp437"},
    {0x16, 850, "DB850SV1", "dBASE SVE cp850"},
    {0x17, 865, "DB865NO0", "dBASE NOR cp865"},
    {0x18, 437, "DB437ES1", "dBASE ESP cp437"},
    {0x19, 437, "DB437UK0", "dBASE ENG cp437"},
    {0x1A, 850, "DB850UK0", "dBASE ENG cp850"},
    {0x1B, 437, "DB437US0", "dBASE ENU cp437"},
    {0x1C, 863, "DB863CF1", "dBASE FRC cp863"},
    {0x1D, 850, "DB850CF0", "dBASE FRC cp850"},
    {0x1F, 852, "DB852CZ0", "dBASE CSY cp852"},
    {0x20, 867, "DB867CZ0", "dBASE CSY cp867"},
    {0x22, 852, "db852hdc", "dBASE HUN cp852"},
    {0x23, 852, "db852po0", "dBASE PLK cp852"},
    {0x24, 860, "DB860PT0", "dBASE PTG cp860"},
    {0x25, 850, "DB850PT0", "dBASE PTB cp850"},
    {0x26, 866, "db866ru0", "dBASE RUS cp866"},
    {0x37, 850, "DB850US0", "dBASE ENU cp850"},
    {0x4D, 936, "DB936CN0", "dBASE CHS cp936"},
    {0x4E, 949, "DB949KO0", "dBASE KOR cp949"},
    {0x4F, 950, "DB950TW0", "dBASE CHT cp950"},
    {0x50, 874, "DB874TH0", "dBASE THA cp874"},
    {0x56, 932, "DB932JP1", "dBASE JPN Dic932"},
    {0x57, 1252, "DBWINUS0", "'ascii' ANSI"},
    {0x58, 1252, "DBWINWE0", "'WEurope' ANSI"},
    {0x59, 1252, "DBWINES0", "'Spanish' ANSI"},
    // German and Nordic FoxPro drivers: code pages known, names and texts not.
    {0x5E, 437, "", ""},
    {0x5F, 437, "", ""},
    {0x60, 850, "", ""},
    {0x61, 1252, "", ""},
    {0x62, 1252, "", ""},
    {0x64, 852, "", "Eastern European MS-DOS"},
    {0x65, 866, "", "Russian MS-DOS"},
    {0x66, 865, "", "Nordic MS-DOS"},
    {0x67, 861, "", "Icelandic MS-DOS"},
    {0x68, 895, "", "Kamenicky (Czech) MS-DOS"},
    {0x69, 620, "", "Mazovia (Polish) MS-DOS"},
    {0x6A, 737, "", "Greek MS-DOS (437G)"},
    {0x6B, 857, "", "Turkish MS-DOS"},
    {0x78, 950, "", "Traditional Chinese (Hong Kong SAR, Taiwan) Windows"},
    {0x79, 949, "", "Korean Windows"},
    {0x7A, 936, "", "Chinese Simplified (PRC, Singapore) Windows"},
    {0x7B, 932, "", "Japanese Windows"},
    {0x7C, 874, "", "Thai Windows"},
    {0x7D, 1255, "", "Hebrew Windows"},
    {0x7E, 1256, "", "Arabic Windows"},
    {0x85, 862, "dbHebrew", "Hebrew dBASE"},
    {0x86, 737, "db437gr0", "dBASE ELL GR437"},
    {0x87, 852, "db852sl0", "dBASE SLO cp852"},
    {0x88, 857, "DB857TR0", "dBASE TRK cp857"},
    {0x8E, 868, "BGDB868", "dBASE BUL 868"},
    {0x96, 10007, "", "Russian Macintosh"},
    {0x97, 10029, "", "Macintosh EE"},
    {0x98, 10006, "", "Greek Macintosh"},
    {0xC8, 1250, "", "Eastern European Windows"},
    {0xC9, 1251, "", "Russian Windows"},
    {0xCA, 1254, "", "Turkish Windows"},
    {0xCB, 1253, "", "Greek Windows"},
};

struct DriverByName {
    const char* name;
    int codePage;
    const char* description;
};

// Engine drivers that no dBASE id stands for but that a level-7 table may name: the
// engine lets a dBASE table use any of its drivers.
constexpr DriverByName kOtherNames[] = {
    {"db437th0", 437, "dBASE THA cp437"},
    {"BLLT1DA0", 1252, "Borland DAN Latin-1"}, {"BLLT1DE0", 1252, "Borland DEU Latin-1"},
    {"BLLT1UK0", 1252, "Borland ENG Latin-1"}, {"BLLT1US0", 1252, "Borland ENU Latin-1"},
    {"BLLT1ES0", 1252, "Borland ESP Latin-1"}, {"BLLT1FI0", 1252, "Borland FIN Latin-1"},
    {"BLLT1FR0", 1252, "Borland FRA Latin-1"}, {"BLLT1CA0", 1252, "Borland FRC Latin-1"},
    {"BLLT1IS0", 1252, "Borland ISL Latin-1"}, {"BLLT1IT0", 1252, "Borland ITA Latin-1"},
    {"BLLT1NL0", 1252, "Borland NLD Latin-1"}, {"BLLT1NO0", 1252, "Borland NOR Latin-1"},
    {"BLLT1PT0", 1252, "Borland PTG Latin-1"}, {"BLLT1SV0", 1252, "Borland SVE Latin-1"},
    {"ORAWE850", 850, "Oracle SQL WE850"},
    {"ANHEBREW", 1255, "Paradox ANSI HEBREW"},
    {"ascii", 850, "Paradox 'ascii'"},      {"cyrr", 866, "Paradox Cyrr 866"},
    {"czech", 852, "Paradox Czech 852"},     {"cskamen", 867, "Paradox Czech 867"},
    {"SPANISH", 437, "Paradox ESP 437"},     {"grcp437", 737, "Paradox Greek GR437"},
    {"hebrew", 862, "Paradox 'hebrew'"},     {"hun852dc", 852, "Paradox Hun 852 DC"},
    {"intl", 437, "Paradox 'intl'"},         {"intl850", 850, "Paradox 'intl' 850"},
    {"iceland", 861, "Paradox ISL 861"},     {"nordan", 865, "Paradox 'nordan'"},
    {"nordan40", 865, "Paradox 'nordan40'"}, {"polish", 852, "Paradox Polish 852"},
    {"slovene", 852, "Paradox Slovene 852"}, {"swedfin", 437, "Paradox 'swedfin'"},
    {"thai", 437, "Paradox Thai 437"},       {"turk", 857, "Paradox 'turk'"},
    {"ancyrr", 1251, "Pdox ANSI Cyrillic"},  {"anczech", 1250, "Pdox ANSI Czech"},
    {"angreek1", 1253, "Pdox ANSI Greek"},   {"anhundc", 1250, "Pdox ANSI Hun. DC"},
    {"ANSIINTL", 1252, "Pdox ANSI Intl"},    {"ANSII850", 1252, "Pdox ANSI Intl850"},
    {"ANSINOR4", 1252, "Pdox ANSI Nordan4"}, {"anpolish", 1250, "Pdox ANSI Polish"},
    {"ansislov", 1250, "Pdox ANSI Slovene"}, {"ANSISPAN", 1252, "Pdox ANSI Spanish"},
    {"ANSISWFN", 1252, "Pdox ANSI Swedfin"}, {"anthai", 1252, "Pdox ANSI Thai"},
    {"ANTURK", 1254, "Pdox ANSI Turkish"},
    {"SYDC437", 437, "Sybase SQL Dic437"},   {"SYDC850", 850, "Sybase SQL Dic850"},
    {"FOXDEWIN", 1252, "FoxPro German 1252"}, {"FOXDE437", 437, ""},
    {"FOXNOWIN", 1252, ""}, {"FOXNO437", 437, ""}, {"FOXNO850", 850, ""},
    {"FOXCZWIN", 1250, "FoxPro Czech 1250"}, {"FOXCZ895", 895, ""},
};

bool sameName(const QString& a, const char* b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

} // namespace

LanguageDriver languageDriverOfId(std::uint8_t id)
{
    for (const auto& d : kById)
        if (d.id == id)
            return {d.codePage, QString::fromLatin1(d.name), QString::fromLatin1(d.description)};
    return {};
}

LanguageDriver languageDriverOfName(const QString& name, int fallbackCodePage)
{
    for (const auto& d : kById)
        if (*d.name && sameName(name, d.name))
            return {d.codePage, name, QString::fromLatin1(d.description)};
    for (const auto& d : kOtherNames)
        if (sameName(name, d.name))
            return {d.codePage, name, QString::fromLatin1(d.description)};

    // The engine's dBASE drivers are named "DB", the code page ("WIN" for 1252), a
    // region and a digit: a driver missing from the list still tells its code page.
    static const QRegularExpression named(QStringLiteral("^DB(\\d{3,5}|WIN)[A-Z]{2}\\d$"),
                                          QRegularExpression::CaseInsensitiveOption);
    if (const auto m = named.match(name); m.hasMatch()) {
        const QString cp = m.captured(1);
        return {cp.compare(QLatin1String("WIN"), Qt::CaseInsensitive) == 0 ? 1252 : cp.toInt(), name, {}};
    }
    return {fallbackCodePage, name, {}};
}

} // namespace korvex::dbase
