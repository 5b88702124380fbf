#include "WindowProgress.h"
#include "EvaMessageWindow.h"
#include "FakeFormat.h"
#include "RecordingDevice.h"
#include "ReportServices.h"
#include "TableReport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

using namespace korvex;

namespace {

bool cursorIsBusy()
{
    const QCursor* c = QGuiApplication::overrideCursor();
    return c && c->shape() == Qt::WaitCursor;
}

// How deep the override-cursor stack is, found by emptying it (and filling it again).
int overrideDepth()
{
    std::vector<Qt::CursorShape> shapes;
    while (const QCursor* c = QGuiApplication::overrideCursor()) {
        shapes.push_back(c->shape());
        QGuiApplication::restoreOverrideCursor();
    }
    for (auto it = shapes.rbegin(); it != shapes.rend(); ++it)
        QGuiApplication::setOverrideCursor(*it);
    return int(shapes.size());
}

// What the user saw at each error box: the box comes only after the window and the
// cursor are back to normal.
class RecordedMessages : public UserMessages {
public:
    explicit RecordedMessages(const TForm_EVAMsg& window) : window_(window) {}
    void showError(const QString& message, const QString&) override
    {
        errors << message;
        busyAtError << cursorIsBusy();
        windowAtError << window_.isVisible();
    }
    QStringList errors;
    QList<bool> busyAtError;
    QList<bool> windowAtError;

private:
    const TForm_EVAMsg& window_;
};

// Passes every call on and notes what the screen showed right after it.
class WatchedProgress : public ReportProgress {
public:
    WatchedProgress(ReportProgress& inner, const TForm_EVAMsg& window) : inner_(inner), window_(window) {}
    void showMessage(const QString& text) override
    {
        inner_.showMessage(text);
        note(QStringLiteral("show"));
    }
    void hideMessage() override
    {
        inner_.hideMessage();
        note(QStringLiteral("hide"));
    }
    void setBusy(bool busy) override
    {
        inner_.setBusy(busy);
        note(busy ? QStringLiteral("busy") : QStringLiteral("idle"));
    }
    void processEvents() override { inner_.processEvents(); }
    QStringList steps;

private:
    void note(const QString& step)
    {
        steps << QStringLiteral("%1 window=%2 cursor=%3")
                     .arg(step, window_.isVisible() ? "shown" : "hidden", cursorIsBusy() ? "busy" : "normal");
    }
    ReportProgress& inner_;
    const TForm_EVAMsg& window_;
};

class ProgressOfAReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        QFile f(dir_.filePath("T.FAK"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("ok");
        location_.currentDirectory = dir_.path();
        def_.tableType = "PARADOX";
        def_.level = 5;
        def_.recordSize = 10;
        FieldDefinition field;
        field.name = "NAME";
        field.type = FieldType::String;
        field.size = 10;
        def_.fields.assign(200, field);
    }

    bool print()
    {
        std::vector<std::unique_ptr<TableFormat>> formats;
        formats.push_back(std::make_unique<test::FakeFormat>(def_));
        ReportServices services(dir_.filePath("KORVEX20.INI"), std::move(formats));
        services.location() = location_;
        services.bodyFont() = BodyFont{"Arial", 6};
        TableReporter reporter(services, device_, messages_, watched_);
        return reporter.PrintTableReport("T.FAK");
    }

    QTemporaryDir dir_;
    TableDefinition def_;
    RecordingDevice device_;
    TableLocation location_;
    TForm_EVAMsg window_{nullptr, TForm_EVAMsg::Display::OnScreen};
    RecordedMessages messages_{window_};
    WindowProgress progress_{window_};
    WatchedProgress watched_{progress_, window_};
};

} // namespace

TEST(WindowProgress, BusyCursorIsSetOnceAndEndsWithOneRequest)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    TForm_EVAMsg window(nullptr, TForm_EVAMsg::Display::TextOnly);
    {
        WindowProgress progress(window);
        progress.setBusy(false); // not busy: nothing to restore
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        progress.setBusy(true);
        progress.setBusy(true);
        EXPECT_TRUE(progress.isBusy());
        EXPECT_TRUE(cursorIsBusy());
        EXPECT_EQ(overrideDepth(), 1);
        progress.setBusy(false);
        EXPECT_FALSE(progress.isBusy());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

        progress.setBusy(true);
    }
    // Gone while busy: the cursor is back.
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(WindowProgress, LeavesOtherOverrideCursorsAlone)
{
    QGuiApplication::setOverrideCursor(Qt::CrossCursor);
    TForm_EVAMsg window(nullptr, TForm_EVAMsg::Display::TextOnly);
    {
        WindowProgress progress(window);
        progress.setBusy(true);
        EXPECT_EQ(overrideDepth(), 2);
    }
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QGuiApplication::restoreOverrideCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ProgressOfAReport, WindowAndCursorDuringAndAfterAJob)
{
    ASSERT_TRUE(print());
    EXPECT_EQ(watched_.steps, (QStringList{
                                  "busy window=hidden cursor=busy",
                                  "show window=shown cursor=busy",
                                  "hide window=hidden cursor=busy",
                                  "idle window=hidden cursor=normal",
                              }));
    EXPECT_EQ(window_.messageText(), "Printing structure of table T.FAK...");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ProgressOfAReport, PrinterErrorRestoresWindowAndCursorBeforeTheErrorBox)
{
    device_.failNewPage(3, "paper jam");
    EXPECT_FALSE(print());
    EXPECT_EQ(messages_.errors, QStringList{"Error printing table structure!\n"});
    EXPECT_EQ(messages_.busyAtError, QList<bool>{false});
    EXPECT_EQ(messages_.windowAtError, QList<bool>{false});
    EXPECT_FALSE(window_.isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ProgressOfAReport, TableThatCannotBeOpenedNeverShowsTheWindow)
{
    QFile::remove(dir_.filePath("T.FAK"));
    EXPECT_FALSE(print());
    EXPECT_EQ(messages_.errors, QStringList{"Error opening table to print!\n"});
    EXPECT_TRUE(watched_.steps.isEmpty());
    EXPECT_FALSE(window_.isShowingMessage());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
