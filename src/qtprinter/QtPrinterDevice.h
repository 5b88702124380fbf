#pragma once

#include "DeviceFont.h"
#include "JobFinisher.h"
#include "PaperSize.h"
#include "PrintDevice.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QPaintDevice;
class QPrinter;

namespace korvex {

class RecordingDevice;

// The fonts a print job can use, in the font database's order: every job is painted into a
// spool PDF first, so a printer prints exactly the font families that Qt can embed there,
// the scalable ones, whichever printer is chosen.
QStringList printerFontFamilies();

// The printer of the system: a CUPS queue, or, on a machine without printers, a PDF
// printer that writes every job as one PDF file into a folder. The PDF printer is a
// plain laser printer: 600 dpi, the locale's paper, and an unprintable border of 1/6 inch
// (12 points, exactly 100 dots) on every side.
//
// Every job is painted into a spool PDF at 600 dpi on the chosen printer's page layout
// and delivered only when it ends: the PDF printer moves it into the folder under a name
// made from the job's title, a CUPS queue gets it as one job then. An aborted job
// leaves nothing: no file, no job in a queue.
//
// A CUPS queue's unprintable border is the one its driver names for the upright sheet;
// in landscape the same border turns with the sheet.
class QtPrinterDevice final : public PrintDevice {
public:
    static constexpr int Resolution = 600;
    static constexpr double PdfBorderPoints = 12;

    // The system's default printer, else the first printer CUPS knows; on a machine
    // without printers the PDF printer writing into pdfFolder.
    explicit QtPrinterDevice(const QString& pdfFolder);
    ~QtPrinterDevice() override;
    QtPrinterDevice(const QtPrinterDevice&) = delete;
    QtPrinterDevice& operator=(const QtPrinterDevice&) = delete;

    // Choosing the printer for the next job; PrinterError during a job, and for a queue
    // that CUPS does not know.
    void selectDefaultPrinter(const QString& pdfFolder);
    void selectCupsPrinter(const QString& queue);
    void selectPdfPrinter(const QString& folder, QPageSize::PageSizeId paper = localePaperSize());

    bool isPdfPrinter() const { return !queue_; }
    // The CUPS queue; empty for the PDF printer.
    QString printerName() const { return queue_.value_or(QString()); }
    QString pdfFolder() const { return pdfFolder_; }
    // Where the last job went: its PDF file; empty when it went to a queue or did not
    // come out.
    QString lastOutputFile() const { return lastOutputFile_; }
    // The CUPS job id of the last job; 0 for the PDF printer and a job that did not come out.
    int lastJobId() const { return lastJobId_; }

    // With threads above 0, the jobs that follow are finished behind: a job is drawn into
    // steps, and at its end handed to that many threads, which paint, write and deliver it
    // while the next jobs are drawn. endJob then raises no error of writing or delivery, and
    // the last output file and job id stay empty: takeFinishedJobs tells what became of each
    // job. With 0, jobs are painted and delivered by endJob again. Jobs already handed over
    // are finished first; what they became and nobody took is forgotten. PrinterError
    // during a job.
    void finishJobsBehind(int threads);
    // The jobs finished behind since the last call, in the order they ended; with wait,
    // once every job ended so far is finished.
    std::vector<FinishedJob> takeFinishedJobs(bool wait);

    // The chosen printer's page layout in the current orientation.
    QPageLayout currentPageLayout() const;

    void beginJob(const QString& title) override;
    // A job painted onto a printer someone else owns and delivers (the print preview's):
    // it takes that printer's pages as they are set up, draws as every job does, and its
    // end only ends the painting. The printer must outlive the job.
    void beginJobOn(QPrinter& printer, const QString& title);
    void endJob() override;
    void abortJob() override;
    void newPage() override;
    int pageNumber() const override;
    bool jobInProgress() const override { return job_ != nullptr; }

    void setOrientation(Orientation orientation) override;
    Orientation orientation() const override { return orientation_; }
    DeviceCaps caps() const override;

    void setFont(const FontSpec& font) override;
    FontSpec font() const override { return font_; }
    void setBrushSolid(const QColor& color) override { fill_ = color; }
    void setBrushHollow() override { fill_.reset(); }
    void setPenWidth(int dots) override { pen_ = dots; }
    void setTransparentTextBackground() override;

    void textOut(int x, int y, const QString& text) override;
    int textWidth(const QString& text) override;
    int textHeight(const QString& text) override;
    void rectangle(int x1, int y1, int x2, int y2) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;

private:
    struct Job;

    void requireNoJob() const;
    void requireJob() const;
    void usePrinter(const std::optional<QString>& queue, const QString& pdfFolder, const QPageSize& paper,
                    const QMarginsF& portraitBorder);
    const QPaintDevice& measuringDevice() const;

    std::optional<QString> queue_; // empty: the PDF printer
    QString pdfFolder_;
    QPageSize paper_;
    QMarginsF portraitBorder_; // the unprintable border of the upright sheet, in points
    Orientation orientation_ = Orientation::Portrait;
    // A PDF printer with the chosen printer's pages in the chosen orientation: it tells
    // the capabilities and measures texts; never painted on.
    std::unique_ptr<QPrinter> layoutPrinter_;
    std::unique_ptr<Job> job_;
    std::unique_ptr<JobFinisher> finisher_;

    FontSpec font_;
    FontMeasures measures_;
    std::optional<QColor> fill_ = QColor(Qt::white);
    int pen_ = 1;
    int penX_ = 0;
    int penY_ = 0;

    QString lastOutputFile_;
    int lastJobId_ = 0;
};

// A recording device with the printer's pages in both orientations and its fonts: it
// measures and plans exactly as the printer would print. The printer is left upright.
std::unique_ptr<RecordingDevice> recorderLike(QtPrinterDevice& printer);

} // namespace korvex
