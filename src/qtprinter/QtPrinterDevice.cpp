#include "QtPrinterDevice.h"

#include "CupsQueue.h"
#include "DeviceFont.h"
#include "JobFiles.h"
#include "JobFinisher.h"
#include "RecordingDevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace korvex {
namespace {

QPageLayout::Orientation qtOrientation(Orientation orientation)
{
    return orientation == Orientation::Portrait ? QPageLayout::Portrait : QPageLayout::Landscape;
}

// The device capabilities of a printer: the paper is the physical page, the page rect
// the printable area, and their distance the unprintable offsets.
DeviceCaps capsOf(const QPrinter& printer)
{
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    const QRect page = printer.pageRect(QPrinter::DevicePixel).toRect();
    return {printer.width(), printer.height(), printer.widthMM(),    printer.heightMM(),
            paper.width(),   paper.height(),   page.x() - paper.x(), page.y() - paper.y()};
}

// The unprintable border is fixed on the sheet: turned for landscape by a quarter turn
// counterclockwise (the usual way, a driver's "Plus90"), the sheet brings its lower
// border to the left, its left border to the top, and so on. The layout always carries the border as
// its margins, whatever minimum the printer driver names for the turned page.
QPageLayout pageLayout(const QPageSize& paper, const QMarginsF& portraitBorder, Orientation orientation)
{
    const QMarginsF& b = portraitBorder;
    const QMarginsF border = orientation == Orientation::Portrait ? b
                                                                  : QMarginsF(b.bottom(), b.left(), b.top(), b.right());
    return QPageLayout(paper, qtOrientation(orientation), border, QPageLayout::Point, QMarginsF());
}

} // namespace

QStringList printerFontFamilies()
{
    QStringList families;
    for (const QString& family : QFontDatabase::families())
        if (QFontDatabase::isScalable(family) && !QFontDatabase::isPrivateFamily(family))
            families << family;
    return families;
}

// A job is painted either into a spool PDF of its own, or onto a printer someone else owns;
// or it is drawn into steps now and painted into its spool PDF behind, by the finisher.
// The spool PDF is written by a PDF writer rather than a PDF QPrinter: a new QPrinter asks
// CUPS for the default printer, a round trip to the scheduler for every job, and both paint
// through the same PDF engine, so the documents are the same.
struct QtPrinterDevice::Job {
    QString title;
    QString spoolPath;                  // empty for a job on another's printer
    std::unique_ptr<QPdfWriter> writer; // the spool PDF painted now
    std::unique_ptr<JobCanvas> canvas;  // after the writer: it ends before the writer goes
    std::unique_ptr<SpoolJob> behind;   // the steps of a job painted behind
    int page = 1;
    DeviceCaps caps;
    bool transparent = false;

    // Paints the step now, or keeps it for later.
    template <typename Step>
    void draw(Step&& step)
    {
        if (behind)
            behind->steps.emplace_back(std::forward<Step>(step));
        else
            canvas->draw(step);
    }
    // False when the printer refuses the page.
    bool newPage()
    {
        if (!behind)
            return canvas->newPage();
        behind->steps.emplace_back(PageStep{});
        return true;
    }

    void discardSpool()
    {
        if (canvas && canvas->isActive())
            canvas->end();
        if (!spoolPath.isEmpty())
            QFile::remove(spoolPath);
    }
};

QtPrinterDevice::QtPrinterDevice(const QString& pdfFolder)
{
    selectDefaultPrinter(pdfFolder);
}

QtPrinterDevice::~QtPrinterDevice()
{
    abortJob();
}

void QtPrinterDevice::requireNoJob() const
{
    if (job_)
        throw PrinterError(QStringLiteral("A print job is already in progress."));
}

void QtPrinterDevice::requireJob() const
{
    if (!job_)
        throw PrinterError(QStringLiteral("There is no print job in progress."));
}

