#pragma once

#include "SettingsFile.h"

#include <QString>
#include <QStringList>

#include <array>

namespace korvex {

// The texts of the report's choices as the settings file stores them and the header code
// compares them (exactly, with case).
struct HeaderChoice {
    // Visibility
    static inline const QString DoNotPrint = QStringLiteral("Do not print");
    static inline const QString FirstPageOnly = QStringLiteral("1. Page only");
    static inline const QString LaterPages = QStringLiteral("2. - n. Page"); // sub header only
    static inline const QString AllPages = QStringLiteral("All pages");
    // Alignment
    static inline const QString Left = QStringLiteral("Left");
    static inline const QString Center = QStringLiteral("Center");
    static inline const QString Right = QStringLiteral("Right");
    // Font attributes
    static inline const QString Standard = QStringLiteral("Standard");
    static inline const QString Bold = QStringLiteral("Bold");
    static inline const QString Italic = QStringLiteral("Italic");
    static inline const QString BoldItalic = QStringLiteral("Bold/Italic");
};

// The lists the configuration dialog offers, in the order it shows them.
QStringList mainHeaderVisibilityChoices();
QStringList subHeaderVisibilityChoices();
QStringList headerAlignmentChoices();
QStringList fontAttributeChoices();
// "05 %" to "50 %" in steps of five.
QStringList zebraShadingChoices();

// The look of one page header.
struct HeaderOptions {
    static constexpr int ChoiceLength = 15; // visibility, alignment, font attributes
    static constexpr int FontNameLength = 25;

    QString visibility = HeaderChoice::DoNotPrint;
    QString text; // with macros
    QString alignment = HeaderChoice::Center;
    QString fontName = QStringLiteral("Arial");
    int fontSize = 11; // points
    QString fontAttributes = HeaderChoice::Standard;
    int spacingBefore = 0; // millimetres
    int spacingAfter = 10; // millimetres

    bool operator==(const HeaderOptions&) const = default;
};

// The keys of one header, in the order they are loaded.
struct HeaderKeys {
    TextKey visibility;
    TextKey text;
    TextKey alignment;
    TextKey fontName;
    TextKey fontSize; // a whole number of points, stored as the chosen text
    TextKey fontAttributes;
    NumberKey spacingBefore; // millimetres
    NumberKey spacingAfter;  // millimetres
};

// The keys of a header whose key names start with prefix, with the defaults of
// HeaderOptions.
HeaderKeys headerKeysWithPrefix(const QString& prefix);

// The keys of section Options with their defaults.
struct OptionKeys {
    // The report switches, in the order they are loaded.
    static inline const FlagKey PrintPageNr{SettingsSection::Options, QStringLiteral("PrintPageNr"), true};
    static inline const FlagKey PrintDate{SettingsSection::Options, QStringLiteral("PrintDate"), true};
    static inline const FlagKey PrintGrid{SettingsSection::Options, QStringLiteral("PrintGrid"), true};
    static inline const FlagKey PrintCopyright{SettingsSection::Options, QStringLiteral("PrintCopyright"), false};
    static inline const FlagKey PrintHeader{SettingsSection::Options, QStringLiteral("PrintHeader"), true};
    static inline const FlagKey PrintZebraPattern{SettingsSection::Options, QStringLiteral("PrintZebraPattern"), true};
    static inline const FlagKey SecondaryIndex{SettingsSection::Options, QStringLiteral("SecondaryIndex"), true};
    static inline const FlagKey RefIntegrity{SettingsSection::Options, QStringLiteral("RefIntegrity"), true};
    static inline const FlagKey RefIntegrityMaster{SettingsSection::Options, QStringLiteral("RefIntegrityMaster"),
                                                   true};
    static inline const FlagKey RefIntegrityDependent{SettingsSection::Options, QStringLiteral("RefIntegrityDependent"),
                                                      true};

    static inline const FlagKey Portrait{SettingsSection::Options, QStringLiteral("Portrait"), true};
    static inline const FlagKey ShowHints{SettingsSection::Options, QStringLiteral("ShowHints"), true};
    // Note the default's missing blank: it is not one of the list's texts, yet it reads
    // as 10 per cent like "10 %".
    static inline const TextKey ColorZebraPattern{SettingsSection::Options, QStringLiteral("ColorZebraPattern"),
                                                  QStringLiteral("10%")};

    // Edited by hand only; the report writes them back when they hold their defaults, so
    // that they stand in the file for editing.
    static inline const NumberKey OffsetFirstField{SettingsSection::Options, QStringLiteral("OffsetFirstField"), 0};
    static inline const TextKey IndexChar{SettingsSection::Options, QStringLiteral("IndexChar"), QStringLiteral("*")};
    static inline const FlagKey Margins_Disabled{SettingsSection::Options, QStringLiteral("Margins_Disabled"), false};

