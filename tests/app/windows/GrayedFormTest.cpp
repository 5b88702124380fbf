#include "GrayedForm.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QScreen>
#include <QTest>

using namespace korvex;

namespace {

// A window whose client area is one plain panel with two line edits on it.
class GreyedWindow : public QWidget, public TGrayedForm {
public:
    explicit GreyedWindow(QSize size) : TGrayedForm(this)
    {
        setFixedSize(size);
        panel->setGeometry(rect());
        panel->setAutoFillBackground(true);
        paint(Qt::blue);
        show();
        activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(this));
    }
    void paint(Qt::GlobalColor colour)
    {
        QPalette p = panel->palette();
        p.setColor(QPalette::Window, colour);
        panel->setPalette(p);
    }

    QWidget* panel = new QWidget(this);
    QLineEdit* first = new QLineEdit(this);
    QLineEdit* second = new QLineEdit(this);
};

// The window's pixels as the screen shows them: '#' for the hatch's grey, '.' for the
// panel's colour, '?' for anything else.
std::string screenRows(const QWidget& window, QRgb panel)
{
    const QImage image = window.screen()->grabWindow(window.winId()).toImage();
    std::string rows;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y) & 0xFFFFFF;
            rows += c == TGrayedForm::HatchColour ? '#' : c == (panel & 0xFFFFFF) ? '.' : '?';
        }
        rows += '\n';
    }
    return rows;
}

} // namespace

// Rows 2, 4, ... to the bottom; columns 2, 4, ... down to the height less 2.
TEST(GrayedForm, HatchOverTheClientAreaIsDrawnAgainAfterEveryRepaint)
{
    GreyedWindow window(QSize(12, 7));
    window.first->hide();
    window.second->hide();
    window.greyOn();
    const std::string hatched = "..#.#.#.#.#.\n"
                                "..#.#.#.#.#.\n"
                                "############\n"
                                "..#.#.#.#.#.\n"
                                "############\n"
                                "............\n"
                                "############\n";
    EXPECT_EQ(screenRows(window, qRgb(0, 0, 255)), hatched);
    window.paint(Qt::red);
    window.panel->repaint();
    EXPECT_EQ(screenRows(window, qRgb(255, 0, 0)), hatched);
    window.greyOff();
    EXPECT_EQ(screenRows(window, qRgb(255, 0, 0)), (QString(12, u'.') + u'\n').repeated(7).toStdString());

    GreyedWindow low(QSize(9, 1)); // too low for a row: only the columns
    low.first->hide();
    low.second->hide();
    low.greyOn();
    EXPECT_EQ(screenRows(low, qRgb(0, 0, 255)), "..#.#.#.#\n");
}

TEST(GrayedForm, GreyingTakesTheFocusAndUngreyingGivesItBack)
{
    GreyedWindow window(QSize(100, 60));
    window.second->setFocus();
    window.greyOn();
    EXPECT_EQ(window.savedActiveControl(), window.second);
    EXPECT_EQ(window.focusWidget(), nullptr);
    window.greyOff();
    EXPECT_TRUE(window.second->hasFocus());

    // Nothing had the focus: ungreying leaves it where it went meanwhile.
    window.second->clearFocus();
    window.greyOn();
    window.first->setFocus();
    window.greyOff();
    EXPECT_TRUE(window.first->hasFocus());
}
