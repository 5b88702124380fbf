#include "ChapterDevice.h"

namespace korvex {

template <typename Call>
void ChapterDevice::onBook(Call call)
{
    try {
        call();
    } catch (const PrinterError& e) {
        bookFailure_ = e.message();
        throw;
    }
}

void ChapterDevice::requireJob() const
{
    if (!inJob_)
        throw PrinterError(QStringLiteral("There is no print job in progress."));
}

void ChapterDevice::beginJob(const QString&)
{
    if (inJob_)
        throw PrinterError(QStringLiteral("A print job is already in progress."));
    if (!book_.jobInProgress())
        throw PrinterError(QStringLiteral("The book's print job has not begun."));
    if (!onCurrentPage_)
        onBook([&] { book_.newPage(); });
    onCurrentPage_ = false;
    inJob_ = true;
    ended_ = false;
    page_ = 1;
}

void ChapterDevice::endJob()
{
    requireJob();
    inJob_ = false;
    ended_ = true;
}

void ChapterDevice::abortJob()
{
    inJob_ = false;
}

void ChapterDevice::newPage()
{
    requireJob();
    onBook([&] { book_.newPage(); });
    ++page_;
}

void ChapterDevice::textOut(int x, int y, const QString& text)
{
    requireJob();
    onBook([&] { book_.textOut(x, y, text); });
}

void ChapterDevice::rectangle(int x1, int y1, int x2, int y2)
{
    requireJob();
    onBook([&] { book_.rectangle(x1, y1, x2, y2); });
}

void ChapterDevice::lineTo(int x, int y)
{
    requireJob();
    onBook([&] { book_.lineTo(x, y); });
}

} // namespace korvex