    // Millimetres from the paper's physical edge.
    static inline const NumberKey Margin_Left{SettingsSection::Options, QStringLiteral("Margin_Left"), 20};
    static inline const NumberKey Margin_Right{SettingsSection::Options, QStringLiteral("Margin_Right"), 18};
    static inline const NumberKey Margin_Top{SettingsSection::Options, QStringLiteral("Margin_Top"), 0};
    static inline const NumberKey Margin_Bottom{SettingsSection::Options, QStringLiteral("Margin_Bottom"), 0};

    static inline const HeaderKeys MainHeader = headerKeysWithPrefix(QStringLiteral("Main_Header_"));
    static inline const HeaderKeys SubHeader = headerKeysWithPrefix(QStringLiteral("Sub_Header_"));
};

// The keys of section FONT: the font of the report body.
struct FontKeys {
    static inline const TextKey Name{SettingsSection::Font, QStringLiteral("Name"), QStringLiteral("Arial")};
    static inline const NumberKey Size{SettingsSection::Font, QStringLiteral("Size"), 10}; // points
};

// The font of the report body, held in memory from the program's start: read from FONT
// once, changed only by the configuration dialog's Save, which writes it as well.
struct BodyFont {
    QString name = FontKeys::Name.defaultValue;
    int points = FontKeys::Size.defaultValue;

    bool operator==(const BodyFont&) const = default;
};
BodyFont loadBodyFont(const SettingsFile& settings);

struct FontStyle {
    bool bold = false;
    bool italic = false;

    bool operator==(const FontStyle&) const = default;
};

// "Bold", "Italic" and "Bold/Italic" give their styles, exactly so written; any other text
// ("Standard") the plain style.
FontStyle FontStyleOf(const QString& attributes);

// The grey of the zebra shading for a stored shading choice: of its first five
// characters, the first two, when both are digits, give the percentage p, otherwise p is
// 10; the grey is 255 - p * 2.55, truncated.
int zebraGrayOf(const QString& choice);

// The report options of one table, loaded afresh for every printed table.
struct ReportSettings {
    bool PrintPageNr = OptionKeys::PrintPageNr.defaultValue;
    bool PrintDate = OptionKeys::PrintDate.defaultValue;
    bool PrintGrid = OptionKeys::PrintGrid.defaultValue;
    bool PrintCopyright = OptionKeys::PrintCopyright.defaultValue;
    bool PrintHeader = OptionKeys::PrintHeader.defaultValue;
    bool PrintZebraPattern = OptionKeys::PrintZebraPattern.defaultValue;
    bool SecondaryIndex = OptionKeys::SecondaryIndex.defaultValue;
    bool RefIntegrity = OptionKeys::RefIntegrity.defaultValue;
    bool RefIntegrityMaster = OptionKeys::RefIntegrityMaster.defaultValue;
    bool RefIntegrityDependent = OptionKeys::RefIntegrityDependent.defaultValue;

    int OffsetFirstField = OptionKeys::OffsetFirstField.defaultValue;
    // Red = green = blue of the shading, 0 to 255.
    int ZebraGray = zebraGrayOf(OptionKeys::ColorZebraPattern.defaultValue);
    QString IndexChar = OptionKeys::IndexChar.defaultValue; // one character, or empty

    HeaderOptions mainHeader;
    HeaderOptions subHeader;

    bool Margins_Disabled = OptionKeys::Margins_Disabled.defaultValue;
    int Margin_Left = OptionKeys::Margin_Left.defaultValue; // millimetres
    int Margin_Right = OptionKeys::Margin_Right.defaultValue;
    int Margin_Top = OptionKeys::Margin_Top.defaultValue;
    int Margin_Bottom = OptionKeys::Margin_Bottom.defaultValue;

    // The page orientation of the job; the report sets it on the printer.
    bool Portrait = OptionKeys::Portrait.defaultValue;

    // The body font is not in the file's options: the report fills it in from the font
    // held in memory since the program started.
    QString BodyFontName = FontKeys::Name.defaultValue;
    int BodyFontSize = FontKeys::Size.defaultValue; // points

    bool operator==(const ReportSettings&) const = default;
};

// The ten report switches in the order they are loaded, with the fields they fill.
struct ReportFlag {
    const FlagKey* key;
    bool ReportSettings::*field;
};
const std::array<ReportFlag, 10>& reportFlags();

// Loads one header's options; a font size that is not a whole number raises
// SettingsValueError.
HeaderOptions loadHeaderOptions(const SettingsFile& settings, const HeaderKeys& keys);

// Loads the report options from the settings file, the page orientation last; the body
// font keeps its defaults. Writes OffsetFirstField and IndexChar back when they hold 0 and
// "*", so that they stand in the file for editing by hand; when the file cannot be written
// the values read are used all the same, and the settings file's warning tells it. Raises
// SettingsValueError for a header font size that is not a whole number.
ReportSettings LoadReportSettings(SettingsFile& settings);

} // namespace korvex
