#include "link/log_file.hpp"

#include "core/settings/atomic_file.hpp"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace merolan {
namespace {

// Opening adds the causes that only creating a file has; the rest read as for any write.
QString createCause(int error)
{
    switch (error) {
    case EEXIST:
        return QStringLiteral("the file exists already");
    case EISDIR:
        return QStringLiteral("it is a folder");
    case ENOENT:
        return QStringLiteral("its folder does not exist");
    default:
        return writeCause(error);
    }
}

std::int64_t newLines(std::string_view text)
{
    return static_cast<std::int64_t>(std::count(text.begin(), text.end(), '\n'));
}

#ifdef Q_OS_WIN
using Stat = struct _stat64;
int statOf(int fd, Stat &info)
{
    return ::_fstat64(fd, &info);
}
int statOf(const QString &path, Stat &info)
{
    return ::_wstat64(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()), &info);
}
bool isFolder(const Stat &info)
{
    return (info.st_mode & _S_IFDIR) != 0;
}
#else
using Stat = struct stat;
int statOf(int fd, Stat &info)
{
    return ::fstat(fd, &info);
}
int statOf(const QString &path, Stat &info)
{
    return ::stat(QFile::encodeName(path).constData(), &info);
}
bool isFolder(const Stat &info)
{
    return S_ISDIR(info.st_mode);
}
#endif

int openFor(const QString &path, bool replaceExisting)
{
#ifdef Q_OS_WIN
    int fd = -1;
    const int flags = _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY | (replaceExisting ? _O_TRUNC : _O_EXCL);
    const errno_t error = ::_wsopen_s(&fd, reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()),
                                      flags, _SH_DENYWR, _S_IREAD | _S_IWRITE);
    if (error != 0)
        errno = error;
    return fd;
#else
    // Non-blocking only while opening, so a pipe without a reader is refused instead of waited on.
    const int flags =
        O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (replaceExisting ? O_TRUNC : O_EXCL);
    int fd = -1;
    do
        fd = ::open(QFile::encodeName(path).constData(), flags, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd >= 0)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
#endif
}

// 0 when all of it went out, else the cause's errno.
int writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
#ifdef Q_OS_WIN
        const auto chunk = static_cast<unsigned>(std::min<std::size_t>(text.size(), 1u << 30));
        const int written = ::_write(fd, text.data(), chunk);
#else
        const ssize_t written = ::write(fd, text.data(), text.size());
#endif
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0) // the disk took nothing without telling why
            return EIO;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

int syncData(int fd)
{
#ifdef Q_OS_WIN
    return ::_commit(fd) == 0 ? 0 : errno;
#else
    // A signal during the sync leaves it undone; a second call does it.
    int result = 0;
    do
        result = ::fdatasync(fd);
    while (result != 0 && errno == EINTR);
    // A device or a pipe in the file's place has no disk to sync to.
    return result == 0 || errno == EINVAL ? 0 : errno;
#endif
}

void cutBackTo(int fd, std::int64_t length)
{
#ifdef Q_OS_WIN
    ::_chsize_s(fd, length);
#else
    // Best effort: a device such as /dev/full has no length to cut back to.
    if (::ftruncate(fd, static_cast<off_t>(length)) == 0)
        ::fdatasync(fd);
#endif
}

void closeDescriptor(int fd)
{
#ifdef Q_OS_WIN
    ::_close(fd);
#else
    ::close(fd);
#endif
}

} // namespace

// A log grows row by row, so its causes say what the growing ran into; the rest read as the
// settings save words them.
QString writeCause(int error)
{
    switch (error) {
    case ENOSPC:
        return QStringLiteral("no space is left on the disk");
    case EFBIG:
        return QStringLiteral("the file has reached the size limit");
    case EIO:
        return QStringLiteral("an input/output error");
    default:
        return QString::fromStdString(failureCause(std::error_code(error, std::generic_category())));
    }
}

void letWritesFailInsteadOfSignals()
{
#ifndef Q_OS_WIN
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
#endif
}

QString LogFailure::whatIsLeft(bool anyRowWritten) const
{
    switch (kind) {
    case Kind::WriteFailed:
        break;
    case Kind::Deleted:
        return QStringLiteral("the rows written before were deleted with it");
    case Kind::Moved:
        return QStringLiteral("the rows written before went with it");
    }
    return anyRowWritten ? QStringLiteral("the rows written before are in the file")
                         : QStringLiteral("no reading was recorded");
}

LogFile::~LogFile()
{
    close();
}

