#include "HeaderStrip.h"

#include <algorithm>
#include <limits>

namespace korvex {

int saturatedPixels(qint64 value)
{
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

HeaderStrip::HeaderStrip(int width, BorderStyle border) : width_(width), border_(border)
{}

int HeaderStrip::clientWidth() const
{
    return border_ == BorderStyle::Single ? width_ - 2 : width_;
}

qint64 HeaderStrip::leftEdge(int i) const
{
    qint64 x = 0;
    for (int k = 0; k < i; ++k)
        x += sections_.width(k);
    return x;
}

int HeaderStrip::SectionWidth(int i) const
{
    if (i < 0 || i >= sections_.count())
        return 0;
    if (i == sections_.count() - 1)
        return saturatedPixels(clientWidth() - leftEdge(i));
    return sections_.width(i);
}

void HeaderStrip::SetSectionWidth(int i, int width)
{
    if (i < 0 || i >= sections_.count())
        return;
    sections_.setWidth(i, width);
}

void HeaderStrip::ArrangeHeader()
{
    // One pass narrows every section wider than the minimum by 1, so after k passes a
    // section of width w > 30 is max(w - k, 30) and the others are unchanged. The number
    // of passes is found by bisection instead of running them one by one: a width read
    // from a settings file may be in the millions.
    const int n = sections_.count();
    if (n == 0)
        return;
    const qint64 limit = qint64(clientWidth()) - 2;
    int widest = sections_.width(0);
    for (int i = 1; i < n; ++i)
        widest = std::max(widest, sections_.width(i));
    const qint64 maxPasses = std::max<qint64>(qint64(widest) - MinimumWidth, 0);

    auto sumAfter = [&](qint64 passes) {
        qint64 sum = 0;
        for (int i = 0; i < n; ++i) {
            const qint64 w = sections_.width(i);
            sum += w > MinimumWidth ? std::max<qint64>(w - passes, MinimumWidth) : w;
        }
        return sum;
    };
    if (maxPasses == 0 || sumAfter(0) <= limit)
        return;
    qint64 lo = 1;
    qint64 hi = maxPasses; // the passes end here at the latest: nothing is wider than 30
    while (lo < hi) {
        const qint64 mid = lo + (hi - lo) / 2;
        if (sumAfter(mid) <= limit)
            hi = mid;
        else
            lo = mid + 1;
    }

    HeaderUpdateGuard guard(sections_);
    for (int i = 0; i < n; ++i) {
        const qint64 w = sections_.width(i);
        if (w > MinimumWidth)
            sections_.setWidth(i, int(std::max<qint64>(w - lo, MinimumWidth)));
    }
}

QList<HeaderStrip::Face> HeaderStrip::faces() const
{
    const int client = clientWidth();
    const int n = sections_.count();
    if (n == 0)
        return {Face{-1, 0, client}};
    QList<Face> faces;
    qint64 x = 0;
    for (int i = 0; i < n; ++i) {
        qint64 right = x + sections_.width(i);
        // A last section, or a gap of at most a pixel, is filled up to the client edge.
        if (i == n - 1 || client - right <= 1)
            right = client;
        faces.append(Face{i, saturatedPixels(x), saturatedPixels(right)});
        if (right >= client)
            break;
        x = right;
    }
    return faces;
}

std::optional<HeaderStrip::Divider> HeaderStrip::dividerAt(int x) const
{
    qint64 edge = 0;
    for (int i = 0; i + 1 < sections_.count(); ++i) {
        edge += sections_.width(i);
        const qint64 offset = edge - x;
        if (offset > -GrabZone && offset < GrabZone)
            return Divider{i, int(offset)};
    }
    return std::nullopt;
}

int HeaderStrip::sectionAt(int x) const
{
    const int n = sections_.count();
    qint64 left = 0;
    for (int i = 0; i < n; ++i) {
        const qint64 right = left + sections_.width(i);
        if (x >= left && x < right)
            return i;
        left = right;
    }
    return n - 1;
}

bool HeaderStrip::pointerAt(int x)
{
    if (captured_)
        return resizeReady_;
    const std::optional<Divider> divider = dividerAt(x);
    divider_ = divider.value_or(Divider{});
    resizeReady_ = divider.has_value() && allowResize_;
    return resizeReady_;
}

void HeaderStrip::mousePress(MouseButton button, int x)
{
    if (button == MouseButton::Left && resizeReady_)
        captured_ = true;
    popUpIndex_ = sectionAt(x);
}

void HeaderStrip::mouseMove(int x)
{
    if (!dragging())
        return;
    const int r = divider_.section;
    const int last = sections_.count() - 1;
    if (r >= last) {
        // The sections changed under the drag (a reload); there is no divider left to move.
        captured_ = false;
        resizeReady_ = false;
        return;
    }
    // Truncating division, as the snap is defined; a pointer left of the strip snaps to 0.
    const qint64 snapped = std::min<qint64>(qint64(x / SnapStep) * SnapStep, qint64(clientWidth()) - 2);
    resizeWithMinimums(r, snapped + divider_.grabOffset - leftEdge(r));
    if (OnSizing)
        OnSizing(r, sections_.width(r));
}

void HeaderStrip::resizeWithMinimums(int r, qint64 width)
{
    const int last = sections_.count() - 1;
    if (width < MinimumWidth)
        width = MinimumWidth;
    HeaderUpdateGuard repaintOnce(sections_);
    sections_.setWidth(r, saturatedPixels(width));
    // The last section's minimum wins over the dragged section's.
    const int rest = SectionWidth(last);
    if (rest < MinimumWidth)
        sections_.setWidth(r, saturatedPixels(qint64(sections_.width(r)) - (MinimumWidth - qint64(rest))));
}

void HeaderStrip::mouseRelease()
{
    if (!captured_)
        return;
    captured_ = false;
    if (resizeReady_) {
        resizeReady_ = false;
        if (divider_.section < sections_.count() && OnSized)
            OnSized(divider_.section, sections_.width(divider_.section));
    }
}

void HeaderStrip::setPopUpIndex(int section)
{
    popUpIndex_ = std::clamp(section, -1, sections_.count() - 1);
}

bool HeaderStrip::moveDivider(int section, int pixels)
{
    if (section < 0 || section >= sections_.count() - 1 || dragging())
        return false;
    resizeWithMinimums(section, qint64(sections_.width(section)) + pixels);
    if (OnSizing)
        OnSizing(section, sections_.width(section));
    if (OnSized)
        OnSized(section, sections_.width(section));
    return true;
}

bool HeaderStrip::topLevelItemEnabled(const QString& caption) const
{
    if (caption == InsertCaption || caption == AppendCaption)
        return true;
    return sections_.count() > 1;
}

bool HeaderStrip::submenuItemEnabled(const QString& caption) const
{
    return sections_.indexOf(caption) < 0;
}

} // namespace korvex
