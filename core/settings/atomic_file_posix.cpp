#include "core/settings/atomic_file.hpp"

#include "core/settings/atomic_file_detail.hpp"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace merolan {
namespace fs = std::filesystem;
using namespace atomic_file_detail;

namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

class Descriptor
{
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // close() is where some file systems first report a failed write.
    std::error_code close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? std::error_code() : lastError();
    }

private:
    int fd_;
};

// Past the file-size limit the kernel sends SIGXFSZ, which ends the program by default; while
// it is ignored the write fails with EFBIG instead and the save reports it.
class FileSizeSignalIgnored
{
public:
    FileSizeSignalIgnored()
    {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        active_ = ::sigaction(SIGXFSZ, &ignore, &previous_) == 0;
    }
    ~FileSizeSignalIgnored()
    {
        if (active_)
            ::sigaction(SIGXFSZ, &previous_, nullptr);
    }
    FileSizeSignalIgnored(const FileSizeSignalIgnored &) = delete;
    FileSizeSignalIgnored &operator=(const FileSizeSignalIgnored &) = delete;

private:
    struct sigaction previous_ = {};
    bool active_ = false;
};

std::error_code writeAll(int fd, std::span<const std::uint8_t> content)
{
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? lastError() : std::make_error_code(std::errc::io_error);
        content = content.subspan(static_cast<std::size_t>(written));
    }
    return {};
}

} // namespace

bool atomic_file_detail::ownedByThisUser(const fs::path &entry)
{
    struct stat info = {};
    return ::lstat(entry.c_str(), &info) == 0 && info.st_uid == ::geteuid();
}

std::variant<FileBytes, Failure> readFileBytes(const fs::path &file, std::size_t limit)
{
    // Non-blocking, so a pipe in the file's place is refused instead of waited on.
    Descriptor in{::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (!in.valid())
        return errno == ENOENT ? std::variant<FileBytes, Failure>(FileBytes{}) : readFailure(lastError());
    struct stat info = {};
    if (::fstat(in.get(), &info) != 0)
        return readFailure(lastError());
    if (S_ISDIR(info.st_mode))
        return Failure{kFolderInPlace};
    if (!S_ISREG(info.st_mode))
        return Failure{kNotAPlainFile};
    FileBytes result{true, {}};
    std::uint8_t buffer[4096];
    while (result.bytes.size() < limit) {
        const ssize_t got = ::read(in.get(), buffer, std::min(sizeof buffer, limit - result.bytes.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return readFailure(lastError());
        if (got == 0)
            break;
        result.bytes.insert(result.bytes.end(), buffer, buffer + got);
    }
    return result;
}

std::optional<Failure> createFileIfMissing(const fs::path &file)
{
    const fs::path target = followLinks(file);
    if (std::optional<Failure> failure = createFolderOf(target))
        return failure;
    // No O_TRUNC: a file that appeared meanwhile is opened and left as it is.
    Descriptor out{::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666)};
    if (!out.valid())
        return creationFailure(folderOf(target), lastError());
    return std::nullopt;
}

std::optional<Failure> replaceFileContent(const fs::path &file, std::span<const std::uint8_t> content)
{
    const fs::path target = followLinks(file);
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..")
        return Failure{kFolderInPlace};
    if (std::optional<Failure> failure = createFolderOf(target))
        return failure;
    const fs::path folder = folderOf(target);
    Descriptor directory{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (!directory.valid())
        return Failure{"the folder " + quoted(folder) + " cannot be opened (" + failureCause(lastError()) + ")."};
    removeStaleTemporaries(folder, name);

    struct stat old = {};
    const bool replacing = ::fstatat(directory.get(), name.c_str(), &old, 0) == 0;
    if (replacing && S_ISDIR(old.st_mode))
        return Failure{kFolderInPlace};

    const FileSizeSignalIgnored fileSizeSignal;
    std::string temporary;
    // Private until the old permission bits are copied; a new file gets 0666 less the umask.
    const mode_t mode = replacing ? 0600 : 0666;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryName(name);
        fd = ::openat(directory.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    Descriptor out{fd};
    if (!out.valid())
        return creationFailure(folder, lastError());

    std::error_code failed = writeAll(out.get(), content);
    if (!failed && replacing && ::fchmod(out.get(), old.st_mode & 07777) != 0)
        failed = lastError();
    if (!failed && ::fsync(out.get()) != 0)
        failed = lastError();
    const std::error_code closed = out.close();
    if (!failed)
        failed = closed;
    if (!failed && ::renameat(directory.get(), temporary.c_str(), directory.get(), name.c_str()) != 0)
        failed = lastError();
    if (failed) {
        ::unlinkat(directory.get(), temporary.c_str(), 0);
        return Failure{failureCause(failed) + "."};
    }
    // Makes the rename itself survive a power cut. Some file systems cannot sync a folder, and
    // the new content is in place by now either way, so a refusal is not reported.
    ::fsync(directory.get());
    return std::nullopt;
}

} // namespace merolan
