#include "CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace korvex {

namespace {

struct Mapping {
    int number;
    const char* converter;
};

constexpr Mapping kMappings[] = {
    {437, "IBM437"},       {620, "IBM437"},        {737, "IBM737"},       {850, "IBM850"},
    {852, "IBM852"},       {857, "IBM857"},        {860, "IBM860"},       {861, "IBM861"},
    {862, "IBM862"},       {863, "IBM863"},        {864, "IBM864"},       {865, "IBM865"},
    {866, "IBM866"},       {867, "IBM437"},        {868, "IBM868"},       {869, "IBM869"},
    {874, "windows-874"},  {895, "IBM437"},        {932, "Shift_JIS"},    {936, "GBK"},
    {949, "windows-949"},  {950, "Big5"},          {1250, "windows-1250"}, {1251, "windows-1251"},
    {1252, "windows-1252"}, {1253, "windows-1253"}, {1254, "windows-1254"}, {1255, "windows-1255"},
    {1256, "windows-1256"}, {1257, "windows-1257"}, {1258, "windows-1258"}, {10000, "macintosh"},
    {10006, "x-mac-greek"}, {10007, "x-mac-cyrillic"}, {10029, "x-mac-ce"},
};

const char* converterFor(int number)
{
    for (const auto& m : kMappings)
        if (m.number == number)
            return m.converter;
    return "windows-1252";
}

} // namespace

CodePage::CodePage(int number) : number_(number), converter_(converterFor(number)) {}

QString CodePage::decode(std::span<const std::byte> bytes) const
{
    const QByteArrayView view(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    QStringDecoder decoder(converter_);
    if (!decoder.isValid())
        return QString::fromLatin1(view);
    return decoder.decode(view);
}

QByteArray CodePage::encode(const QString& text) const
{
    QStringEncoder encoder(converter_);
    if (!encoder.isValid())
        return text.toLatin1();
    return encoder.encode(text);
}

} // namespace korvex
