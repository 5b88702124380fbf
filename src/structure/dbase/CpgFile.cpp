#include "CpgFile.h"

#include "CodePage.h"
#include "LanguageDrivers.h"

#include <QString>

namespace korvex::dbase {

namespace {

// ISO 8859 part n has the Windows code page number 28590 + n.
constexpr int Iso8859Base = 28590;

struct Alias {
    const char* name; // upper case, without blanks, hyphens or underscores
    int codePage;
};

constexpr Alias Aliases[] = {
    {"UTF8", CodePage::Utf8}, {"LATIN1", 28591}, {"KOI8R", 20866}, {"KOI8U", 21866}, {"BIG5", 950}, {"GBK", 936},
    {"GB2312", 936},          {"SHIFTJIS", 932}, {"SJIS", 932},    {"EUCKR", 949},
};

// Words that stand before a code page number.
constexpr const char* NumberPrefixes[] = {"WINDOWS", "ANSI", "OEM", "IBM", "DOS", "WIN", "CP", "MS"};

std::optional<int> number(const QString& digits)
{
    if (digits.isEmpty() || digits.size() > 5)
        return std::nullopt;
    bool ok = false;
    const int n = digits.toInt(&ok, 10);
    return ok ? std::optional<int>(n) : std::nullopt;
}

std::optional<int> iso8859Part(const QString& part)
{
    const auto n = number(part);
    if (!n || *n < 1 || *n > 16)
        return std::nullopt;
    return Iso8859Base + *n;
}

std::optional<int> namedCodePage(const QString& text)
{
    QString compact;
    for (const QChar c : text)
        if (c != u' ' && c != u'-' && c != u'_')
            compact += c;
    for (const auto& a : Aliases)
        if (compact == QLatin1String(a.name))
            return a.codePage;
    if (compact.startsWith(QLatin1String("LDID/"))) {
        const auto id = number(compact.mid(5));
        const auto* driver = id && *id <= 0xFF ? languageDriverByDbaseId(std::uint8_t(*id)) : nullptr;
        if (!driver)
            return std::nullopt;
        return driver->codePage != 0 ? driver->codePage : 1252;
    }
    if (compact.startsWith(QLatin1String("ISO8859")))
        return iso8859Part(compact.mid(7));
    // "8859-5" names the part after a hyphen; "88591", without one, the digits after 8859.
    if (compact.startsWith(QLatin1String("8859")) && compact.size() > 4 && compact.size() <= 6)
        return iso8859Part(compact.mid(4));
    for (const char* prefix : NumberPrefixes)
        if (compact.startsWith(QLatin1String(prefix)))
            return number(compact.mid(qsizetype(qstrlen(prefix))));
    return number(compact);
}

} // namespace

std::optional<int> codePageOfCpg(QByteArrayView text)
{
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    const QString name = QString::fromLatin1(text).trimmed().toUpper();
    const auto codePage = namedCodePage(name);
    if (!codePage || !CodePage::isKnown(*codePage))
        return std::nullopt;
    return codePage;
}

} // namespace korvex::dbase
