#include "FileWriter.h"

#include "FileNames.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

namespace {

// A name's bytes, those that are not UTF-8 included (a table named in a DOS code page
// gives its Markdown document that name).
QByteArray encoded(const QString& path)
{
    return encodeFileName(path);
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A name for a file or folder of our own beside the files we write; short, so that it
// fits however long the target's name is, and hidden.
QString privateName(const char* kind)
{
    return QStringLiteral(".korvex-%1-%2")
        .arg(QLatin1String(kind))
        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

// What is at path now, without following a link: nothing, a plain file (with its
// permissions), or why it is no place to write to.
struct Place {
    bool exists = false;
    mode_t mode = 0;
    QString problem;
};

Place placeAt(const QString& path)
{
    struct stat st {};
    if (::lstat(encoded(path).constData(), &st) != 0) {
        if (errno == ENOENT)
            return {};
        return {false, 0, systemError(errno)};
    }
    if (S_ISLNK(st.st_mode))
        return {true, 0, QStringLiteral("it is a symbolic link, which is never written through")};
    if (!S_ISREG(st.st_mode))
        return {true, 0, QStringLiteral("it is not a plain file")};
    return {true, mode_t(st.st_mode & 07777), QString()};
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, std::size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC; // nothing taken and no reason given: there is no room
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

// Makes the names of a folder's entries, renamed or made, survive a crash of the machine.
// Best effort: the files are in place already, and a file system that cannot sync a
// folder (some network ones) has nothing to tell about the files themselves.
void syncFolder(const QString& folder)
{
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A new file in folder with bytes, written, synced and closed, each step checked; its
// path, or nothing with the reason in error (and no file left behind).
std::optional<QString> writeNewFile(const QString& folder, const QString& name, const QByteArray& bytes, mode_t mode,
                                    std::optional<mode_t> keepMode, QString& error)
{
    QString path;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        path = QDir(folder).filePath(name.isEmpty() ? privateName("new") : name);
        fd = ::open(encoded(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0 && (errno != EEXIST || !name.isEmpty())) {
            error = systemError(errno);
            return std::nullopt;
        }
    }
    if (fd < 0) {
        error = systemError(EEXIST);
        return std::nullopt;
    }
    // The replaced file's permissions are kept where the file system can hold them (not on
    // a FAT stick, which has none to keep).
    if (keepMode)
        (void)::fchmod(fd, *keepMode);
    bool ok = writeAll(fd, bytes);
    // A file system may tell that there is no room only here (delayed allocation, quotas,
    // network file systems).
    ok = ok && ::fsync(fd) == 0;
    const int failure = errno;
    const bool closed = ::close(fd) == 0;
    if (!ok || !closed) {
        error = systemError(ok ? errno : failure);
        ::unlink(encoded(path).constData());
        return std::nullopt;
    }
    return path;
}

bool renamePath(const QString& from, const QString& to)
{
    return ::rename(encoded(from).constData(), encoded(to).constData()) == 0;
}

bool isPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains('/') &&
           !name.contains(QChar(0));
}

} // namespace

QString writeFileAtomically(const QString& path, const QByteArray& bytes, NewFileAccess access)
{
    const QString folder = QFileInfo(path).absolutePath();
    const Place old = placeAt(path);
    if (!old.problem.isEmpty())
        return old.problem;
    const mode_t mode = access == NewFileAccess::OwnerOnly ? 0600 : 0666;
    QString error;
    const auto written = writeNewFile(folder, QString(), bytes, mode,
                                      old.exists ? std::optional(old.mode) : std::nullopt, error);
    if (!written)
        return error;
    // Whatever came to path meanwhile is looked at again: a link is still not replaced.
    const Place now = placeAt(path);
    if (!now.problem.isEmpty() || !renamePath(*written, path)) {
        QString why = now.problem.isEmpty() ? systemError(errno) : now.problem;
        ::unlink(encoded(*written).constData());
        return why;
    }
    syncFolder(folder);
    return QString();
}

namespace {

// One write of a set of files into a folder: the new files are staged in a private folder
// inside it, then take their places one by one; the replaced ones wait under old/ in the
// private folder until every new file is in place, so a failure can put them back.
class FileSetWrite {
public:
    FileSetWrite(const QString& folder, const std::vector<NamedFile>& files) : folder_(folder), files_(files) {}

    // An empty text when the whole set is in place; else what went wrong, with either
    // every earlier file back where it was or a note where one waits.
    QString run()
    {
        QString failure = prepare();
        if (failure.isEmpty())
            failure = stage();
        if (failure.isEmpty()) {
            failure = place();
            if (!failure.isEmpty() && !undo(failure)) {
                removeMadeFolder();
                syncFolder(folder_);
                return failure;
            }
        }
        removeStaging();
        if (!staging_.isEmpty())
            syncFolder(folder_);
        return failure;
    }

private:
    struct Entry {
        QString target;
        QString staged;
        QString kept; // where the old file waits while the new one takes its place
        bool existed = false;
        mode_t mode = 0;
    };

    // The folder (made when missing), every target checked, and the private folder.
    QString prepare()
    {
        if (folder_.isEmpty())
            return QStringLiteral("no folder named");
        const QFileInfo folderInfo(folder_);
        madeFolder_ = !folderInfo.exists() && !folderInfo.isSymLink();
        if (madeFolder_ && !QDir().mkpath(folder_)) {
            madeFolder_ = false;
            return QStringLiteral("%1: the folder cannot be made").arg(folder_);
        }
        if (!QFileInfo(folder_).isDir())
            return QStringLiteral("%1: not a folder").arg(folder_);
        const QDir dir(folder_);
        for (const auto& f : files_) {
            const QString target = dir.filePath(f.name);
            if (!isPlainName(f.name))
                return QStringLiteral("%1: not a plain file name").arg(target);
            const Place old = placeAt(target);
            if (!old.problem.isEmpty())
                return QStringLiteral("%1: %2").arg(target, old.problem);
            entries_.push_back({target, QString(), QString(), old.exists, old.mode});
        }
        for (int attempt = 0; attempt < 16 && staging_.isEmpty(); ++attempt) {
            const QString candidate = dir.filePath(privateName("set"));
            if (::mkdir(encoded(candidate).constData(), 0700) == 0)
                staging_ = candidate;
            else if (errno != EEXIST)
                return QStringLiteral("%1: %2").arg(folder_, systemError(errno));
        }
        if (staging_.isEmpty())
            return QStringLiteral("%1: %2").arg(folder_, systemError(EEXIST));
        keptFolder_ = QDir(staging_).filePath(QStringLiteral("old"));
        if (::mkdir(encoded(keptFolder_).constData(), 0700) != 0)
            return QStringLiteral("%1: %2").arg(folder_, systemError(errno));
        return QString();
    }

    // Every new file written completely into the private folder.
    QString stage()
    {
        for (std::size_t i = 0; i < files_.size(); ++i) {
            QString error;
            Entry& e = entries_[i];
            const auto written = writeNewFile(staging_, files_[i].name, files_[i].contents, 0666,
                                              e.existed ? std::optional(e.mode) : std::nullopt, error);
            if (!written)
                return QStringLiteral("%1: %2").arg(e.target, error);
            e.staged = *written;
        }
        syncFolder(staging_);
        return QString();
    }

    // Every new file takes its place, the old one moved aside first.
    QString place()
    {
        for (; placed_ < entries_.size(); ++placed_) {
            Entry& e = entries_[placed_];
            const Place now = placeAt(e.target);
            if (!now.problem.isEmpty())
                return QStringLiteral("%1: %2").arg(e.target, now.problem);
            e.existed = now.exists;
            if (e.existed) {
                const QString kept = QDir(keptFolder_).filePath(QFileInfo(e.target).fileName());
                if (!renamePath(e.target, kept))
                    return QStringLiteral("%1: %2").arg(e.target, systemError(errno));
                e.kept = kept;
            }
            if (!renamePath(e.staged, e.target)) {
                const QString failure = QStringLiteral("%1: %2").arg(e.target, systemError(errno));
                if (!e.kept.isEmpty() && renamePath(e.kept, e.target))
                    e.kept.clear();
                return failure;
            }
            e.staged.clear();
        }
        return QString();
    }

    // The placed files undone in reverse order. False, with failure telling where it
    // waits, when an earlier file cannot be put back: then the private folder stays.
    bool undo(QString& failure)
    {
        for (std::size_t i = placed_; i-- > 0;) {
            Entry& e = entries_[i];
            if (e.kept.isEmpty()) {
                ::unlink(encoded(e.target).constData());
            } else if (renamePath(e.kept, e.target)) {
                e.kept.clear();
            } else {
                failure += QStringLiteral("; the earlier %1 could not be put back and waits in %2")
                               .arg(QFileInfo(e.target).fileName(), keptFolder_);
                return false;
            }
        }
        return true;
    }

    void removeStaging()
    {
        for (const auto& e : entries_) {
            if (!e.staged.isEmpty())
                ::unlink(encoded(e.staged).constData());
            if (!e.kept.isEmpty())
                ::unlink(encoded(e.kept).constData());
        }
        if (!keptFolder_.isEmpty())
            ::rmdir(encoded(keptFolder_).constData());
        if (!staging_.isEmpty())
            ::rmdir(encoded(staging_).constData());
        removeMadeFolder();
    }

    void removeMadeFolder()
    {
        if (madeFolder_)
            QDir().rmdir(folder_);
    }

    const QString& folder_;
    const std::vector<NamedFile>& files_;
    std::vector<Entry> entries_;
    bool madeFolder_ = false;
    QString staging_;
    QString keptFolder_;
    std::size_t placed_ = 0;
};

} // namespace

QString writeFileSetAtomically(const QString& folder, const std::vector<NamedFile>& files)
{
    return FileSetWrite(folder, files).run();
}

QString folderWritableProblem(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return QStringLiteral("%1: no such folder").arg(folder);
    if (!info.isDir())
        return QStringLiteral("%1: not a folder").arg(folder);
    QString error;
    const auto probe = writeNewFile(folder, QString(), QByteArray(), 0600, std::nullopt, error);
    if (!probe)
        return QStringLiteral("%1: %2").arg(folder, error);
    ::unlink(encoded(*probe).constData());
    return QString();
}

} // namespace korvex
