#include "PreviewPages.h"

#include "ChapterDevice.h"
#include "KeptMessages.h"

#include "ReportServices.h"

namespace korvex {

PreviewPages::PreviewPages(ReportServices& services, ReportProgress& progress)
    : services_(services), progress_(progress)
{}

std::vector<PreviewFailure> PreviewPages::draw(PrintDevice& device, const QStringList& tables)
{
    KeptMessages messages;
    ChapterDevice chapter(device);
    TableReporter reporter(services_, chapter, messages, progress_);
    reporter.setClock(now_);
    reporter.setLocale(locale_);
    std::vector<PreviewFailure> failures;
    bool nothingDrawn = true;
    for (const auto& table : tables) {
        // The first report takes the job's first page; a failed one may have begun a page.
        if (nothingDrawn)
            chapter.beginOnCurrentPage();
        messages.last.clear();
        if (!reporter.PrintTableReport(table))
            failures.push_back({table, messages.last});
        nothingDrawn = nothingDrawn && chapter.pagesPrinted() == 0;
    }
    return failures;
}

} // namespace korvex
