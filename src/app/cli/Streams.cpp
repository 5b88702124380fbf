#include "Streams.h"

#include "FileNames.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/ioctl.h>
#include <unistd.h>

namespace korvex {

namespace {

int outputError = 0; // the first failed write of standard output
bool progressShown = false;
volatile std::sig_atomic_t signalled = 0;

void writeBytes(std::FILE* stream, const QByteArray& bytes)
{
    const std::size_t written = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    const int flushed = std::fflush(stream);
    if (stream == stdout && outputError == 0 && (written != std::size_t(bytes.size()) || flushed != 0))
        outputError = errno != 0 ? errno : EIO;
}

void clearProgress()
{
    if (progressShown)
        writeBytes(stderr, "\r\x1b[K");
    progressShown = false;
}

void onSignal(int number)
{
    signalled = number;
}

QString signalName(int number)
{
    switch (number) {
    case SIGINT: return QStringLiteral("SIGINT");
    case SIGTERM: return QStringLiteral("SIGTERM");
    case SIGHUP: return QStringLiteral("SIGHUP");
    default: return QStringLiteral("signal %1").arg(number);
    }
}

} // namespace

void writeTo(std::FILE* stream, const QString& text)
{
    errno = 0;
    writeBytes(stream, visibleFileName(text).toUtf8()); // a file name's bytes that are not UTF-8 as \xE9
}

void writeUtf8(std::FILE* stream, const QByteArray& bytes)
{
    errno = 0;
    writeBytes(stream, bytes);
}

QString visibleText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != '\n' && u != '\t') || (u >= 0x7f && u <= 0x9f))
            out += QStringLiteral("\\x%1").arg(unsigned(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

void writeMessage(const QString& text)
{
    clearProgress();
    writeTo(stderr, visibleText(text));
}

void writeLines(const QString& text)
{
    writeTo(stdout, visibleText(text));
}

int finishStandardOutput(const QString& program, int status)
{
    errno = 0;
    if (std::fflush(stdout) != 0 && outputError == 0)
        outputError = errno != 0 ? errno : EIO;
    if (std::ferror(stdout) && outputError == 0)
        outputError = EIO;
    if (outputError == 0)
        return status;
    writeMessage(QStringLiteral("%1: standard output cannot be written: %2\n")
                     .arg(program, QString::fromLocal8Bit(std::strerror(outputError))));
    return 1;
}

ProgressLine::ProgressLine() : enabled_(::isatty(STDERR_FILENO) == 1)
{}

ProgressLine::~ProgressLine()
{
    clear();
}

void ProgressLine::show(std::size_t number, std::size_t count, const QString& name)
{
    if (!enabled_)
        return;
    winsize size{};
    const int columns = ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
    QString line = visibleText(QStringLiteral("[%1/%2] %3").arg(number).arg(count).arg(name));
    // One line, never wrapped, so that the next one overwrites it.
    if (line.size() >= columns)
        line = line.left(std::max(columns - 2, 1)) + QChar(0x2026);
    writeBytes(stderr, "\r" + line.toUtf8() + "\x1b[K");
    progressShown = true;
}

void ProgressLine::clear()
{
    if (enabled_)
        clearProgress();
}

void endRunsOnSignals()
{
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(number, &action, nullptr);
}

int endingSignal()
{
    return signalled;
}

void stopWhenAsked()
{
    if (signalled != 0)
        throw RunEnded{signalled};
}

int endedRun(const QString& program, int signal, const QString& undone)
{
    writeMessage(QStringLiteral("%1: stopped by %2; %3\n").arg(program, signalName(signal), undone));
    return 128 + signal;
}

} // namespace korvex
