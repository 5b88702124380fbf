#include "ReplaceText.h"

namespace korvex {

namespace {

// Folds only a-z, so that positions in the copy match positions in the text.
QString searchCopy(const QString& s, bool caseSensitive)
{
    if (caseSensitive)
        return s;
    QString copy = s;
    for (QChar& c : copy)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return copy;
}

bool isSeparator(QChar c)
{
    static const QString Separators = QStringLiteral(" .,:;-#'+*?=)(/&%$\u00A7\"!{[]}\\~<>|");
    return Separators.contains(c);
}

} // namespace

void ReplaceText(QString& text, const QString& pattern, const QString& replacement, int flags)
{
    const bool caseSensitive = (flags & replace::CaseSensitive) != 0;
    const QString patternCopy = searchCopy(pattern, caseSensitive);
    if (patternCopy.isEmpty())
        return;
    QString remainingCopy = searchCopy(text, caseSensitive);
    QString remaining = text;
    QString result;
    qsizetype at = remainingCopy.indexOf(patternCopy);
    if (at < 0)
        return;
    while (at >= 0) {
        const qsizetype end = at + patternCopy.size();
        result += remaining.left(at);
        const QString occurrence = remaining.mid(at, patternCopy.size());
        remaining.remove(0, end);
        remainingCopy.remove(0, end);
        // An occurrence that ends the text counts as a whole word.
        const bool wholeWord = remaining.isEmpty() || isSeparator(remaining.front());
        if ((flags & replace::WholeWord) != 0 && !wholeWord)
            result += occurrence;
        else
            result += replacement;
        if ((flags & replace::All) == 0)
            break;
        at = remainingCopy.indexOf(patternCopy);
    }
    text = result + remaining;
}

QString ExpandMacros(const QString& text, const MacroValues& values)
{
    QString t = text;
    ReplaceText(t, QStringLiteral("%TABLENAME"), values.tableName, replace::All);
    ReplaceText(t, QStringLiteral("%TABLETYPE"), values.tableType, replace::All);
    ReplaceText(t, QStringLiteral("%TABLELEVEL"), values.tableLevel, replace::All);
    ReplaceText(t, QStringLiteral("%ALIAS"), values.alias, replace::All);
    ReplaceText(t, QStringLiteral("%DATE"), values.date, replace::All);
    ReplaceText(t, QStringLiteral("%TIME"), values.time, replace::All);
    ReplaceText(t, QStringLiteral("%PAGE"), QString::number(values.page), replace::All);
    return t;
}

} // namespace korvex
