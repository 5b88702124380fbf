#include "CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>

namespace korvex {

namespace {

struct Mapping {
    int number;
    const char* converter;
};

// clang-format off
constexpr Mapping Mappings[] = {
    {437, "IBM437"},        {620, "IBM437"},
    {737, "IBM737"},        {850, "IBM850"},
    {852, "IBM852"},        {857, "IBM857"},
    {860, "IBM860"},        {861, "IBM861"},
    {862, "IBM862"},        {863, "IBM863"},
    {864, "IBM864"},        {865, "IBM865"},
    {866, "IBM866"},        {867, "IBM437"},
    {868, "IBM868"},        {869, "IBM869"},
    {874, "windows-874"},   {895, "IBM437"},
    {932, "Shift_JIS"},     {936, "GBK"},
    {949, "windows-949"},   {950, "Big5"},
    {1250, "windows-1250"}, {1251, "windows-1251"},
    {1252, "windows-1252"}, {1253, "windows-1253"},
    {1254, "windows-1254"}, {1255, "windows-1255"},
    {1256, "windows-1256"}, {1257, "windows-1257"},
    {1258, "windows-1258"}, {10000, "macintosh"},
    {10006, "x-mac-greek"}, {10007, "x-mac-cyrillic"},
    {10029, "x-mac-ce"},    {CodePage::Utf8, "UTF-8"},
    // Named by the .cpg files of shapefile tables, by their Windows numbers.
    {20866, "KOI8-R"},      {21866, "KOI8-U"},
    {28591, "ISO-8859-1"},  {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},  {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"},  {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},  {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"},  {28603, "ISO-8859-13"},
    {28605, "ISO-8859-15"},
};
// clang-format on

const char* converterFor(int number)
{
    for (const auto& m : Mappings)
        if (m.number == number)
            return m.converter;
    return "windows-1252";
}

QByteArrayView viewOf(std::span<const std::byte> bytes)
{
    return QByteArrayView(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// C0 controls, DEL and C1 controls.
bool isControl(QChar c)
{
    return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F);
}

bool hasControl(const QString& text)
{
    return std::any_of(text.begin(), text.end(), isControl);
}

// The 256 characters of a single-byte code page, or nothing for a page whose characters
// take several bytes (Shift_JIS, GBK, Big5, UHC and UTF-8).
using ByteTable = std::array<char16_t, 256>;

std::optional<ByteTable> buildByteTable(const char* converter)
{
    ByteTable table{};
    QStringDecoder decoder(converter);
    if (!decoder.isValid()) {
        for (std::size_t b = 0; b < table.size(); ++b)
            table[b] = char16_t(b); // read as Latin-1
        return table;
    }
    char bytes[256];
    for (int b = 0; b < 256; ++b)
        bytes[b] = char(b);
    const QString all = decoder.decode(QByteArrayView(bytes, 256));
    if (all.size() != 256)
        return std::nullopt;
    for (std::size_t b = 0; b < table.size(); ++b)
        table[b] = all[qsizetype(b)].unicode();
    return table;
}

// Opening a converter costs more than decoding every name of a table: each code page's
// table is made once, at its first use (per thread, as a converter may not be shared),
// and decoding is then a lookup per byte.
const std::optional<ByteTable>& byteTableFor(const char* converter)
{
    static const std::set<std::string_view> MultiBytePages = {"Shift_JIS", "GBK", "windows-949", "Big5", "UTF-8"};
    thread_local std::unordered_map<std::string_view, std::optional<ByteTable>> tables;
    const std::string_view name(converter);
    auto it = tables.find(name);
    if (it == tables.end())
        it = tables.emplace(name, MultiBytePages.contains(name) ? std::nullopt : buildByteTable(converter)).first;
    return it->second;
}

QString decodeWith(const char* converter, std::span<const std::byte> bytes)
{
    if (const auto& table = byteTableFor(converter)) {
        QString text(qsizetype(bytes.size()), Qt::Uninitialized);
        QChar* out = text.data();
        for (std::size_t i = 0; i < bytes.size(); ++i)
            out[i] = QChar((*table)[std::to_integer<unsigned char>(bytes[i])]);
        return text;
    }
    if (std::string_view(converter) == "UTF-8")
        return QString::fromUtf8(viewOf(bytes));
    QStringDecoder decoder(converter);
    if (!decoder.isValid())
        return QString::fromLatin1(viewOf(bytes));
    return decoder.decode(viewOf(bytes));
}

} // namespace

CodePage::CodePage(int number) : number_(number), converter_(converterFor(number))
{}

QString CodePage::withoutControls(QString text)
{
    for (auto& c : text)
        if (isControl(c))
            c = QChar::ReplacementCharacter;
    return text;
}

QString CodePage::decode(std::span<const std::byte> bytes) const
{
    return withoutControls(decodeWith(converter_, bytes));
}

bool CodePage::namesReadBetterAsUtf8(const std::vector<std::span<const std::byte>>& names) const
{
    bool controlHere = false;
    bool beyondAscii = false;
    for (const auto& name : names) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString asUtf8 = utf8.decode(viewOf(name));
        if (utf8.hasError() || hasControl(asUtf8))
            return false;
        const auto nonAscii = [](std::byte b) { return b >= std::byte{0x80}; };
        beyondAscii = beyondAscii || std::any_of(name.begin(), name.end(), nonAscii);
        controlHere = controlHere || hasControl(decodeWith(converter_, name));
    }
    return controlHere && beyondAscii;
}

QByteArray CodePage::encode(const QString& text) const
{
    QStringEncoder encoder(converter_);
    if (!encoder.isValid())
        return text.toLatin1();
    return encoder.encode(text);
}

bool CodePage::isKnown(int number)
{
    return std::any_of(std::begin(Mappings), std::end(Mappings),
                       [number](const Mapping& m) { return m.number == number; });
}

QString utf8NamesWarning(const QString& file, int codePage)
{
    return QStringLiteral("%1: the field names are stored in UTF-8, not in the table's code page %2; "
                          "they are read as UTF-8")
        .arg(file)
        .arg(codePage);
}

} // namespace korvex
