#include "GrayedForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>

using namespace korvex;

namespace {

// A window whose client area is one plain panel, with two line edits on it.
class GreyedWindow : public QWidget, public TGrayedForm {
public:
    explicit GreyedWindow(QSize size)
        : TGrayedForm(this)
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(panel);
        panel->setAutoFillBackground(true);
        first->setGeometry(0, 0, 1, 1);
        second->setGeometry(0, 0, 1, 1);
        paint(Qt::blue);
        setFixedSize(size);
    }
    void paint(Qt::GlobalColor colour)
    {
        QPalette p = panel->palette();
        p.setColor(QPalette::Window, colour);
        panel->setPalette(p);
    }

    QWidget* panel = new QWidget(this);
    QLineEdit* first = new QLineEdit(panel);
    QLineEdit* second = new QLineEdit(panel);
};

// The window's pixels as the screen shows them, row by row: '#' for the hatch's grey, '.'
// for the panel's colour, '?' for anything else.
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

void showActive(QWidget& window)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

} // namespace

// Rows 2, 4, ... to the bottom and columns 2, 4, ... down to the height less 2.
TEST(GrayedForm, HatchOverTheClientAreaIsDrawnAgainAfterEveryRepaint)
{
    GreyedWindow window(QSize(12, 7));
    window.first->hide();
    window.second->hide();
    showActive(window);
    EXPECT_FALSE(window.isGreyingArmed());
    window.greyOn();
    const std::string hatched = "..#.#.#.#.#.\n"
                                "..#.#.#.#.#.\n"
                                "############\n"
                                "..#.#.#.#.#.\n"
                                "############\n"
                                "............\n"
                                "############\n";
    EXPECT_EQ(screenRows(window, qRgb(0, 0, 255)), hatched);

    // The panel beneath repaints in another colour: the hatch is drawn over it again.
    window.paint(Qt::red);
    window.panel->repaint();
    EXPECT_EQ(screenRows(window, qRgb(255, 0, 0)), hatched);
    EXPECT_EQ(window.grab().toImage().pixel(2, 0) & 0xFFFFFF, TGrayedForm::HatchColour);

    window.greyOff();
    EXPECT_EQ(screenRows(window, qRgb(255, 0, 0)), (QString(12, u'.') + u'\n').repeated(7).toStdString());
    EXPECT_TRUE(window.isGreyingArmed());
    EXPECT_FALSE(window.isGreyed());
}

TEST(GrayedForm, ClientAreaUnderTwoPixelsHighGetsOnlyItsColumns)
{
    GreyedWindow window(QSize(9, 1));
    window.first->hide();
    window.second->hide();
    showActive(window);
    window.greyOn();
    EXPECT_EQ(screenRows(window, qRgb(0, 0, 255)), "..#.#.#.#\n");
}

TEST(GrayedForm, GreyingTakesTheFocusAndUngreyingGivesItBack)
{
    GreyedWindow window(QSize(100, 60));
    showActive(window);
    window.second->setFocus();
    ASSERT_TRUE(window.second->hasFocus());
    window.greyOn();
    EXPECT_TRUE(window.isGreyed());
    EXPECT_EQ(window.savedActiveControl(), window.second);
    EXPECT_EQ(window.focusWidget(), nullptr);
    window.greyOff();
    EXPECT_TRUE(window.second->hasFocus());

    // Nothing had the focus: ungreying leaves it where it went meanwhile.
    window.second->clearFocus();
    window.greyOn();
    EXPECT_EQ(window.savedActiveControl(), nullptr);
    window.first->setFocus();
    window.greyOff();
    EXPECT_TRUE(window.first->hasFocus());
}

TEST(GrayedForm, HatchFollowsTheWindowAndStaysAboveNewControls)
{
    GreyedWindow window(QSize(20, 10));
    showActive(window);
    window.greyOn();
    auto* hatch = window.findChild<QWidget*>(QStringLiteral("GreyHatch"));
    ASSERT_NE(hatch, nullptr);
    EXPECT_TRUE(hatch->testAttribute(Qt::WA_TransparentForMouseEvents));
    window.setFixedSize(30, 16);
    QApplication::processEvents();
    EXPECT_EQ(hatch->geometry(), QRect(0, 0, 30, 16));
    auto* late = new QWidget(&window);
    late->show();
    EXPECT_EQ(window.children().last(), hatch);
}
