#pragma once

#include "HeaderStrip.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace korvex {

// A header strip with resizable sections and a section-aware popup menu. The layout and
// the pointer rules live in HeaderStrip; this widget paints its faces and forwards the
// mouse to it. Positions handed to the model are client coordinates: with a single border
// the client area starts one pixel in.
//
// From the keyboard: Left/Right (Home/End) choose the focused section, Shift+Left/Right
// move the divider right of it by 10 pixels, and the menu key or Shift+F10 opens the popup
// for it.
class TQxHeader : public QWidget {
    Q_OBJECT
public:
    static constexpr int DefaultHeight = 25;
    // What the keyboard moves a divider by: the drag's snap step.
    static constexpr int KeyboardStep = HeaderStrip::SnapStep;

    // A strip with a model of its own: no sections, a single border.
    explicit TQxHeader(QWidget* parent = nullptr);
    // A strip that shows and edits model, which others may read and change as well (the
    // report reloads the field columns into it): the widget repaints whenever the model
    // changes. The model must outlive the widget and is shown by one widget at a time; the
    // widget keeps the model's width at its own.
    explicit TQxHeader(HeaderStrip& model, QWidget* parent = nullptr);
    ~TQxHeader() override;
    TQxHeader(const TQxHeader&) = delete;
    TQxHeader& operator=(const TQxHeader&) = delete;

    // The strip's model, its width kept at the widget's.
    HeaderStrip& strip();
    const HeaderStrip& strip() const;
    TQxHeaderStrings& Sections() { return model_->Sections(); }
    const TQxHeaderStrings& Sections() const { return model_->Sections(); }

    HeaderStrip::BorderStyle BorderStyle() const { return model_->borderStyle(); }
    void setBorderStyle(HeaderStrip::BorderStyle border);
    bool AllowResize() const { return model_->AllowResize(); }
    void setAllowResize(bool allow) { model_->setAllowResize(allow); }

    int SectionWidth(int i) const { return strip().SectionWidth(i); }
    void SetSectionWidth(int i, int width) { strip().SetSectionWidth(i, width); }
    void ArrangeHeader() { strip().ArrangeHeader(); }
    int PopUpIndex() const { return model_->PopUpIndex(); }

    // The menu a right press pops up (none by default). Before every press its items are
    // enabled after the sections: see HeaderStrip::TopLevelItemEnabled.
    QMenu* HeaderPopUpMenu() const { return popUpMenu_; }
    void setHeaderPopUpMenu(QMenu* menu) { popUpMenu_ = menu; }

    // The section the keyboard works on: kept within the sections; -1 with none.
    int focusedSection() const;
    void setFocusedSection(int section);

    // Where a section lies in widget coordinates (border included), full height.
    QRect sectionRect(int section) const;

    QSize sizeHint() const override;

signals:
    // After every step of a drag, and once when it ends; the section's new width.
    void OnSizing(int section, int width);
    void OnSized(int section, int width);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void attachModel();
    int borderWidth() const;
    int clientX(const QPointF& position) const;
    void showPointerCursor(int x);
    void enablePopUpItems();
    void popUpAt(const QPoint& globalPosition);
    void popUpForFocusedSection();
    void describeFocusedSection();

    std::unique_ptr<HeaderStrip> ownModel_; // none when the model is someone else's
    HeaderStrip* model_;                    // reading it through strip() brings its width up to date
    QPointer<QMenu> popUpMenu_;
    int focused_ = 0;
};

} // namespace korvex
