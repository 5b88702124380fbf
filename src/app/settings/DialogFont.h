#pragma once

#include <QFont>

namespace korvex {

// The font of the settings dialogs' controls: "MS Sans Serif", 11 pixels; group captions
// bold. Where "MS Sans Serif" is missing, Liberation Sans comes closest to its measure.
inline QFont dialogFont(bool bold = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    font.setPixelSize(11);
    font.setBold(bold);
    return font;
}

} // namespace korvex
