#pragma once

#include "SettingsFile.h"

#include <QString>

#include <array>

namespace korvex {

// The report's fixed labels: 71 rows of built-in English text (column 0) with two
// translation columns, and the language in use. The configuration dialog shows and edits
// it; every printed label is looked up in it at the moment it is printed.
class LanguageTable {
public:
    static constexpr int RowCount = 71;
    static constexpr int ColumnCount = 3;

    enum class Language { Original, Translation1, Translation2 };

    // Column 0 holds the built-in texts; the translation columns start empty and the
    // built-in language is chosen.
    LanguageTable();

    // The built-in text of row r (0-based).
    static const QString& builtInText(int row);

    const QString& cell(int row, int column) const;
    void setCell(int row, int column, const QString& text);

    Language language() const { return language_; }
    void setLanguage(Language language) { language_ = language; }

private:
    std::array<std::array<QString, ColumnCount>, RowCount> cells_;
    Language language_ = Language::Original;
};

struct LanguageKeys {
    // 1 the built-in labels, 2 the first translation, 3 the second; any other number the
    // built-in labels.
    static inline const NumberKey Current{SettingsSection::Languages, QStringLiteral("Current"), 1};
};

// Fills the table from the settings file: the language in use from Languages/Current, and
// in every row the stored translations of its built-in text from Language_1 and
// Language_2, the built-in text itself where none is stored. A stored empty translation
// gives an empty cell; rows with equal built-in texts read the same key.
void LoadLanguageTable(LanguageTable& table, const SettingsFile& settings);
// Writes the language in use and both translation columns under the rows' built-in texts,
// row by row, so that of rows with equal built-in texts the later row's translation is
// kept. Raises SettingsWriteError when the file cannot be written.
void SaveLanguageTable(const LanguageTable& table, SettingsFile& settings);
// The keys SaveLanguageTable writes, for a change of the file together with others.
std::vector<SettingsFile::Value> languageTableValues(const LanguageTable& table);

// The printed form of a label: the built-in text itself when the built-in language is
// chosen, else the chosen translation of the first row whose built-in text equals text
// without regard to case, an empty cell included; an empty text when no row has it.
QString LookupLabel(const LanguageTable& table, const QString& text);

} // namespace korvex
