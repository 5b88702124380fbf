#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace korvex {

class TableListView;

// The answers to the question whether to go on after a table failed.
enum class ContinueAnswer { Yes, No, All };

// Asks whether to go on printing after a table failed. The program shows a question box;
// tests script the answers.
using ContinueQuestion = std::function<ContinueAnswer(QWidget* parent)>;

// Prints one table by its name as the table list shows it: true when its report came out.
// A failure has been told to the user already.
using PrintTableFunction = std::function<bool(const QString& name)>;

inline const QString ContinueQuestionText = QStringLiteral("Continue printing tables after error ?\n");

// The question box: question icon, Yes, No and Yes to All in Qt's own (translated)
// captions, Yes the default; Escape and the close button count as Yes.
ContinueAnswer askContinuePrinting(QWidget* parent);

// One print run: every selected entry of the list in list order goes to print. After a
// table has failed, the question comes before every further selected table until it is
// answered All (never again in this run) or No (the run ends there). The number of
// entries is read once; each entry is looked up when its turn comes. Errors other than a
// failed table (print returning false) leave the run at once. When cancelled answers true
// before a table, the run ends there: the table being printed is always finished.
void runPrint(const TableListView& list, const PrintTableFunction& print, const ContinueQuestion& ask, QWidget* parent,
              const std::function<bool()>& cancelled = {});

// While it lives, Escape pressed in any of the program's windows (a modal box's own
// Escape excepted) asks the print run to end after the table being printed. The progress
// window takes no keys; the windows behind it get them while a table prints.
class EscapeCancelsRun : public QObject {
public:
    EscapeCancelsRun();
    ~EscapeCancelsRun() override;
    bool pressed() const { return pressed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool pressed_ = false;
};

} // namespace korvex
