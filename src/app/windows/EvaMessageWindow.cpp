#include "EvaMessageWindow.h"

#include "BevelPanel.h"

#include "TextFitting.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace korvex {

namespace {

// How long showing the window waits for the window system to put it on the screen.
constexpr int ExposeWaitMs = 250;

} // namespace

QString fitMessageText(const QString& text, int limit, const std::function<int(const QString&)>& width)
{
    QString fitted = text;
    bool cut = false;
    while (!fitted.isEmpty() && width(fitted) > limit) {
        removeLastCharacter(fitted);
        cut = true;
    }
    return cut ? fitted + QStringLiteral("...") : fitted;
}

TForm_EVAMsg::Display TForm_EVAMsg::displayForPlatform()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal") ? Display::TextOnly
                                                                                          : Display::OnScreen;
}

QPoint TForm_EVAMsg::centredPosition(const QRect& screen, const QSize& size)
{
    return {screen.x() + (screen.width() - size.width()) / 2, screen.y() + (screen.height() - size.height()) / 2};
}

QFont TForm_EVAMsg::messageFont()
{
    QFont font;
    // Where "MS Sans Serif" is missing, fontconfig would pick a much wider sans; Liberation
    // Sans comes closer to its measure, so that about as much of a table name fits.
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    font.setPixelSize(11);
    font.setBold(true);
    return font;
}

TForm_EVAMsg::TForm_EVAMsg(QWidget* parent, Display display)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus), display_(display),
      PanelBckGr(new BevelPanel(this)), PanelFrGr(new BevelPanel(PanelBckGr)), Msg(new BevelPanel(PanelFrGr))
{
    setObjectName(QStringLiteral("Form_EVAMsg"));
    setWindowModality(Qt::NonModal);
    // It only tells; the main window keeps the focus and the pointer goes through.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(ClientSize);
    setFont(messageFont());

    // One pixel wider than the window: the right column is cut off by the window's edge.
    PanelBckGr->setObjectName(QStringLiteral("PanelBckGr"));
    PanelBckGr->setGeometry(0, 0, 341, 65);
    PanelBckGr->setFace(QPalette::Active, QPalette::Highlight); // the active caption colour

    PanelFrGr->setObjectName(QStringLiteral("PanelFrGr"));
    PanelFrGr->setGeometry(5, 5, 331, 55);
    PanelFrGr->setBevelOuter(BevelPanel::Bevel::Raised);
    PanelFrGr->setBevelInner(BevelPanel::Bevel::Lowered);

    Msg->setObjectName(QStringLiteral("Msg"));
    Msg->setGeometry(15, 15, 301, 25);
    Msg->setBevelOuter(BevelPanel::Bevel::Lowered);
    Msg->setFont(messageFont());
}

int TForm_EVAMsg::textLimit() const
{
    return Msg->width() - TextMargin;
}

QString TForm_EVAMsg::fitMessage(const QString& text) const
{
    const QFontMetrics metrics(Msg->font());
    return fitMessageText(text, textLimit(), [&](const QString& s) { return metrics.horizontalAdvance(s); });
}

QString TForm_EVAMsg::messageText() const
{
    return Msg->caption();
}

void TForm_EVAMsg::showMessage(const QString& text)
{
    Msg->setCaption(fitMessage(text));
    showing_ = true;
    if (display_ == Display::TextOnly)
        return;
    if (!isVisible()) {
        const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
        if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
            move(centredPosition(screen->geometry(), size()));
        show();
    }
    raise();
    paintAtOnce();
}

void TForm_EVAMsg::hideMessage()
{
    showing_ = false;
    hide();
}

// No events run while a table prints, so the window paints itself now. A new window first
// has to be put on the screen by the window system; until then only non-input events run,
// for a bounded time, so that no click reaches the program in the middle of printing.
void TForm_EVAMsg::paintAtOnce()
{
    const QDeadlineTimer deadline(ExposeWaitMs);
    while (windowHandle() && !windowHandle()->isExposed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    repaint();
}

} // namespace korvex
