#pragma once

#include "PrintDevice.h"

#include <QColor>
#include <QString>

#include <optional>
#include <variant>

namespace korvex {

// What a print job did, one record per line of its trace:
//   job-begin "<title>"
//   caps page=<w>x<h> mm=<wmm>x<hmm> physical=<pw>x<ph> offset=<ox>,<oy>
//   orientation portrait|landscape
//   page <n>
//   font "<name>" <points> [bold] [italic] color=#rrggbb
//   pen <width>
//   brush hollow | brush solid #rrggbb
//   background opaque|transparent
//   text <x> <y> w=<width> h=<height> "<text>"
//   rect <x1> <y1> <x2> <y2>
//   line <x1> <y1> <x2> <y2>
//   job-end | job-abort
// Texts are quoted; a backslash, a double quote and control characters are escaped
// (\\, \", \n, \r, \t, \u00XX), so that every record stays on its line.

struct JobBeginRecord {
    QString title;
    bool operator==(const JobBeginRecord&) const = default;
};
struct CapsRecord {
    DeviceCaps caps;
    bool operator==(const CapsRecord&) const = default;
};
struct OrientationRecord {
    Orientation orientation = Orientation::Portrait;
    bool operator==(const OrientationRecord&) const = default;
};
struct PageRecord {
    int number = 0;
    bool operator==(const PageRecord&) const = default;
};
struct FontRecord {
    FontSpec font;
    bool operator==(const FontRecord&) const = default;
};
struct PenRecord {
    int width = 0;
    bool operator==(const PenRecord&) const = default;
};
struct BrushRecord {
    std::optional<QColor> fill; // empty: hollow
    bool operator==(const BrushRecord&) const = default;
};
struct BackgroundRecord {
    bool transparent = false;
    bool operator==(const BackgroundRecord&) const = default;
};
// Drawing records also carry the state they were drawn with, for tests; the trace line
// does not repeat it (the state records before it say it).
struct TextRecord {
    int x = 0;
    int y = 0;
    int width = 0; // measured in the font it was drawn with
    int height = 0;
    QString text;
    FontSpec font;
    bool operator==(const TextRecord&) const = default;
};
struct RectRecord {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int penWidth = 0;
    std::optional<QColor> fill;
    bool operator==(const RectRecord&) const = default;
};
struct LineRecord {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int penWidth = 0;
    bool operator==(const LineRecord&) const = default;
};
struct JobEndRecord {
    bool operator==(const JobEndRecord&) const = default;
};
struct JobAbortRecord {
    bool operator==(const JobAbortRecord&) const = default;
};

using DeviceRecord =
    std::variant<JobBeginRecord, CapsRecord, OrientationRecord, PageRecord, FontRecord, PenRecord, BrushRecord,
                 BackgroundRecord, TextRecord, RectRecord, LineRecord, JobEndRecord, JobAbortRecord>;

// The record's trace line, without a line break.
QString traceLine(const DeviceRecord& record);
// A text in double quotes with the escapes above.
QString quotedTraceText(const QString& text);

} // namespace korvex