void QtPrinterDevice::selectDefaultPrinter(const QString& pdfFolder)
{
    requireNoJob();
    QString queue = QPrinterInfo::defaultPrinterName();
    if (queue.isEmpty()) {
        const QStringList queues = QPrinterInfo::availablePrinterNames();
        if (!queues.isEmpty())
            queue = queues.first();
    }
    pdfFolder_ = pdfFolder;
    if (!queue.isEmpty()) {
        try {
            selectCupsPrinter(queue);
            return;
        } catch (const PrinterError&) {
            // A queue that cannot even be described counts as no printer.
        }
    }
    selectPdfPrinter(pdfFolder);
}

void QtPrinterDevice::selectCupsPrinter(const QString& queue)
{
    requireNoJob();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(queue);
    if (printer.outputFormat() != QPrinter::NativeFormat || printer.printerName() != queue)
        throw PrinterError(QStringLiteral("The printer \"%1\" is not known.").arg(queue));
    printer.setPageOrientation(QPageLayout::Portrait);
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Point);
    // The printable area is all that the printer can print: margins as small as it allows.
    usePrinter(queue, pdfFolder_, layout.pageSize(), layout.minimumMargins());
}

void QtPrinterDevice::selectPdfPrinter(const QString& folder, QPageSize::PageSizeId paper)
{
    requireNoJob();
    usePrinter(std::nullopt, folder, QPageSize(paper),
               QMarginsF(PdfBorderPoints, PdfBorderPoints, PdfBorderPoints, PdfBorderPoints));
}

void QtPrinterDevice::usePrinter(const std::optional<QString>& queue, const QString& pdfFolder, const QPageSize& paper,
                                 const QMarginsF& portraitBorder)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setResolution(Resolution);
    if (!printer->setPageLayout(pageLayout(paper, portraitBorder, orientation_)))
        throw PrinterError(QStringLiteral("The printer does not take the paper \"%1\".").arg(paper.name()));
    queue_ = queue;
    pdfFolder_ = pdfFolder;
    paper_ = paper;
    portraitBorder_ = portraitBorder;
    layoutPrinter_ = std::move(printer);
}

void QtPrinterDevice::beginJob(const QString& title)
{
    requireNoJob();
    lastOutputFile_.clear();
    lastJobId_ = 0;
    if (queue_)
        cups::requireAcceptingJobs(*queue_);

    QString spoolPath;
    try {
        spoolPath = createSpoolFile(queue_ ? QDir::tempPath() : pdfFolder_);
    } catch (const PrinterError& e) {
        throw PrinterError(QStringLiteral("The print job \"%1\" cannot begin. %2").arg(title, e.message()));
    }
    auto job = std::make_unique<Job>();
    job->title = title;
    job->spoolPath = spoolPath;
    // The writer has the layout printer's pages at the printer's resolution.
    job->caps = capsOf(*layoutPrinter_);
    if (finisher_) {
        job->behind = std::make_unique<SpoolJob>(
            SpoolJob{title, spoolPath, layoutPrinter_->pageLayout(), Resolution, JobTarget{queue_, pdfFolder_}, {}});
    } else {
        job->writer = std::make_unique<QPdfWriter>(spoolPath);
        setUpSpoolWriter(*job->writer, title, layoutPrinter_->pageLayout(), Resolution);
        job->canvas = std::make_unique<JobCanvas>(*job->writer);
        if (!job->canvas->begin()) {
            job->discardSpool();
            throw PrinterError(spoolNotOpenMessage(title, spoolPath));
        }
    }
    penX_ = penY_ = 0;
    job_ = std::move(job);
}

QPageLayout QtPrinterDevice::currentPageLayout() const
{
    return layoutPrinter_->pageLayout();
}

void QtPrinterDevice::beginJobOn(QPrinter& printer, const QString& title)
{
    requireNoJob();
    auto job = std::make_unique<Job>();
    job->title = title;
    job->canvas = std::make_unique<JobCanvas>(printer);
    if (!job->canvas->begin())
        throw PrinterError(QStringLiteral("The print job \"%1\" cannot begin on the printer.").arg(title));
    job->caps = capsOf(printer);
    penX_ = penY_ = 0;
    job_ = std::move(job);
}

