#pragma once

#include <QMap>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

namespace korvex::test {

// pdfinfo's fields ("Pages", "Page size", "Title", ...); empty when it failed.
QMap<QString, QString> pdfInfo(const QString& pdfPath);

// The names of the fonts that pdffonts lists; empty when it failed.
QStringList pdfFontNames(const QString& pdfPath);

// Renders a part of page 1 (width × height dots at 600 dpi from origin, the top-left
// corner by default) and returns the bounding box of its dark pixels in the page's dots;
// a null rect when there are none or pdftoppm failed.
QRect inkBoxAt600Dpi(const QString& pdfPath, int width, int height, QPoint origin = {});

} // namespace korvex::test
