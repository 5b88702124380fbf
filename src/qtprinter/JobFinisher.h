#pragma once

#include "PrintDevice.h"

#include <QPageLayout>
#include <QPainter>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>
#include <vector>

class QPagedPaintDevice;
class QPdfWriter;

namespace korvex {

// What a print job draws, in device dots, as the printer paints it.
struct TextStep {
    QPoint baseline; // where the text's baseline starts
    QString text;
    FontSpec font;
    bool transparent = false; // no white behind the text
};
struct RectStep {
    QRectF rect;
    int pen = 0;
    std::optional<QColor> fill; // empty: an outline only
};
struct LineStep {
    QPointF from;
    QPointF to;
    int pen = 0;
};
struct PageStep {};
using DrawStep = std::variant<TextStep, RectStep, LineStep, PageStep>;

// A painter on a job's pages. A job painted as it is drawn and a job painted later from
// its steps go through the same calls, so both give the same document.
class JobCanvas {
public:
    explicit JobCanvas(QPagedPaintDevice& device) : device_(device) {}

    QPagedPaintDevice& device() const { return device_; }
    // The painter on the device, with a white text background; false when it does not start.
    bool begin();
    bool isActive() const { return painter_.isActive(); }
    void draw(const TextStep& text);
    void draw(const RectStep& rect);
    void draw(const LineStep& line);
    // A new page; false when the device refuses it.
    bool newPage();
    // Any step, as above.
    bool draw(const DrawStep& step);
    // Ends the painting, which writes a PDF device's file; false when that failed.
    bool end() { return painter_.end(); }

private:
    QPagedPaintDevice& device_;
    QPainter painter_;
    // A painter's font carries what it has found out about its glyphs: it is set again
    // only when the report changes fonts.
    std::optional<FontSpec> painterFont_;
};

// A job's spool PDF writer: its resolution, pages, title and creator.
void setUpSpoolWriter(QPdfWriter& writer, const QString& title, const QPageLayout& layout, int resolution);

// The printer's refusals, in the words the user reads: a spool file that does not open,
// a page that does not start, a file not written whole.
QString spoolNotOpenMessage(const QString& title, const QString& spoolPath);
QString pageRefusedMessage(const QString& title, int page, const QString& spoolPath);
QString spoolNotWrittenMessage(const QString& title, const QString& spoolPath);

// Where a job's spool PDF goes when it is written: a CUPS queue, or the PDF printer's folder.
struct JobTarget {
    std::optional<QString> queue;
    QString pdfFolder;
};

// What became of a job: where it came out, or why it did not. A job that did not come out
// left nothing behind.
struct FinishedJob {
    QString title;
    QString outputFile; // the PDF printer's file
    int jobId = 0;      // the CUPS job
    QString error;      // empty when the job came out
};

// Hands a written spool PDF to its target: the queue takes it as one job (and the spool file
// goes), or it moves into the folder under a name made from the title. The job failed when
// error is set; its spool file is gone then too.
FinishedJob deliverSpool(const QString& title, const QString& spoolPath, const QPageLayout& layout,
                         const JobTarget& target);

// A job drawn ahead of its painting: its spool file exists, empty, and its pages are set.
struct SpoolJob {
    QString title;
    QString spoolPath;
    QPageLayout layout;
    int resolution = 0;
    JobTarget target;
    std::vector<DrawStep> steps;
};

// Paints, writes and delivers jobs on threads of its own while the next ones are drawn.
// Each thread paints with fonts of its own, so jobs are painted side by side; they are
// delivered one at a time in the order they were handed over, so that two jobs of one
// title get their file names in that order, and CUPS gets them in that order too.
class JobFinisher {
public:
    explicit JobFinisher(int threads);
    // Finishes every job handed over before its threads end.
    ~JobFinisher();
    JobFinisher(const JobFinisher&) = delete;
    JobFinisher& operator=(const JobFinisher&) = delete;

    // Waits while as many jobs as there are threads, and one more, are not yet finished.
    void hand(std::unique_ptr<SpoolJob> job);
    // The jobs finished since the last call, in the order they were handed over; with
    // wait, only once every job handed over is finished.
    std::vector<FinishedJob> take(bool wait);

private:
    void work();

    const std::size_t limit_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<SpoolJob>> waiting_;
    std::size_t handed_ = 0;   // jobs handed over so far
    std::size_t finished_ = 0; // jobs delivered or failed, always the first ones handed over
    std::vector<FinishedJob> untaken_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace korvex
