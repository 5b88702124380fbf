#include "DeviceTrace.h"

#include <QStringList>

namespace korvex {
namespace {

QString colorName(const QColor& color)
{
    return color.name(QColor::HexRgb);
}

QString numbers(std::initializer_list<int> values)
{
    QStringList parts;
    for (int v : values)
        parts << QString::number(v);
    return parts.join(u' ');
}

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

} // namespace

QString quotedTraceText(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'\\': out += QStringLiteral("\\\\"); break;
        case u'"': out += QStringLiteral("\\\""); break;
        case u'\n': out += QStringLiteral("\\n"); break;
        case u'\r': out += QStringLiteral("\\r"); break;
        case u'\t': out += QStringLiteral("\\t"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

QString traceLine(const DeviceRecord& record)
{
    return std::visit(
        Overloaded{
            [](const JobBeginRecord& r) { return QStringLiteral("job-begin ") + quotedTraceText(r.title); },
            [](const CapsRecord& r) {
                const DeviceCaps& c = r.caps;
                return QStringLiteral("caps page=%1x%2 mm=%3x%4 physical=%5x%6 offset=%7,%8")
                    .arg(c.pageWidth)
                    .arg(c.pageHeight)
                    .arg(c.widthMm)
                    .arg(c.heightMm)
                    .arg(c.physicalWidth)
                    .arg(c.physicalHeight)
                    .arg(c.offsetX)
                    .arg(c.offsetY);
            },
            [](const OrientationRecord& r) {
                return r.orientation == Orientation::Portrait ? QStringLiteral("orientation portrait")
                                                              : QStringLiteral("orientation landscape");
            },
            [](const PageRecord& r) { return QStringLiteral("page ") + QString::number(r.number); },
            [](const FontRecord& r) {
                QString line = QStringLiteral("font ") + quotedTraceText(r.font.name) + u' ' +
                               QString::number(r.font.points);
                if (r.font.bold)
                    line += QStringLiteral(" bold");
                if (r.font.italic)
                    line += QStringLiteral(" italic");
                return line + QStringLiteral(" color=") + colorName(r.font.color);
            },
            [](const PenRecord& r) { return QStringLiteral("pen ") + QString::number(r.width); },
            [](const BrushRecord& r) {
                return r.fill ? QStringLiteral("brush solid ") + colorName(*r.fill) : QStringLiteral("brush hollow");
            },
            [](const BackgroundRecord& r) {
                return r.transparent ? QStringLiteral("background transparent") : QStringLiteral("background opaque");
            },
            [](const TextRecord& r) {
                return QStringLiteral("text %1 %2 w=%3 h=%4 ").arg(r.x).arg(r.y).arg(r.width).arg(r.height) +
                       quotedTraceText(r.text);
            },
            [](const RectRecord& r) {
                return QStringLiteral("rect ") + numbers({r.x1, r.y1, r.x2, r.y2});
            },
            [](const LineRecord& r) {
                return QStringLiteral("line ") + numbers({r.x1, r.y1, r.x2, r.y2});
            },
            [](const JobEndRecord&) { return QStringLiteral("job-end"); },
            [](const JobAbortRecord&) { return QStringLiteral("job-abort"); },
        },
        record);
}

} // namespace korvex
