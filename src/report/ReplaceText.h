#pragma once

#include <QString>

namespace korvex {

// Flags of ReplaceText; combine with |.
namespace replace {
inline constexpr int WholeWord = 1; // only where a separator follows the occurrence
inline constexpr int CaseSensitive = 2;
inline constexpr int All = 4; // every occurrence, not only the first
} // namespace replace

// Replaces pattern in text. Without CaseSensitive only the letters a-z and A-Z are folded.
// With WholeWord an occurrence is replaced only when the character right after it is one
// of the separators (blank . , : ; - # ' + * ? = ) ( / & % $ section-sign " ! { [ ] } \ ~ < > |)
// or when it ends the text; the character before it is never looked at. The search goes on
// after each occurrence, so an inserted replacement is never searched again.
void ReplaceText(QString& text, const QString& pattern, const QString& replacement, int flags);

// The values the header macros stand for, taken when the header is printed.
struct MacroValues {
    QString tableName;  // %TABLENAME
    QString tableType;  // %TABLETYPE: the table type in capitals, at most 20 characters
    QString tableLevel; // %TABLELEVEL
    QString alias;      // %ALIAS: empty when the table was chosen by directory
    QString date;       // %DATE: today in the short date format
    QString time;       // %TIME: now in the long time format
    int page = 1;       // %PAGE
};

// Replaces the macros of a header text, case-blind and not as whole words, one macro after
// the other in a fixed order, each on the result of the one before.
QString ExpandMacros(const QString& text, const MacroValues& values);

} // namespace korvex
