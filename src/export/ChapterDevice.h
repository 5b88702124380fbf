#pragma once

#include "PrintDevice.h"

namespace korvex {

// One table's report as a chapter of a larger print job on another device, the book: the
// report's job begins on a new page of the book's job and its pages count from 1, so that
// its information block, headers and line limits are those of the report printed alone;
// ending the report's job leaves the book's job going. Everything drawn goes to the book.
//
// An aborted chapter cannot take back the pages it started: whoever prints the book knows
// beforehand which reports succeed (BookPrinter plans them) and gives up the whole book
// when one fails after all.
class ChapterDevice final : public PrintDevice {
public:
    // The book's job must be in progress whenever a chapter begins.
    explicit ChapterDevice(PrintDevice& book) : book_(book) {}

    // The next chapter begins on the page the book's job is on, which nothing has drawn on
    // yet (the first page of a job that holds chapters only), instead of a new one.
    void beginOnCurrentPage() { onCurrentPage_ = true; }

    // The pages the last chapter started on the book; whether it ended, or was aborted.
    int pagesPrinted() const { return page_; }
    bool ended() const { return ended_; }
    // Why the book's own device failed under a chapter (its spool could not be written, say),
    // as opposed to the chapter's report failing; empty when it did not.
    QString bookFailure() const { return bookFailure_; }

    void beginJob(const QString& title) override;
    void endJob() override;
    void abortJob() override;
    void newPage() override;
    int pageNumber() const override { return inJob_ ? page_ : 0; }
    bool jobInProgress() const override { return inJob_; }

    // The book's pages keep the orientation the book's job began with.
    void setOrientation(Orientation orientation) override { orientation_ = orientation; }
    Orientation orientation() const override { return orientation_; }
    DeviceCaps caps() const override { return book_.caps(); }

    void setFont(const FontSpec& font) override { book_.setFont(font); }
    FontSpec font() const override { return book_.font(); }
    void setBrushSolid(const QColor& color) override { book_.setBrushSolid(color); }
    void setBrushHollow() override { book_.setBrushHollow(); }
    void setPenWidth(int dots) override { book_.setPenWidth(dots); }
    void setTransparentTextBackground() override { book_.setTransparentTextBackground(); }

    void textOut(int x, int y, const QString& text) override;
    int textWidth(const QString& text) override { return book_.textWidth(text); }
    int textHeight(const QString& text) override { return book_.textHeight(text); }
    void rectangle(int x1, int y1, int x2, int y2) override;
    void moveTo(int x, int y) override { book_.moveTo(x, y); }
    void lineTo(int x, int y) override;

private:
    void requireJob() const;
    template <typename Call>
    void onBook(Call call);

    PrintDevice& book_;
    Orientation orientation_ = Orientation::Portrait;
    bool inJob_ = false;
    bool ended_ = false;
    bool onCurrentPage_ = false;
    int page_ = 0;
    QString bookFailure_;
};

} // namespace korvex
