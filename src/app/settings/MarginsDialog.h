#pragma once

#include "PrintDevice.h"

#include <QDialog>
#include <QSize>
#include <QSpinBox>

class QPushButton;

namespace korvex {

// Page margins in whole millimetres from the paper's physical edge.
struct PageMargins {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
    friend bool operator==(const PageMargins&, const PageMargins&) = default;
};

// The smallest margins a printer allows: its unprintable strips, converted with the
// printable area's dots per millimetre and taken to the nearest millimetre, a half to the
// even neighbour. A printer that names no printable size, or borders that come out
// negative or beyond the margins' range, give minimums within 0 to 999.
PageMargins printerMarginMinimums(const DeviceCaps& caps);

// The sheet's whole width and height in whole millimetres (truncated), from the printable
// area's dots per millimetre; zero for a printer that names no printable size.
QSize paperMillimetres(const DeviceCaps& caps);

// A margin field: up to three digits, typed freely. A typed value outside the field's
// range stays as typed until the field loses the focus (or Enter takes it), and is then
// clamped into the range; an empty field then gives the minimum.
class MarginSpinEdit : public QSpinBox {
public:
    static constexpr int MaxDigits = 3;

    explicit MarginSpinEdit(QWidget* parent = nullptr);

    // The value the text stands for: its number clamped into the range, the minimum when
    // it is not a number.
    int textValue() const { return valueFromText(cleanText()); }

protected:
    QValidator::State validate(QString& text, int& position) const override;
    void fixup(QString& text) const override;
    int valueFromText(const QString& text) const override;
    QString textFromValue(int value) const override;
};

// The margins dialog. It holds the four margins between the configuration dialog's load
// and save; OK takes the fields into the held values, Cancel leaves them as they were.
// Its minimums come from the printer each time it is prepared for showing.
class TForm_Margins : public QDialog {
    Q_OBJECT
public:
    static constexpr QSize ClientSize{222, 134};
    static constexpr int MaximumMargin = 999;
    // What two opposite margins leave free of the sheet at the least, in millimetres: room
    // for a few report lines of the usual fonts across and down. Margins that leave no
    // report line for the fonts at hand are still refused by the report itself.
    static constexpr int MinimumReportSpan = 40;

    explicit TForm_Margins(QWidget* parent = nullptr);

    int MarginLeft() const { return held_.left; }
    int MarginRight() const { return held_.right; }
    int MarginTop() const { return held_.top; }
    int MarginBottom() const { return held_.bottom; }
    PageMargins heldMargins() const { return held_; }
    void setHeldMargins(const PageMargins& margins) { held_ = margins; }

    // Sets the fields' minimums from the printer's unprintable strips, then puts the held
    // values into the fields, clamped into [minimum, 999] and so that two opposite margins
    // leave MinimumReportSpan of the sheet between them: each field's maximum follows the
    // value of the field opposite (never below the field's minimum).
    void SetMarginLimits(const PrintDevice& device);

public slots:
    // The fields' values become the held values; the dialog closes.
    void OKButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The maximum of field for the value of the field opposite, on a sheet so long.
    static int maximumBeside(const MarginSpinEdit* field, int opposite, int sheet);
    void pairFields(MarginSpinEdit* a, MarginSpinEdit* b, const int& sheet);

    PageMargins held_;
    // The sheet in millimetres; 0 until prepared, or when the printer names no size.
    int paperWidth_ = 0;
    int paperHeight_ = 0;
    MarginSpinEdit* SpinMarginLeft;
    MarginSpinEdit* SpinMarginRight;
    MarginSpinEdit* SpinMarginTop;
    MarginSpinEdit* SpinMarginBottom;
    QPushButton* OKButton;
    QPushButton* CancelButton;
};

} // namespace korvex