std::optional<QString> LogFile::create(const QString &path, bool replaceExisting)
{
    close();
    Stat before = {};
    const bool existed = statOf(path, before) == 0;
    // Opening a folder for writing fails with a cause that depends on the flags; the user only
    // needs to know it is one.
    if (existed && isFolder(before))
        return createCause(EISDIR);
    const int fd = openFor(path, replaceExisting);
    if (fd < 0)
        return createCause(errno);
    Stat info = {};
    if (statOf(fd, info) != 0) {
        const int error = errno;
        closeDescriptor(fd);
        return createCause(error);
    }
    fd_ = fd;
    path_ = path;
    created_ = !existed;
    device_ = static_cast<std::uint64_t>(info.st_dev);
    inode_ = static_cast<std::uint64_t>(info.st_ino);
    length_ = bytesWritten_ = linesWritten_ = 0;
    return std::nullopt;
}

std::optional<LogFailure> LogFile::append(std::string_view text)
{
    if (fd_ < 0)
        return LogFailure{LogFailure::Kind::WriteFailed, QStringLiteral("the file is not open")};
    int error = writeAll(fd_, text);
    if (error == 0)
        error = syncData(fd_);
    if (error != 0) {
        cutBackTo(fd_, length_);
        return LogFailure{LogFailure::Kind::WriteFailed, writeCause(error)};
    }
    // Writing on into a file that is no longer there would lose every row without a word.
    if (std::optional<LogFailure> gone = stillThere())
        return gone;
    length_ += static_cast<std::int64_t>(text.size());
    bytesWritten_ += static_cast<std::int64_t>(text.size());
    linesWritten_ += newLines(text);
    return std::nullopt;
}

std::optional<LogFailure> LogFile::stillThere() const
{
#ifdef Q_OS_WIN
    // Windows does not let a file that is open without delete sharing be deleted or moved.
    return std::nullopt;
#else
    Stat open = {};
    if (statOf(fd_, open) == 0 && open.st_nlink == 0)
        return LogFailure{LogFailure::Kind::Deleted, QStringLiteral("the file was deleted")};
    Stat named = {};
    if (statOf(path_, named) != 0 || static_cast<std::uint64_t>(named.st_dev) != device_ ||
        static_cast<std::uint64_t>(named.st_ino) != inode_)
        return LogFailure{LogFailure::Kind::Moved, QStringLiteral("the file was moved or renamed")};
    return std::nullopt;
#endif
}

void LogFile::close()
{
    if (fd_ < 0)
        return;
    closeDescriptor(fd_);
    fd_ = -1;
}

bool LogFile::closeAndRemoveIfEmpty()
{
    const bool unused = fd_ >= 0 && created_ && bytesWritten_ == 0 && !stillThere();
    close();
    return unused && QFile::remove(path_);
}

WholeFile::WholeFile(const QString &path) : path_(path)
{
    // Beside the target, so that the rename stays on one disk; unpredictable, so that nothing
    // can be planted there beforehand, and the exclusive create refuses whatever is.
    const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
    for (int attempt = 0; attempt < 10; ++attempt) {
        QString candidate = path + QStringLiteral(".part-");
        for (int i = 0; i < 6; ++i)
            candidate += letters[static_cast<qsizetype>(QRandomGenerator::global()->bounded(letters.size()))];
        if (QFileInfo::exists(candidate))
            continue;
        temporary_ = candidate;
        failed_ = file_.create(temporary_, false);
        if (failed_)
            temporary_.clear(); // nothing of ours is there to remove
        return;
    }
    failed_ = createCause(EEXIST);
}

WholeFile::~WholeFile()
{
    discard();
}

std::optional<QString> WholeFile::write(std::string_view bytes)
{
    if (failed_)
        return failed_;
    if (std::optional<LogFailure> failure = file_.append(bytes)) {
        failed_ = failure->cause;
        discard();
    }
    return failed_;
}

std::optional<QString> WholeFile::commit()
{
    if (failed_)
        return failed_;
    file_.close();
    // The old file's permission bits carry over, as they would if it were written in place.
    if (QFileInfo::exists(path_))
        QFile::setPermissions(temporary_, QFile::permissions(path_));
#ifdef Q_OS_WIN
    // A plain rename refuses an existing name; the move replaces it.
    const bool moved = ::MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(temporary_).utf16()),
                                     reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path_).utf16()),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    const int error = moved ? 0 : EACCES;
#else
    const int error =
        ::rename(QFile::encodeName(temporary_).constData(), QFile::encodeName(path_).constData()) == 0 ? 0 : errno;
#endif
    if (error != 0) {
        failed_ = createCause(error);
        discard();
        return failed_;
    }
    temporary_.clear();
#ifndef Q_OS_WIN
    // Makes the rename itself survive a power cut; a file system that cannot sync a folder has
    // the new file in place by now either way.
    const int folder = ::open(QFile::encodeName(QFileInfo(path_).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
#endif
    return std::nullopt;
}

void WholeFile::discard()
{
    file_.close();
    if (!temporary_.isEmpty())
        QFile::remove(temporary_);
    temporary_.clear();
}

} // namespace merolan
