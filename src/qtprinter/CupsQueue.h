#pragma once

#include <QPageLayout>
#include <QString>

namespace korvex::cups {

// Raises PrinterError saying why when the scheduler does not know the queue or the
// queue does not take jobs now. A name may carry an instance ("queue/instance").
void requireAcceptingJobs(const QString& queue);

// Hands a finished PDF to the queue as one job with the title, on the layout's paper
// and in its orientation. Returns the scheduler's job id; PrinterError saying why when
// the queue refuses it.
int submitPdf(const QString& queue, const QString& pdfPath, const QString& title, const QPageLayout& layout);

} // namespace korvex::cups
