#pragma once

#include <QPointer>
#include <QRgb>
#include <QWidget>

namespace korvex {

class GreyHatch;

// A window that can look disabled while a modal dialog stands over it: greying covers its
// client area with a fine grey hatch (every second row and column in 0x808080, over
// whatever the controls show) and takes the focus from its controls; ungreying removes the
// hatch and gives the focus back. The hatch is a child widget above all others, so every
// repaint of a control beneath it is covered again.
//
// Windows take it as a second base beside their Qt base and hand themselves over:
//     class TForm_PrnTabCfg : public QDialog, public TGrayedForm {
//         TForm_PrnTabCfg() : TGrayedForm(this) {}
// or own one as a member.
class TGrayedForm {
public:
    static constexpr QRgb HatchColour = 0x808080;

    // The form is the window itself; it must outlive this object.
    explicit TGrayedForm(QWidget* form);
    ~TGrayedForm() = default;
    TGrayedForm(const TGrayedForm&) = delete;
    TGrayedForm& operator=(const TGrayedForm&) = delete;

    // Remembers and clears the control with the focus, then covers the client area.
    void greyOn();
    // Removes the cover, redraws the window and gives the focus back to the remembered
    // control, if there was one and it still exists.
    void greyOff();

    bool isGreyed() const { return greyed_; }
    // From the first greyOn on.
    bool isGreyingArmed() const { return armed_; }
    QWidget* savedActiveControl() const { return savedActiveControl_; }

private:
    QWidget& form_;
    QPointer<GreyHatch> hatch_;
    QPointer<QWidget> savedActiveControl_;
    bool armed_ = false;
    bool greyed_ = false;
};

// The hatch over a window's client area: transparent for the mouse, never focused, kept
// above its siblings and as large as its parent.
class GreyHatch : public QWidget {
    Q_OBJECT
public:
    explicit GreyHatch(QWidget& form);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace korvex
