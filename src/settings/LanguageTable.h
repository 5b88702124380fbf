#pragma once

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

// The printed form of a label: the built-in text itself when the built-in language is
// chosen, else the chosen translation of the first row whose built-in text equals text
// without regard to case, an empty cell included; an empty text when no row has it.
QString LookupLabel(const LanguageTable& table, const QString& text);

} // namespace korvex
