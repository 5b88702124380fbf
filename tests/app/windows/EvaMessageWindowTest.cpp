#include "EvaMessageWindow.h"
#include "BevelPanel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QPixmap>
#include <QScreen>

using namespace korvex;

namespace {

// Ten pixels a character: limits can be hit exactly.
int tenPerCharacter(const QString& s)
{
    return int(s.size()) * 10;
}

const QString Prefix = QStringLiteral("Printing structure of table ");

// Counts the message panel's paints and what it said at each.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(BevelPanel* panel) : panel_(panel) { panel->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == panel_ && event->type() == QEvent::Paint)
            captions << panel_->caption();
        return false;
    }
    QStringList captions;

private:
    BevelPanel* panel_;
};

class MessageWindow : public ::testing::Test {
protected:
    BevelPanel* panel(const char* name) { return window_.findChild<BevelPanel*>(QLatin1String(name)); }
    QImage image() { return window_.grab().toImage(); }

    TForm_EVAMsg window_{nullptr, TForm_EVAMsg::Display::OnScreen};
};

bool isDark(QRgb c)
{
    return qGray(c) < 64;
}

} // namespace

TEST(FitMessageText, TextWithinTheLimitIsUnchanged)
{
    EXPECT_EQ(fitMessageText(QString(27, 'x'), 271, tenPerCharacter), QString(27, 'x'));
    EXPECT_EQ(fitMessageText(QString(27, 'x'), 270, tenPerCharacter), QString(27, 'x')); // exactly at it
    EXPECT_EQ(fitMessageText(QString(), 271, tenPerCharacter), QString());
}

TEST(FitMessageText, CutTextGetsThreeDotsAfterTheCut)
{
    // 28 characters are 280 pixels: one goes, and the dots go past the limit.
    EXPECT_EQ(fitMessageText(QString(28, 'x'), 271, tenPerCharacter), QString(27, 'x') + "...");
    EXPECT_EQ(fitMessageText("abcdefghij", 50, tenPerCharacter), "abcde...");
}

TEST(FitMessageText, SurrogatePairIsCutAsOneCharacter)
{
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E"); // U+1D11E, two UTF-16 units
    const QString fitted = fitMessageText("ab" + clef, 30, tenPerCharacter);
    EXPECT_EQ(fitted, "ab...");
}

TEST(FitMessageText, LimitBelowZeroCutsEverything)
{
    EXPECT_EQ(fitMessageText("abc", -5, tenPerCharacter), "...");
}

// Widths in the window's font, bold 11 pixels with Arial's metrics.
TEST(FitMessageText, TableNamesInTheWindowFont)
{
    if (QFontInfo(TForm_EVAMsg::messageFont()).family() != QLatin1String("Liberation Sans"))
        GTEST_SKIP() << "Liberation Sans is not installed (fonts-liberation)";
    TForm_EVAMsg window(nullptr, TForm_EVAMsg::Display::TextOnly);
    EXPECT_EQ(window.textLimit(), 271);
    // 228 pixels.
    EXPECT_EQ(window.fitMessage(Prefix + "CUSTOMER.DB..."), Prefix + "CUSTOMER.DB...");
    // 386 pixels; "...ORDERS_ARCHIVE_1998" is 270, with the next "_" 277.
    EXPECT_EQ(window.fitMessage(Prefix + "ORDERS_ARCHIVE_1998_SECOND_HALF.DB..."), Prefix + "ORDERS_ARCHIVE_1998...");
}

TEST(MessageWindowPlacement, CentredOnTheScreen)
{
    EXPECT_EQ(TForm_EVAMsg::centredPosition(QRect(0, 0, 1024, 768), QSize(340, 65)), QPoint(342, 351));
    EXPECT_EQ(TForm_EVAMsg::centredPosition(QRect(0, 0, 800, 600), QSize(340, 65)), QPoint(230, 267));
    // A second screen to the right of the first.
    EXPECT_EQ(TForm_EVAMsg::centredPosition(QRect(1920, 0, 1280, 1024), QSize(340, 65)), QPoint(2390, 479));
}

