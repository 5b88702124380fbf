#include "MarginsDialog.h"

#include "DialogFont.h"
#include "ReportSettings.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace korvex {

namespace {

// An unprintable strip of so many dots in millimetres at dots per millimetre, to the
// nearest whole one (the default rounding mode takes a half to the even neighbour).
int stripMillimetres(long double dots, long double dotsPerMm)
{
    if (!(dotsPerMm > 0))
        return 0;
    const long double mm = std::nearbyint(dots / dotsPerMm);
    return int(std::clamp<long double>(mm, 0, TForm_Margins::MaximumMargin));
}

} // namespace

PageMargins printerMarginMinimums(const DeviceCaps& caps)
{
    const long double px = caps.widthMm > 0 ? static_cast<long double>(caps.pageWidth) / caps.widthMm : 0;
    const long double py = caps.heightMm > 0 ? static_cast<long double>(caps.pageHeight) / caps.heightMm : 0;
    const long double rightDots = static_cast<long double>(caps.physicalWidth) - caps.pageWidth - caps.offsetX;
    const long double bottomDots = static_cast<long double>(caps.physicalHeight) - caps.pageHeight - caps.offsetY;
    return PageMargins{stripMillimetres(caps.offsetX, px), stripMillimetres(rightDots, px),
                       stripMillimetres(caps.offsetY, py), stripMillimetres(bottomDots, py)};
}

QSize paperMillimetres(const DeviceCaps& caps)
{
    if (caps.widthMm <= 0 || caps.heightMm <= 0 || caps.pageWidth <= 0 || caps.pageHeight <= 0)
        return {};
    const auto millimetres = [](long double dots, long double dotsPerMm) { return int(dots / dotsPerMm); };
    return {millimetres(caps.physicalWidth, static_cast<long double>(caps.pageWidth) / caps.widthMm),
            millimetres(caps.physicalHeight, static_cast<long double>(caps.pageHeight) / caps.heightMm)};
}

