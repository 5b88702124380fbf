#pragma once

#include "PrintDevice.h"

#include <QString>
#include <QStringList>

#include <ostream>

// Readable gtest failure output for Qt strings and device capabilities.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << "{\n";
    for (const QString& s : list)
        *os << "  " << s.toStdString() << '\n';
    *os << '}';
}

namespace korvex {
inline void PrintTo(const DeviceCaps& c, std::ostream* os)
{
    *os << "page=" << c.pageWidth << 'x' << c.pageHeight << " mm=" << c.widthMm << 'x' << c.heightMm
        << " physical=" << c.physicalWidth << 'x' << c.physicalHeight << " offset=" << c.offsetX << ',' << c.offsetY;
}
} // namespace korvex