TEST_F(MessageWindow, FramelessFixedClientAreaWithoutInput)
{
    EXPECT_EQ(window_.size(), QSize(340, 65));
    EXPECT_EQ(window_.minimumSize(), QSize(340, 65));
    EXPECT_EQ(window_.maximumSize(), QSize(340, 65));
    EXPECT_TRUE(window_.isWindow());
    EXPECT_TRUE(window_.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(window_.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_FALSE(window_.windowFlags().testFlag(Qt::WindowTitleHint));
    EXPECT_FALSE(window_.isModal());
    EXPECT_EQ(window_.windowModality(), Qt::NonModal);
    EXPECT_TRUE(window_.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_FALSE(window_.isVisible()); // hidden until a table prints
    EXPECT_EQ(window_.messageText(), QString());
}

TEST_F(MessageWindow, ThreeNestedPanels)
{
    BevelPanel* back = panel("PanelBckGr");
    BevelPanel* frame = panel("PanelFrGr");
    BevelPanel* msg = panel("Msg");
    ASSERT_TRUE(back && frame && msg);
    EXPECT_EQ(back->parentWidget(), &window_);
    EXPECT_EQ(frame->parentWidget(), back);
    EXPECT_EQ(msg->parentWidget(), frame);
    EXPECT_EQ(back->geometry(), QRect(0, 0, 341, 65));
    EXPECT_EQ(frame->geometry(), QRect(5, 5, 331, 55));
    EXPECT_EQ(msg->geometry(), QRect(15, 15, 301, 25));

    EXPECT_EQ(back->bevelOuter(), BevelPanel::Bevel::None);
    EXPECT_EQ(back->bevelInner(), BevelPanel::Bevel::None);
    EXPECT_EQ(frame->bevelInner(), BevelPanel::Bevel::Lowered);
    EXPECT_EQ(msg->bevelOuter(), BevelPanel::Bevel::Lowered);
    EXPECT_EQ(msg->bevelInner(), BevelPanel::Bevel::None);

    for (const QWidget* w : {static_cast<const QWidget*>(&window_), static_cast<const QWidget*>(msg)}) {
        EXPECT_EQ(w->font().pixelSize(), 11);
        EXPECT_TRUE(w->font().bold());
        EXPECT_EQ(w->font().families().value(0), "MS Sans Serif");
    }
    EXPECT_EQ(msg->captionColor(), msg->palette().color(QPalette::ButtonText));
}

// The background is the active caption colour even though the window is never active.
TEST_F(MessageWindow, BackgroundIsTheActiveCaptionColour)
{
    QPalette p = window_.palette();
    p.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 0, 128));
    p.setColor(QPalette::Inactive, QPalette::Highlight, QColor(90, 90, 90));
    window_.setPalette(p);
    EXPECT_EQ(panel("PanelBckGr")->faceColor(), QColor(0, 0, 128));
    const QImage img = image();
    ASSERT_EQ(img.size(), QSize(340, 65));
    for (const QPoint at : {QPoint(0, 0), QPoint(339, 0), QPoint(4, 32), QPoint(336, 32), QPoint(170, 64)})
        EXPECT_EQ(img.pixel(at), qRgb(0, 0, 128)) << at.x() << "," << at.y();
}

// In window coordinates: the frame panel spans 5..335 × 5..59, the message panel 20..320 ×
// 20..44.
TEST_F(MessageWindow, BevelsOfTheFrameAndTheMessagePanel)
{
    QPalette p = window_.palette();
    p.setColor(QPalette::Light, QColor(255, 255, 255));
    p.setColor(QPalette::Dark, QColor(128, 128, 128));
    p.setColor(QPalette::Button, QColor(192, 192, 192));
    window_.setPalette(p);
    const QRgb light = qRgb(255, 255, 255), dark = qRgb(128, 128, 128), face = qRgb(192, 192, 192);
    const QImage img = image();

    // Frame panel: a raised outer ring, a lowered ring inside it.
    EXPECT_EQ(img.pixel(5, 5), light);
    EXPECT_EQ(img.pixel(334, 5), light);
    EXPECT_EQ(img.pixel(335, 5), dark);
    EXPECT_EQ(img.pixel(5, 59), dark);
    EXPECT_EQ(img.pixel(335, 59), dark);
    EXPECT_EQ(img.pixel(6, 6), dark);
    EXPECT_EQ(img.pixel(6, 57), dark);
    EXPECT_EQ(img.pixel(334, 58), light);
    EXPECT_EQ(img.pixel(7, 7), face);
    EXPECT_EQ(img.pixel(19, 32), face);

    // Message panel: one lowered ring.
    EXPECT_EQ(img.pixel(20, 20), dark);
    EXPECT_EQ(img.pixel(319, 20), dark);
    EXPECT_EQ(img.pixel(320, 20), light);
    EXPECT_EQ(img.pixel(20, 44), light);
    EXPECT_EQ(img.pixel(320, 44), light);
    EXPECT_EQ(img.pixel(21, 21), face);
    EXPECT_EQ(img.pixel(321, 32), face);
}

TEST_F(MessageWindow, MessageIsCentredInItsPanelInBlack)
{
    window_.showMessage(Prefix + "CUSTOMER.DB...");
    const QImage img = image();
    int left = 340, right = -1, top = 65, bottom = -1;
    for (int y = 0; y < 65; ++y)
        for (int x = 0; x < 340; ++x)
            if (isDark(img.pixel(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, 0) << "no text painted";
    // Within the message panel's inside, 21..319 × 21..43.
    EXPECT_GE(left, 21);
    EXPECT_LE(right, 319);
    EXPECT_GE(top, 21);
    EXPECT_LE(bottom, 43);
    // Centred on the panel's middle column (170) and row (32), within the ink's own slack.
    EXPECT_NEAR((left + right) / 2.0, 170, 3);
    EXPECT_NEAR((top + bottom) / 2.0, 32, 3);
    EXPECT_GT(right - left, 200); // the whole line, some 228 pixels of advance
}

// Regression: with a dark theme the message was black on a dark panel.
TEST_F(MessageWindow, DarkThemeGivesLightTextOnTheDarkFace)
{
    QPalette p = window_.palette();
    p.setColor(QPalette::Button, QColor(40, 40, 40));
    p.setColor(QPalette::ButtonText, QColor(240, 240, 240));
    window_.setPalette(p);
    window_.showMessage(Prefix + "CUSTOMER.DB...");
    const QImage img = image();
    int light = 0;
    for (int y = 21; y <= 43; ++y)
        for (int x = 21; x <= 319; ++x)
            light += qGray(img.pixel(x, y)) > 192 ? 1 : 0;
    EXPECT_EQ(img.pixel(21, 21), qRgb(40, 40, 40));
    EXPECT_GT(light, 100) << "the text is not drawn in the palette's light text colour";
}

TEST_F(MessageWindow, EmptyTextShowsAnEmptyPanel)
{
    window_.showMessage(QString());
    EXPECT_TRUE(window_.isVisible());
    EXPECT_EQ(window_.messageText(), QString());
    const QImage img = image();
    const QRgb face = img.pixel(21, 21);
    for (int y = 21; y <= 43; ++y)
        for (int x = 21; x <= 319; ++x)
            ASSERT_EQ(img.pixel(x, y), face) << x << "," << y;
}

TEST_F(MessageWindow, ShownCentredNotModalAndPaintedBeforeShowReturns)
{
    PaintWatch watch(panel("Msg"));
    window_.showMessage(Prefix + "CUSTOMER.DB...");
    EXPECT_TRUE(window_.isVisible());
    EXPECT_TRUE(window_.isShowingMessage());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // No event loop ran: the paint happened inside showMessage, with the new text.
    ASSERT_FALSE(watch.captions.isEmpty());
    EXPECT_EQ(watch.captions.back(), Prefix + "CUSTOMER.DB...");
    const QRect screen = window_.screen()->geometry();
    EXPECT_EQ(window_.pos(), TForm_EVAMsg::centredPosition(screen, QSize(340, 65)));
    EXPECT_EQ(window_.frameGeometry().size(), QSize(340, 65));
}

TEST_F(MessageWindow, ShowingAgainOnlyReplacesTheText)
{
    window_.showMessage(Prefix + "A.DB...");
    window_.move(10, 10); // wherever it stands now
    PaintWatch watch(panel("Msg"));
    window_.showMessage(Prefix + "B.DB...");
    EXPECT_TRUE(window_.isVisible());
    EXPECT_EQ(window_.pos(), QPoint(10, 10));
    EXPECT_EQ(window_.messageText(), Prefix + "B.DB...");
    ASSERT_FALSE(watch.captions.isEmpty());
    EXPECT_EQ(watch.captions.back(), Prefix + "B.DB...");
}

TEST_F(MessageWindow, HidingKeepsTheLastText)
{
    window_.showMessage(Prefix + "CUSTOMER.DB...");
    window_.hideMessage();
    EXPECT_FALSE(window_.isVisible());
    EXPECT_FALSE(window_.isShowingMessage());
    EXPECT_EQ(window_.messageText(), Prefix + "CUSTOMER.DB...");
}

TEST(HeadlessMessageWindow, TextOnlyKeepsTheTextAndShowsNothing)
{
    TForm_EVAMsg window(nullptr, TForm_EVAMsg::Display::TextOnly);
    const QString name = Prefix + "ORDERS_ARCHIVE_1998_SECOND_HALF.DB...";
    window.showMessage(name);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.isShowingMessage());
    EXPECT_EQ(window.messageText(), window.fitMessage(name));
    EXPECT_TRUE(window.messageText().endsWith("..."));
    EXPECT_LT(window.messageText().size(), name.size());
    window.hideMessage();
    EXPECT_FALSE(window.isShowingMessage());

    // The same window can still be put on the screen, e.g. to look at it.
    window.setDisplay(TForm_EVAMsg::Display::OnScreen);
    window.showMessage(name);
    EXPECT_TRUE(window.isVisible());
}

TEST(HeadlessMessageWindow, PlatformWithoutADisplayChoosesTextOnly)
{
    const QString platform = QGuiApplication::platformName();
    if (platform != "offscreen" && platform != "minimal")
        GTEST_SKIP() << "running on a display (" << platform.toStdString() << ")";
    EXPECT_EQ(TForm_EVAMsg::displayForPlatform(), TForm_EVAMsg::Display::TextOnly);
    TForm_EVAMsg window;
    EXPECT_EQ(window.display(), TForm_EVAMsg::Display::TextOnly);
    window.showMessage(Prefix + "CUSTOMER.DB...");
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.messageText(), Prefix + "CUSTOMER.DB...");
}
