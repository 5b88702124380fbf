#include "JobFinisher.h"

#include "CupsQueue.h"
#include "DeviceFont.h"
#include "JobFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPdfWriter>

#include <algorithm>
#include <exception>
#include <type_traits>
#include <utility>

namespace korvex {
namespace {

QPen linePen(int width)
{
    return QPen(QBrush(Qt::black), std::max(width, 0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Paints a job drawn ahead into its spool file: the empty string when the file is written
// whole, else why not.
QString writeSpool(const SpoolJob& job)
{
    QPdfWriter writer(job.spoolPath);
    setUpSpoolWriter(writer, job.title, job.layout, job.resolution);
    JobCanvas canvas(writer);
    if (!canvas.begin())
        return spoolNotOpenMessage(job.title, job.spoolPath);
    int page = 1;
    for (const DrawStep& step : job.steps) {
        if (!canvas.draw(step)) {
            canvas.end();
            return pageRefusedMessage(job.title, page + 1, job.spoolPath);
        }
        if (std::holds_alternative<PageStep>(step))
            ++page;
    }
    if (!canvas.end() || !pdfFileComplete(job.spoolPath))
        return spoolNotWrittenMessage(job.title, job.spoolPath);
    return {};
}

} // namespace

void setUpSpoolWriter(QPdfWriter& writer, const QString& title, const QPageLayout& layout, int resolution)
{
    writer.setResolution(resolution);
    writer.setPageLayout(layout);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Korvex"));
}

bool JobCanvas::begin()
{
    if (!painter_.begin(&device_))
        return false;
    painter_.setBackground(Qt::white);
    return true;
}

void JobCanvas::draw(const TextStep& text)
{
    if (painterFont_ != text.font) {
        painter_.setFont(deviceFont(text.font));
        painterFont_ = text.font;
    }
    painter_.setPen(text.font.color);
    painter_.setBackgroundMode(text.transparent ? Qt::TransparentMode : Qt::OpaqueMode);
    painter_.drawText(text.baseline, text.text);
}

void JobCanvas::draw(const RectStep& rect)
{
    painter_.setPen(linePen(rect.pen));
    painter_.setBrush(rect.fill ? QBrush(*rect.fill) : QBrush(Qt::NoBrush));
    painter_.drawRect(rect.rect);
}

void JobCanvas::draw(const LineStep& line)
{
    painter_.setPen(linePen(line.pen));
    painter_.drawLine(line.from, line.to);
}

bool JobCanvas::newPage()
{
    return device_.newPage();
}

bool JobCanvas::draw(const DrawStep& step)
{
    return std::visit(
        [this](const auto& s) {
            if constexpr (std::is_same_v<std::decay_t<decltype(s)>, PageStep>) {
                return newPage();
            } else {
                draw(s);
                return true;
            }
        },
        step);
}

QString spoolNotOpenMessage(const QString& title, const QString& spoolPath)
{
    return QStringLiteral("The print job \"%1\" cannot begin: the spool file \"%2\" does not open.")
        .arg(title, spoolPath);
}

QString pageRefusedMessage(const QString& title, int page, const QString& spoolPath)
{
    // The PDF writer keeps large pages in temporary files of its own: a full temporary
    // folder stops it at a new page.
    const QStringList folders{QFileInfo(spoolPath).absolutePath(), QDir::tempPath()};
    return QStringLiteral("The printer does not start page %1 of the print job \"%2\"%3.")
        .arg(page)
        .arg(title, lackOfRoom(spoolPath.isEmpty() ? folders.mid(1) : folders));
}

QString spoolNotWrittenMessage(const QString& title, const QString& spoolPath)
{
    const QString room = lackOfRoom({QFileInfo(spoolPath).absolutePath(), QDir::tempPath()});
    return QStringLiteral("The print job \"%1\" could not be written to \"%2\"%3.").arg(title, spoolPath, room);
}

FinishedJob deliverSpool(const QString& title, const QString& spoolPath, const QPageLayout& layout,
                         const JobTarget& target)
{
    FinishedJob done{title, {}, 0, {}};
    try {
        if (target.queue)
            done.jobId = cups::submitPdf(*target.queue, spoolPath, title, layout);
        else
            done.outputFile = deliverSpoolFile(spoolPath, target.pdfFolder, pdfFileBaseName(title));
    } catch (const PrinterError& e) {
        done.error = e.message();
    }
    if (target.queue || !done.error.isEmpty())
        QFile::remove(spoolPath);
    return done;
}

JobFinisher::JobFinisher(int threads) : limit_(std::size_t(std::max(threads, 1)) + 1)
{
    for (int i = 0; i < std::max(threads, 1); ++i)
        threads_.emplace_back([this] { work(); });
}

JobFinisher::~JobFinisher()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void JobFinisher::hand(std::unique_ptr<SpoolJob> job)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return handed_ - finished_ < limit_; });
    waiting_.push_back(std::move(job));
    ++handed_;
    changed_.notify_all();
}

std::vector<FinishedJob> JobFinisher::take(bool wait)
{
    std::unique_lock lock(mutex_);
    if (wait)
        changed_.wait(lock, [this] { return finished_ == handed_; });
    return std::exchange(untaken_, {});
}

// A thread takes the jobs in the order they were handed over and paints them side by side
// with the other threads; it delivers its job once every job before it is finished. The
// first job not finished is always held by a thread that is not waiting, so the threads
// never wait for each other in a circle.
void JobFinisher::work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (waiting_.empty())
            return;
        // Its place among the jobs handed over: those still waiting came after it.
        const std::size_t number = handed_ - waiting_.size();
        const std::unique_ptr<SpoolJob> job = std::move(waiting_.front());
        waiting_.pop_front();
        lock.unlock();

        // What the job painted in step would have thrown is its outcome here.
        QString error;
        try {
            error = writeSpool(*job);
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        if (!error.isEmpty())
            QFile::remove(job->spoolPath);

        lock.lock();
        changed_.wait(lock, [this, number] { return finished_ == number; });
        lock.unlock();

        FinishedJob done{job->title, {}, 0, error};
        if (error.isEmpty()) {
            try {
                done = deliverSpool(job->title, job->spoolPath, job->layout, job->target);
            } catch (const std::exception& e) {
                QFile::remove(job->spoolPath);
                done.error = QString::fromLocal8Bit(e.what());
            }
        }

        lock.lock();
        untaken_.push_back(std::move(done));
        ++finished_;
        changed_.notify_all();
    }
}

} // namespace korvex
