#pragma once

#include <QMap>
#include <QRect>
#include <QString>

namespace korvex::test {

// pdfinfo's fields ("Pages", "Page size", "Title", ...); empty when it failed.
QMap<QString, QString> pdfInfo(const QString& pdfPath);

// Renders the top-left corner of page 1 (width × height dots at 600 dpi) and returns
// the bounding box of its dark pixels; a null rect when there are none or pdftoppm failed.
QRect inkBoxAt600Dpi(const QString& pdfPath, int width, int height);

} // namespace korvex::test
