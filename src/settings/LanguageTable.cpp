#include "LanguageTable.h"

namespace korvex {

namespace {

// Row order is part of the settings format: the dialog's grid shows these rows and
// translations are stored under these texts.
const std::array<QString, LanguageTable::RowCount>& builtInTexts()
{
    static const std::array<QString, LanguageTable::RowCount> Texts = {
        // 1: the rights notice; never looked up by the report.
        QStringLiteral("Korvex structure reports. Copyright (c) the Korvex developers"),
        // 2-13: the table information block
        QStringLiteral("Name of table"),
        QStringLiteral("Type of table"),
        QStringLiteral("Language Driver"),
        QStringLiteral("Used Fields"),
        QStringLiteral("Used Indexes"),
        QStringLiteral("Used Passwords"),
        QStringLiteral("Phy. Recordsize"),
        QStringLiteral("Log. Recordsize"),
        QStringLiteral("File Blocksize"),
        QStringLiteral("Primary Keysize"),
        QStringLiteral("Uni-directional"),
        QStringLiteral("Strict integrity"),
        // 14-22: counts, footer, yes/no, units, logical values
        QStringLiteral("None"),
        QStringLiteral("Page:"),
        QStringLiteral("Date:"),
        QStringLiteral("Yes"),
        QStringLiteral("No"),
        QStringLiteral("Bytes"),
        QStringLiteral("KBytes"),
        QStringLiteral("true"),
        QStringLiteral("false"),
        // 23-31: field table captions
        QStringLiteral("No."),
        QStringLiteral("Name"),
        QStringLiteral("Type"),
        QStringLiteral("Size"),
        QStringLiteral("Min.Val"),
        QStringLiteral("Max.Val"),
        QStringLiteral("Default"),
        QStringLiteral("Mask"),
        QStringLiteral("Index"),
        // 32-39: secondary indexes
        QStringLiteral("Sec. Indexes"),
        QStringLiteral("Indexes"),
        QStringLiteral("Used Field(s)"),
        QStringLiteral("Used Field(s) or Expression"),
        QStringLiteral("Maintained"),
        QStringLiteral("Cased"),
        QStringLiteral("Unique"),
        QStringLiteral("Desc."),
        // 40-50: referential integrity
        QStringLiteral("Master links"),
        QStringLiteral("Dependent links"),
        QStringLiteral("Related table"),
        QStringLiteral("Related table"),
        QStringLiteral("Mod."),
        QStringLiteral("Casc."),
        QStringLiteral("Restr."),
        QStringLiteral("This table fields"),
        QStringLiteral("This table fields"),
        QStringLiteral("Related table fields"),
        QStringLiteral("Related table fields"),
        // 51-71: field type names
        QStringLiteral("Unknown"),
        QStringLiteral("String"),
        QStringLiteral("Small Integer"),
        QStringLiteral("Integer"),
        QStringLiteral("Auto-Inc"),
        QStringLiteral("Word"),
        QStringLiteral("Boolean"),
        QStringLiteral("Float"),
        QStringLiteral("Money"),
        QStringLiteral("BCD"),
        QStringLiteral("Date"),
        QStringLiteral("Time"),
        QStringLiteral("Date/Time"),
        QStringLiteral("Bytes"),
        QStringLiteral("VarBytes"),
        QStringLiteral("Blob"),
        QStringLiteral("Memo"),
        QStringLiteral("Graphic"),
        QStringLiteral("Fmt. Memo"),
        QStringLiteral("OLE"),
        QStringLiteral("Typed bin"),
    };
    return Texts;
}

} // namespace

LanguageTable::LanguageTable()
{
    for (int r = 0; r < RowCount; ++r)
        cells_[std::size_t(r)][0] = builtInText(r);
}

const QString& LanguageTable::builtInText(int row)
{
    return builtInTexts().at(std::size_t(row));
}

const QString& LanguageTable::cell(int row, int column) const
{
    return cells_.at(std::size_t(row)).at(std::size_t(column));
}

void LanguageTable::setCell(int row, int column, const QString& text)
{
    cells_.at(std::size_t(row)).at(std::size_t(column)) = text;
}

void LoadLanguageTable(LanguageTable& table, const SettingsFile& settings)
{
    switch (settings.ReadNumber(LanguageKeys::Current)) {
    case 2: table.setLanguage(LanguageTable::Language::Translation1); break;
    case 3: table.setLanguage(LanguageTable::Language::Translation2); break;
    default: table.setLanguage(LanguageTable::Language::Original); break;
    }
    const QStringList texts(builtInTexts().begin(), builtInTexts().end());
    const auto first = settings.readTexts(SettingsSection::Language1, texts);
    const auto second = settings.readTexts(SettingsSection::Language2, texts);
    for (int r = 0; r < LanguageTable::RowCount; ++r) {
        const QString& text = LanguageTable::builtInText(r);
        table.setCell(r, 0, text);
        table.setCell(r, 1, first[std::size_t(r)].value_or(text));
        table.setCell(r, 2, second[std::size_t(r)].value_or(text));
    }
}

void SaveLanguageTable(const LanguageTable& table, SettingsFile& settings)
{
    // One change of the file: a save that fails leaves the stored translations whole.
    settings.writeTexts(languageTableValues(table));
}

std::vector<SettingsFile::Value> languageTableValues(const LanguageTable& table)
{
    int current = 1;
    if (table.language() == LanguageTable::Language::Translation1)
        current = 2;
    else if (table.language() == LanguageTable::Language::Translation2)
        current = 3;
    std::vector<SettingsFile::Value> values{
        {LanguageKeys::Current.section, LanguageKeys::Current.name, QString::number(current)}};
    for (int r = 0; r < LanguageTable::RowCount; ++r) {
        const QString& text = LanguageTable::builtInText(r);
        values.push_back({SettingsSection::Language1, text, table.cell(r, 1)});
        values.push_back({SettingsSection::Language2, text, table.cell(r, 2)});
    }
    return values;
}

QString LookupLabel(const LanguageTable& table, const QString& text)
{
    if (table.language() == LanguageTable::Language::Original)
        return text;
    const int column = table.language() == LanguageTable::Language::Translation1 ? 1 : 2;
    for (int r = 0; r < LanguageTable::RowCount; ++r)
        if (table.cell(r, 0).compare(text, Qt::CaseInsensitive) == 0)
            return table.cell(r, column);
    return QString();
}

} // namespace korvex
