#include "QtPrinterDevice.h"

#include "CupsQueue.h"
#include "DeviceFont.h"
#include "JobFiles.h"
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

QPen linePen(int width)
{
    return QPen(QBrush(Qt::black), std::max(width, 0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
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

// A job is painted either into a spool PDF of its own, or onto a printer someone else owns.
// The spool PDF is written by a PDF writer rather than a PDF QPrinter: a new QPrinter asks
// CUPS for the default printer, a round trip to the scheduler for every job, and both paint
// through the same PDF engine, so the documents are the same.
struct QtPrinterDevice::Job {
    QString title;
    QString spoolPath;                  // empty for a job on another's printer
    std::unique_ptr<QPdfWriter> writer; // the spool PDF; none on another's printer
    QPagedPaintDevice& device;          // the writer, or another's printer
    QPainter painter;                   // after the devices: it ends before the writer goes
    int page = 1;
    DeviceCaps caps;
    bool transparent = false;
    std::optional<FontSpec> painterFont; // the font the painter draws texts in

    explicit Job(const QString& spool) : spoolPath(spool), writer(std::make_unique<QPdfWriter>(spool)), device(*writer)
    {}
    explicit Job(QPrinter& other) : device(other) {}

    void discardSpool()
    {
        if (painter.isActive())
            painter.end();
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
    auto job = std::make_unique<Job>(spoolPath);
    job->title = title;
    QPdfWriter& writer = *job->writer;
    writer.setResolution(Resolution);
    writer.setPageLayout(layoutPrinter_->pageLayout());
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Korvex"));
    if (!job->painter.begin(&writer)) {
        job->discardSpool();
        throw PrinterError(QStringLiteral("The print job \"%1\" cannot begin: the spool file \"%2\" does not open.")
                               .arg(title, job->spoolPath));
    }
    // The writer has the layout printer's pages at the printer's resolution.
    job->caps = capsOf(*layoutPrinter_);
    job->painter.setBackground(Qt::white);
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
    auto job = std::make_unique<Job>(printer);
    job->title = title;
    if (!job->painter.begin(&printer))
        throw PrinterError(QStringLiteral("The print job \"%1\" cannot begin on the printer.").arg(title));
    job->caps = capsOf(printer);
    job->painter.setBackground(Qt::white);
    penX_ = penY_ = 0;
    job_ = std::move(job);
}

void QtPrinterDevice::endJob()
{
    requireJob();
    // The job is over whatever happens now; a failed delivery leaves nothing behind.
    const std::unique_ptr<Job> job = std::move(job_);
    if (!job->writer) {
        job->painter.end();
        return;
    }
    // Qt's PDF writer does not tell when a write fails: a full disk would leave a cut file.
    const bool written = job->painter.end() && pdfFileComplete(job->spoolPath);
    if (!written) {
        const QString room = lackOfRoom({QFileInfo(job->spoolPath).absolutePath(), QDir::tempPath()});
        job->discardSpool();
        throw PrinterError(QStringLiteral("The print job \"%1\" could not be written to \"%2\"%3.")
                               .arg(job->title, job->spoolPath, room));
    }
    try {
        if (queue_)
            lastJobId_ = cups::submitPdf(*queue_, job->spoolPath, job->title, job->device.pageLayout());
        else
            lastOutputFile_ = deliverSpoolFile(job->spoolPath, pdfFolder_, pdfFileBaseName(job->title));
    } catch (const PrinterError&) {
        job->discardSpool();
        throw;
    }
    if (queue_)
        job->discardSpool();
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
    if (!job_->device.newPage()) {
        // The PDF writer keeps large pages in temporary files of its own: a full temporary
        // folder stops it here.
        const QStringList folders{QFileInfo(job_->spoolPath).absolutePath(), QDir::tempPath()};
        throw PrinterError(QStringLiteral("The printer does not start page %1 of the print job \"%2\"%3.")
                               .arg(job_->page + 1)
                               .arg(job_->title, lackOfRoom(job_->spoolPath.isEmpty() ? folders.mid(1) : folders)));
    }
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
    if (job_)
        return job_->device;
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
    QPainter& painter = job_->painter;
    const FontMeasure& measure = measures_.of(font_, &job_->device);
    // A painter's font carries what it has found out about its glyphs: it is set again
    // only when the report changes fonts.
    if (job_->painterFont != font_) {
        painter.setFont(deviceFont(font_));
        job_->painterFont = font_;
    }
    painter.setPen(font_.color);
    painter.setBackgroundMode(job_->transparent ? Qt::TransparentMode : Qt::OpaqueMode);
    painter.drawText(QPoint(x, y + measure.ascent()), text);
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
    QPainter& painter = job_->painter;
    painter.setPen(linePen(pen_));
    painter.setBrush(fill_ ? QBrush(*fill_) : QBrush(Qt::NoBrush));
    painter.drawRect(QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized());
}

void QtPrinterDevice::moveTo(int x, int y)
{
    penX_ = x;
    penY_ = y;
}

void QtPrinterDevice::lineTo(int x, int y)
{
    requireJob();
    QPainter& painter = job_->painter;
    painter.setPen(linePen(pen_));
    painter.drawLine(QPointF(penX_, penY_), QPointF(x, y));
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
