#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>

namespace korvex {

class BevelPanel;

// Cuts text until its width is at most limit pixels, one character at a time from the end,
// and appends "..." when anything was cut (the dots may go past the limit).
QString fitMessageText(const QString& text, int limit, const std::function<int(const QString&)>& width);

// The small borderless window in the middle of the screen that says which table is being
// printed. It takes no input. Its only state is the text of its message panel.
class TForm_EVAMsg : public QWidget {
    Q_OBJECT
public:
    // OnScreen shows the window; TextOnly (a run without a display) keeps the text it would
    // show and leaves the window hidden.
    enum class Display { OnScreen, TextOnly };

    static constexpr QSize ClientSize{340, 65};
    static constexpr int TextMargin = 30; // the message keeps this much of its panel free

    // TextOnly on the platforms that have no display (offscreen, minimal), else OnScreen.
    static Display displayForPlatform();
    // Where a window of the given size stands centred on a screen.
    static QPoint centredPosition(const QRect& screen, const QSize& size);
    // The window's font: bold, 11 pixels high.
    static QFont messageFont();

    // With the main window as parent the window stays above it.
    explicit TForm_EVAMsg(QWidget* parent = nullptr, Display display = displayForPlatform());

    Display display() const { return display_; }
    void setDisplay(Display display) { display_ = display; }

    // Fits the text, makes it the message and shows the window, without modality, painted
    // before this returns. A window already shown only changes its text.
    void showMessage(const QString& text);
    void hideMessage();

    // The message as fitted; kept after hiding and in a TextOnly run.
    QString messageText() const;
    // Between showMessage and hideMessage, whether or not the window is on the screen.
    bool isShowingMessage() const { return showing_; }
    // The width the message may take: the message panel's width less the margin.
    int textLimit() const;
    QString fitMessage(const QString& text) const;

private:
    void paintAtOnce();

    Display display_;
    bool showing_ = false;
    BevelPanel* PanelBckGr;
    BevelPanel* PanelFrGr;
    BevelPanel* Msg;
};

} // namespace korvex
