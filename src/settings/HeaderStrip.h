#pragma once

#include "HeaderSections.h"

#include <QList>

#include <functional>
#include <optional>

namespace korvex {

// A pixel sum kept in 64 bits (widths come from a settings file and may be anything an
// int holds), brought back into int range.
int saturatedPixels(qint64 value);

// The geometry and pointer behaviour of a header strip with resizable sections, without
// any widget: the strip widget paints what this class lays out and forwards the pointer to
// it. All positions are pixels in client coordinates, x = 0 at the left inner edge.
class HeaderStrip {
public:
    enum class BorderStyle { None, Single };
    enum class MouseButton { Left, Right, Middle };

    static constexpr int DefaultWidth = 250; // a new strip, border included
    static constexpr int MinimumWidth = 30;  // a section after a drag or arranging
    static constexpr int GrabZone = 4;       // a divider reacts within 3 pixels either side
    static constexpr int SnapStep = 10;      // a dragged divider follows the pointer in steps
    static constexpr int TextIndent = 3;     // caption start from a section's left edge

    // The popup menu's captions that the strip's enabling rules know.
    static inline const QString RemoveCaption = QStringLiteral("Remove");
    static inline const QString InsertCaption = QStringLiteral("Insert");
    static inline const QString AppendCaption = QStringLiteral("Append");

    // A divider under the pointer: the section to its left and where the pointer holds
    // it (divider position less pointer x).
    struct Divider {
        int section = 0;
        int grabOffset = 0;
        friend bool operator==(const Divider&, const Divider&) = default;
    };

    // One painted face: section index (-1 for the one empty face of a strip without
    // sections) and its horizontal extent [left, right).
    struct Face {
        int section = -1;
        int left = 0;
        int right = 0;
        friend bool operator==(const Face&, const Face&) = default;
    };

    using SectionEvent = std::function<void(int section, int width)>;

    explicit HeaderStrip(int width = DefaultWidth, BorderStyle border = BorderStyle::Single);

    TQxHeaderStrings& Sections() { return sections_; }
    const TQxHeaderStrings& Sections() const { return sections_; }

    // The control's width, border included; a single border takes one pixel each side.
    int width() const { return width_; }
    void setWidth(int width) { width_ = width; }
    BorderStyle borderStyle() const { return border_; }
    void setBorderStyle(BorderStyle border) { border_ = border; }
    int clientWidth() const;

    bool AllowResize() const { return allowResize_; }
    void setAllowResize(bool allow) { allowResize_ = allow; }

    // The painted width: the last section takes the rest of the client width (which may be
    // less than its own width, or negative when the others overflow); 0 for an index out
    // of range.
    int SectionWidth(int i) const;
    // Sets section i's width and repaints; an index out of range changes nothing.
    void SetSectionWidth(int i, int width);
    // While the sections are wider together than the client width less 2 and one of them
    // is wider than 30, narrows every section wider than 30 by 1 pixel.
    void ArrangeHeader();

    // The faces to paint, left to right, up to the first that reaches the client width.
    QList<Face> faces() const;

    // The divider a pointer at x grabs: the first right edge of sections 0 .. count - 2
    // within the grab zone. The last section's right edge is never a divider.
    std::optional<Divider> dividerAt(int x) const;
    // The section a press at x falls in; right of all sections the last one; -1 when
    // there are none.
    int sectionAt(int x) const;

    // The window system asks which cursor to show with the pointer at x. Answers whether
    // the strip is ready to resize (show the resize cursor). While a drag holds the
    // pointer the answer stays as it was.
    bool pointerAt(int x);
    // Any button: a left press on a divider starts a drag; every press sets PopUpIndex.
    void mousePress(MouseButton button, int x);
    // A move during a drag moves the divider (snapped, 30-pixel minimums) and raises
    // OnSizing; otherwise nothing.
    void mouseMove(int x);
    // Ends a drag and raises OnSized.
    void mouseRelease();

    // The keyboard's counterparts of a press and a drag. A popup opened from the keyboard
    // names its section directly (clamped to the sections; -1 with none). Moving the
    // divider right of a section by some pixels keeps a drag's minimums and raises
    // OnSizing, then OnSized; the last section has no divider, so it answers false.
    void setPopUpIndex(int section);
    bool moveDivider(int section, int pixels);

    bool resizeReady() const { return resizeReady_; }
    bool dragging() const { return captured_ && resizeReady_; }
    // The section under the pointer at the last press; -1 before any press or with no
    // sections.
    int PopUpIndex() const { return popUpIndex_; }

    // Popup menu enabling: a top-level item other than "Insert" and "Append" only with
    // more than one section; an item of their submenus only when no section has its
    // caption as text (without regard to case).
    bool topLevelItemEnabled(const QString& caption) const;
    bool submenuItemEnabled(const QString& caption) const;

    SectionEvent OnSizing;
    SectionEvent OnSized;

private:
    qint64 leftEdge(int i) const;
    // Section r's width becomes width, at least 30, then narrower again as far as the
    // last section needs to keep 30.
    void resizeWithMinimums(int r, qint64 width);

    TQxHeaderStrings sections_;
    int width_;
    BorderStyle border_;
    bool allowResize_ = true;

    bool resizeReady_ = false;
    bool captured_ = false;
    Divider divider_;
    int popUpIndex_ = -1;
};

} // namespace korvex