MarginSpinEdit::MarginSpinEdit(QWidget* parent) : QSpinBox(parent)
{
    setRange(0, TForm_Margins::MaximumMargin);
    lineEdit()->setMaxLength(MaxDigits);
    // A value outside the range is clamped when the field is left, not put back.
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QValidator::State MarginSpinEdit::validate(QString& text, int&) const
{
    if (text.size() > MaxDigits)
        return QValidator::Invalid;
    for (const QChar c : std::as_const(text))
        if (c < u'0' || c > u'9')
            return QValidator::Invalid;
    if (text.isEmpty())
        return QValidator::Intermediate;
    const int value = text.toInt();
    return value >= minimum() && value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

void MarginSpinEdit::fixup(QString& text) const
{
    text = textFromValue(valueFromText(text));
}

int MarginSpinEdit::valueFromText(const QString& text) const
{
    bool isNumber = false;
    const int value = text.toInt(&isNumber);
    return isNumber ? std::clamp(value, minimum(), maximum()) : minimum();
}

QString MarginSpinEdit::textFromValue(int value) const
{
    return QString::number(value);
}

TForm_Margins::TForm_Margins(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), held_{OptionKeys::Margin_Left.defaultValue,
                                                                            OptionKeys::Margin_Right.defaultValue,
                                                                            OptionKeys::Margin_Top.defaultValue,
                                                                            OptionKeys::Margin_Bottom.defaultValue}
{
    setObjectName(QStringLiteral("Form_Margins"));
    setWindowTitle(QStringLiteral("Margins"));
    setFixedSize(ClientSize);
    setFont(dialogFont(false));

    auto* group = new QGroupBox(QStringLiteral(" Margins"), this);
    group->setObjectName(QStringLiteral("GroupBoxMargins"));
    group->setFont(dialogFont(true));
    group->setGeometry(8, 4, 206, 92);

    // Two columns: left and right in the first, top and bottom in the second.
    const auto field = [group](const char* name, const QString& caption, const QString& accessible, int column,
                               int row) {
        const int x = 8 + column * 98;
        const int y = 22 + row * 26;
        auto* label = new QLabel(caption, group);
        label->setFont(dialogFont(false));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setGeometry(x, y, 40, 21);
        auto* spin = new MarginSpinEdit(group);
        spin->setObjectName(QLatin1String(name));
        spin->setFont(dialogFont(false));
        spin->setAccessibleName(accessible);
        spin->setGeometry(x + 44, y, 46, 21);
        label->setBuddy(spin);
        return spin;
    };
    SpinMarginLeft = field("SpinMarginLeft", QStringLiteral("Left:"), QStringLiteral("Left margin"), 0, 0);
    SpinMarginRight = field("SpinMarginRight", QStringLiteral("Right:"), QStringLiteral("Right margin"), 0, 1);
    SpinMarginTop = field("SpinMarginTop", QStringLiteral("Top:"), QStringLiteral("Top margin"), 1, 0);
    SpinMarginBottom = field("SpinMarginBottom", QStringLiteral("Bottom:"), QStringLiteral("Bottom margin"), 1, 1);

    auto* units = new QLabel(QStringLiteral("( Margins in logical units )"), group);
    units->setObjectName(QStringLiteral("LabelUnits"));
    units->setFont(dialogFont(false));
    units->setAlignment(Qt::AlignCenter);
    units->setGeometry(4, 72, 198, 14);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    OKButton->setGeometry(30, 103, 75, 25);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(117, 103, 75, 25);
    connect(OKButton, &QPushButton::clicked, this, &TForm_Margins::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    pairFields(SpinMarginLeft, SpinMarginRight, paperWidth_);
    pairFields(SpinMarginTop, SpinMarginBottom, paperHeight_);

    setTabOrder(SpinMarginLeft, SpinMarginRight);
    setTabOrder(SpinMarginRight, SpinMarginTop);
    setTabOrder(SpinMarginTop, SpinMarginBottom);
    setTabOrder(SpinMarginBottom, OKButton);
    setTabOrder(OKButton, CancelButton);
}

int TForm_Margins::maximumBeside(const MarginSpinEdit* field, int opposite, int sheet)
{
    if (sheet <= 0)
        return MaximumMargin;
    return std::clamp(sheet - MinimumReportSpan - opposite, field->minimum(), MaximumMargin);
}

void TForm_Margins::pairFields(MarginSpinEdit* a, MarginSpinEdit* b, const int& sheet)
{
    // A field's value is always within its range, so that a value taken by one field
    // leaves the other's value within its new maximum: neither moves the other.
    connect(a, &QSpinBox::valueChanged, this,
            [b, &sheet](int value) { b->setMaximum(maximumBeside(b, value, sheet)); });
    connect(b, &QSpinBox::valueChanged, this,
            [a, &sheet](int value) { a->setMaximum(maximumBeside(a, value, sheet)); });
}

void TForm_Margins::SetMarginLimits(const PrintDevice& device)
{
    const PageMargins minimums = printerMarginMinimums(device.caps());
    const QSize paper = paperMillimetres(device.caps());
    paperWidth_ = paper.width();
    paperHeight_ = paper.height();
    const auto prepare = [](MarginSpinEdit* first, MarginSpinEdit* second, int firstMinimum, int secondMinimum,
                            int firstHeld, int secondHeld, int sheet) {
        // Held values that leave too little of the sheet: the first margin (left, top) keeps
        // what it can beside the second's minimum, and the second takes what remains.
        const QSignalBlocker blockFirst(first);
        const QSignalBlocker blockSecond(second);
        first->setRange(firstMinimum, MaximumMargin);
        second->setRange(secondMinimum, MaximumMargin);
        const int firstValue = std::clamp(firstHeld, firstMinimum, maximumBeside(first, secondMinimum, sheet));
        const int secondValue = std::clamp(secondHeld, secondMinimum, maximumBeside(second, firstValue, sheet));
        first->setMaximum(maximumBeside(first, secondValue, sheet));
        second->setMaximum(maximumBeside(second, firstValue, sheet));
        first->setValue(firstValue);
        second->setValue(secondValue);
    };
    prepare(SpinMarginLeft, SpinMarginRight, minimums.left, minimums.right, held_.left, held_.right, paperWidth_);
    prepare(SpinMarginTop, SpinMarginBottom, minimums.top, minimums.bottom, held_.top, held_.bottom, paperHeight_);
}

void TForm_Margins::OKButtonClick()
{
    // From the texts: a value still being typed counts, clamped like a field that is left.
    held_ = PageMargins{SpinMarginLeft->textValue(), SpinMarginRight->textValue(), SpinMarginTop->textValue(),
                        SpinMarginBottom->textValue()};
    accept();
}

void TForm_Margins::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    SpinMarginLeft->setFocus(Qt::OtherFocusReason);
    SpinMarginLeft->selectAll();
}

} // namespace korvex