void QtPrinterDevice::endJob()
{
    requireJob();
    // The job is over whatever happens now; a failed delivery leaves nothing behind.
    const std::unique_ptr<Job> job = std::move(job_);
    if (job->behind) {
        finisher_->hand(std::move(job->behind));
        return;
    }
    if (!job->writer) {
        job->canvas->end();
        return;
    }
    // Qt's PDF writer does not tell when a write fails: a full disk would leave a cut file.
    if (!job->canvas->end() || !pdfFileComplete(job->spoolPath)) {
        const QString message = spoolNotWrittenMessage(job->title, job->spoolPath);
        job->discardSpool();
        throw PrinterError(message);
    }
    const FinishedJob done = deliverSpool(job->title, job->spoolPath, job->writer->pageLayout(),
                                          JobTarget{queue_, pdfFolder_});
    if (!done.error.isEmpty())
        throw PrinterError(done.error);
    lastOutputFile_ = done.outputFile;
    lastJobId_ = done.jobId;
}

void QtPrinterDevice::finishJobsBehind(int threads)
{
    requireNoJob();
    finisher_.reset();
    if (threads > 0)
        finisher_ = std::make_unique<JobFinisher>(threads);
}

std::vector<FinishedJob> QtPrinterDevice::takeFinishedJobs(bool wait)
{
    return finisher_ ? finisher_->take(wait) : std::vector<FinishedJob>();
}

void QtPrinterDevice::abortJob()
{
    if (!job_)
        return;
    const std::unique_ptr<Job> job = std::move(job_);
    job->discardSpool();
}

void QtPrinterDevice::newPage()
{
    requireJob();
    if (!job_->newPage())
        throw PrinterError(pageRefusedMessage(job_->title, job_->page + 1, job_->spoolPath));
    ++job_->page;
}

int QtPrinterDevice::pageNumber() const
{
    return job_ ? job_->page : 0;
}

void QtPrinterDevice::setOrientation(Orientation orientation)
{
    orientation_ = orientation;
    layoutPrinter_->setPageLayout(pageLayout(paper_, portraitBorder_, orientation));
}

DeviceCaps QtPrinterDevice::caps() const
{
    return job_ ? job_->caps : capsOf(*layoutPrinter_);
}

const QPaintDevice& QtPrinterDevice::measuringDevice() const
{
    if (job_ && job_->canvas)
        return job_->canvas->device();
    return *layoutPrinter_;
}

void QtPrinterDevice::setFont(const FontSpec& font)
{
    font_ = font;
}

void QtPrinterDevice::setTransparentTextBackground()
{
    if (job_)
        job_->transparent = true;
}

void QtPrinterDevice::textOut(int x, int y, const QString& text)
{
    requireJob();
    const FontMeasure& measure = measures_.of(font_, &measuringDevice());
    job_->draw(TextStep{QPoint(x, y + measure.ascent()), text, font_, job_->transparent});
}

int QtPrinterDevice::textWidth(const QString& text)
{
    return measures_.of(font_, &measuringDevice()).width(text);
}

int QtPrinterDevice::textHeight(const QString&)
{
    return measures_.of(font_, &measuringDevice()).height();
}

void QtPrinterDevice::rectangle(int x1, int y1, int x2, int y2)
{
    requireJob();
    job_->draw(RectStep{QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized(), pen_, fill_});
}

void QtPrinterDevice::moveTo(int x, int y)
{
    penX_ = x;
    penY_ = y;
}

void QtPrinterDevice::lineTo(int x, int y)
{
    requireJob();
    job_->draw(LineStep{QPointF(penX_, penY_), QPointF(x, y), pen_});
    penX_ = x;
    penY_ = y;
}

std::unique_ptr<RecordingDevice> recorderLike(QtPrinterDevice& printer)
{
    auto recorder = std::make_unique<RecordingDevice>(RecordingDevice::Metrics::RealFonts, printer.caps());
    printer.setOrientation(Orientation::Landscape);
    recorder->setCaps(Orientation::Landscape, printer.caps());
    printer.setOrientation(Orientation::Portrait);
    return recorder;
}

} // namespace korvex
