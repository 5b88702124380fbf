#include "TextFitting.h"

namespace korvex {

void removeLastCharacter(QString& text)
{
    const qsizetype n = text.size();
    text.chop(n >= 2 && text.at(n - 1).isLowSurrogate() && text.at(n - 2).isHighSurrogate() ? 2 : 1);
}

} // namespace korvex
