#include "ReportSettings.h"

namespace korvex {

namespace {

// Shading choices hold a percentage in their first two characters ("05 %").
constexpr int ZebraChoiceLength = 5;
constexpr int DefaultZebraPercent = 10;

// The first character of text, a pair of surrogates counting as one; empty for an empty text.
QString firstCharacter(const QString& text)
{
    if (text.size() >= 2 && text[0].isHighSurrogate() && text[1].isLowSurrogate())
        return text.left(2);
    return text.left(1);
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int wholeNumber(const SettingsFile& settings, const TextKey& key)
{
    const QString text = settings.ReadText(key);
    const auto number = parseSettingsNumber(text);
    if (!number)
        throw SettingsValueError(key.section, key.name, text);
    return *number;
}

} // namespace

QStringList mainHeaderVisibilityChoices()
{
    return {HeaderChoice::DoNotPrint, HeaderChoice::FirstPageOnly, HeaderChoice::AllPages};
}

QStringList subHeaderVisibilityChoices()
{
    return {HeaderChoice::DoNotPrint, HeaderChoice::FirstPageOnly, HeaderChoice::LaterPages, HeaderChoice::AllPages};
}

QStringList headerAlignmentChoices()
{
    return {HeaderChoice::Left, HeaderChoice::Center, HeaderChoice::Right};
}

QStringList fontAttributeChoices()
{
    return {HeaderChoice::Standard, HeaderChoice::Bold, HeaderChoice::Italic, HeaderChoice::BoldItalic};
}

QStringList zebraShadingChoices()
{
    QStringList choices;
    for (int percent = 5; percent <= 50; percent += 5)
        choices << QStringLiteral("%1 %").arg(percent, 2, 10, QLatin1Char('0'));
    return choices;
}

HeaderKeys headerKeysWithPrefix(const QString& prefix)
{
    const HeaderOptions defaults;
    const auto& section = SettingsSection::Options;
    return {
        {section, prefix + QStringLiteral("Visible"), defaults.visibility},
        {section, prefix + QStringLiteral("Text"), defaults.text},
        {section, prefix + QStringLiteral("Alignment"), defaults.alignment},
        {section, prefix + QStringLiteral("FontName"), defaults.fontName},
        {section, prefix + QStringLiteral("FontSize"), QString::number(defaults.fontSize)},
        {section, prefix + QStringLiteral("FontAttr"), defaults.fontAttributes},
        {section, prefix + QStringLiteral("Spacing_B"), defaults.spacingBefore},
        {section, prefix + QStringLiteral("Spacing_A"), defaults.spacingAfter},
    };
}

BodyFont loadBodyFont(const SettingsFile& settings)
{
    return BodyFont{settings.ReadText(FontKeys::Name), settings.ReadNumber(FontKeys::Size)};
}

FontStyle FontStyleOf(const QString& attributes)
{
    if (attributes == HeaderChoice::Bold)
        return {true, false};
    if (attributes == HeaderChoice::Italic)
        return {false, true};
    if (attributes == HeaderChoice::BoldItalic)
        return {true, true};
    return {};
}

int zebraGrayOf(const QString& choice)
{
    const QString head = choice.left(ZebraChoiceLength);
    const int percent = head.size() >= 2 && isDigit(head[0]) && isDigit(head[1])
                            ? (head[0].unicode() - '0') * 10 + (head[1].unicode() - '0')
                            : DefaultZebraPercent;
    // 255 - p * 2.55 worked in whole hundredths: 2.55 has no exact binary form, and where
    // the exact result is whole (p = 20, 40) a product a hair too large would truncate one
    // grey step too low. The value is never negative, so integer division truncates.
    return (25500 - percent * 255) / 100;
}

const std::array<ReportFlag, 10>& reportFlags()
{
    static const std::array<ReportFlag, 10> Flags = {{
        {&OptionKeys::PrintPageNr, &ReportSettings::PrintPageNr},
        {&OptionKeys::PrintDate, &ReportSettings::PrintDate},
        {&OptionKeys::PrintGrid, &ReportSettings::PrintGrid},
        {&OptionKeys::PrintCopyright, &ReportSettings::PrintCopyright},
        {&OptionKeys::PrintHeader, &ReportSettings::PrintHeader},
        {&OptionKeys::PrintZebraPattern, &ReportSettings::PrintZebraPattern},
        {&OptionKeys::SecondaryIndex, &ReportSettings::SecondaryIndex},
        {&OptionKeys::RefIntegrity, &ReportSettings::RefIntegrity},
        {&OptionKeys::RefIntegrityMaster, &ReportSettings::RefIntegrityMaster},
        {&OptionKeys::RefIntegrityDependent, &ReportSettings::RefIntegrityDependent},
    }};
    return Flags;
}

HeaderOptions loadHeaderOptions(const SettingsFile& settings, const HeaderKeys& keys)
{
    HeaderOptions header;
    header.visibility = settings.ReadText(keys.visibility).left(HeaderOptions::ChoiceLength);
    header.text = settings.ReadText(keys.text);
    header.alignment = settings.ReadText(keys.alignment).left(HeaderOptions::ChoiceLength);
    header.fontName = settings.ReadText(keys.fontName).left(HeaderOptions::FontNameLength);
    header.fontSize = wholeNumber(settings, keys.fontSize);
    header.fontAttributes = settings.ReadText(keys.fontAttributes).left(HeaderOptions::ChoiceLength);
    header.spacingBefore = settings.ReadNumber(keys.spacingBefore);
    header.spacingAfter = settings.ReadNumber(keys.spacingAfter);
    return header;
}

ReportSettings LoadReportSettings(SettingsFile& settings)
{
    ReportSettings report;

    for (const ReportFlag& flag : reportFlags())
        report.*flag.field = settings.ReadFlag(*flag.key);

    // The hand-edited keys are written back when they hold their defaults, so that a user
    // finds them in the file.
    report.OffsetFirstField = settings.ReadNumber(OptionKeys::OffsetFirstField);
    if (report.OffsetFirstField == 0)
        settings.writeBack(OptionKeys::OffsetFirstField, 0);

    report.ZebraGray = zebraGrayOf(settings.ReadText(OptionKeys::ColorZebraPattern));

    report.IndexChar = firstCharacter(settings.ReadText(OptionKeys::IndexChar));
    if (report.IndexChar == QLatin1String("*"))
        settings.writeBack(OptionKeys::IndexChar, report.IndexChar);

    report.mainHeader = loadHeaderOptions(settings, OptionKeys::MainHeader);
    report.subHeader = loadHeaderOptions(settings, OptionKeys::SubHeader);

    report.Margins_Disabled = settings.ReadFlag(OptionKeys::Margins_Disabled);
    report.Margin_Left = settings.ReadNumber(OptionKeys::Margin_Left);
    report.Margin_Right = settings.ReadNumber(OptionKeys::Margin_Right);
    report.Margin_Top = settings.ReadNumber(OptionKeys::Margin_Top);
    report.Margin_Bottom = settings.ReadNumber(OptionKeys::Margin_Bottom);

    report.Portrait = settings.ReadFlag(OptionKeys::Portrait);
    return report;
}

} // namespace korvex
