#include "core/atomic_file.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string_view>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace merolan {
namespace fs = std::filesystem;

namespace {

constexpr const char *kFolderInPlace = "a folder of that name is in its place.";
constexpr const char *kNotAPlainFile = "it is not a plain file.";

// Fresh temporaries are "<name>.new-" and six letters or digits.
constexpr std::string_view kTemporaryMark = ".new-";
constexpr std::size_t kTemporaryLetters = 6;
constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

// No save takes this long, so a temporary this old was left by a crash and not by a save that a
// second copy of the program is making right now.
constexpr auto kStaleAfter = std::chrono::minutes(1);

std::string quoted(const fs::path &path)
{
    return "\"" + displayName(path) + "\"";
}

} // namespace

std::string failureCause(std::error_code error)
{
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted)
        return "permission denied";
    if (error == std::errc::is_a_directory)
        return "a folder of that name is in its place";
    if (error == std::errc::no_space_on_device)
        return "the disk is full";
#ifdef EDQUOT
    if (error == std::error_code(EDQUOT, std::generic_category()))
        return "the disk quota is used up";
#endif
    if (error == std::errc::file_too_large)
        return "the file would grow past the file-size limit set for this program";
    if (error == std::errc::read_only_file_system)
        return "the disk is read-only";
    if (error == std::errc::io_error)
        return "the disk reported an input/output error";
    if (error == std::errc::not_a_directory)
        return "a part of its folder path is a file, not a folder";
    if (error == std::errc::too_many_symbolic_link_levels)
        return "its links point in a circle";
#ifdef _WIN32
    // A sharing or lock violation: the other program opened the file without sharing it.
    if (error == std::errc::device_or_resource_busy)
        return "another program has it open";
#endif
    // A number the system has no text for is named as such, not as an "Unknown error".
    std::string text = error.message();
    if (text.empty() || text.rfind("Unknown error", 0) == 0)
        return "the system reported error " + std::to_string(error.value());
    if (text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

namespace {

Failure readFailure(std::error_code error)
{
    return Failure{"reading it failed (" + failureCause(error) + ")."};
}

// Creating a file needs write permission on its folder, which is the one thing the user can
// change when it is missing; so that case names the folder.
Failure creationFailure(const fs::path &folder, std::error_code error)
{
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted)
        return Failure{"the folder " + quoted(folder) + " does not allow new files."};
    return Failure{failureCause(error) + "."};
}

fs::path folderOf(const fs::path &file)
{
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// The file that receives the bytes, so that a link to it stays a link. Whatever stops the walk
// (a loop, an unreadable link) is reported by the operation on the path it stopped at.
fs::path followLinks(fs::path file)
{
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code ec;
        if (fs::symlink_status(file, ec).type() != fs::file_type::symlink)
            return file;
        const fs::path target = fs::read_symlink(file, ec);
        if (ec)
            return file;
        file = target.is_absolute() ? target : file.parent_path() / target;
    }
    return file;
}

std::optional<Failure> createFolderOf(const fs::path &file)
{
    if (!file.has_parent_path())
        return std::nullopt;
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (ec)
        return Failure{"the folder " + quoted(file.parent_path()) + " cannot be created (" + failureCause(ec) + ")."};
    return std::nullopt;
}

// Unpredictable enough that nobody can plant something at the name beforehand; the exclusive
// create still refuses anything that is there.
std::string temporaryName(const std::string &name)
{
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t x = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                      static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) ^
                      (counter.fetch_add(1) * 0x9E3779B97F4A7C15u) ^ reinterpret_cast<std::uintptr_t>(&x);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
    x ^= x >> 31;
    std::string temporary = name + std::string(kTemporaryMark);
    for (std::size_t i = 0; i < kTemporaryLetters; ++i, x /= kLetters.size())
        temporary += kLetters[x % kLetters.size()];
    return temporary;
}

bool isTemporaryOf(std::string_view entry, const std::string &name)
{
    if (entry.size() != name.size() + kTemporaryMark.size() + kTemporaryLetters ||
        entry.substr(0, name.size()) != name || entry.substr(name.size(), kTemporaryMark.size()) != kTemporaryMark)
        return false;
    return std::all_of(entry.end() - kTemporaryLetters, entry.end(),
                       [](char c) { return kLetters.find(c) != std::string_view::npos; });
}

// A file of another user is none that this program made for this one, whatever its name.
bool ownedByThisUser(const fs::path &entry)
{
#ifdef _WIN32
    (void)entry; // a folder of the user's own; Windows has no owner to compare cheaply
    return true;
#else
    struct stat info = {};
    return ::lstat(entry.c_str(), &info) == 0 && info.st_uid == ::geteuid();
#endif
}

// Only names this program makes go (a save never uses any other, so "<name>.new" or the like is
// the user's own), and only the entries, never what a link among them points at. This program
// never makes a link under its temporary names, so a link there is planted and goes at once.
void removeStaleTemporaries(const fs::path &folder, const std::string &name)
{
    std::error_code ec;
    const auto staleBefore = fs::file_time_type::clock::now() - kStaleAfter;
    for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (!isTemporaryOf(displayName(it->path().filename()), name))
            continue;
        std::error_code ignored;
        const fs::file_type type = it->symlink_status(ignored).type();
        const bool stale = type == fs::file_type::symlink ||
                           (type == fs::file_type::regular && it->last_write_time(ignored) < staleBefore &&
                            ownedByThisUser(it->path()));
        if (stale)
            fs::remove(it->path(), ignored);
    }
}

} // namespace

std::string displayName(const fs::path &path)
{
    try {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    } catch (const std::exception &) {
        return "(a name that cannot be shown)";
    }
}

#ifndef _WIN32

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

#else

namespace {

std::error_code lastError()
{
    return {static_cast<int>(::GetLastError()), std::system_category()};
}

class Handle
{
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle()
    {
        if (valid())
            ::CloseHandle(handle_);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    // Closing is where a network drive may first report a failed write.
    std::error_code close()
    {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(handle) ? std::error_code() : lastError();
    }

private:
    HANDLE handle_;
};

// The marks a user or an administrator sets on the file, carried over as the permission bits
// are on other systems. The archive mark is not among them: the content changes, so it is set
// as on every write, for a backup to see the change.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

} // namespace

std::variant<FileBytes, Failure> readFileBytes(const fs::path &file, std::size_t limit)
{
    // Sharing everything, a read never stands in the way of another program's save. Backup
    // semantics lets a folder open as well, so that it is reported as such.
    Handle in{::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (!in.valid()) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return FileBytes{};
        return readFailure({static_cast<int>(error), std::system_category()});
    }
    // A device name such as NUL or CON opens as well.
    if (::GetFileType(in.get()) != FILE_TYPE_DISK)
        return Failure{kNotAPlainFile};
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(in.get(), &info))
        return readFailure(lastError());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return Failure{kFolderInPlace};
    FileBytes result{true, {}};
    std::uint8_t buffer[4096];
    while (result.bytes.size() < limit) {
        DWORD got = 0;
        const auto wanted = static_cast<DWORD>(std::min(sizeof buffer, limit - result.bytes.size()));
        if (!::ReadFile(in.get(), buffer, wanted, &got, nullptr))
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
    const Handle out{::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!out.valid())
        return creationFailure(folderOf(target), lastError());
    return std::nullopt;
}

std::optional<Failure> replaceFileContent(const fs::path &file, std::span<const std::uint8_t> content)
{
    const fs::path target = followLinks(file);
    const std::string name = displayName(target.filename());
    if (target.filename().empty())
        return Failure{kFolderInPlace};
    if (std::optional<Failure> failure = createFolderOf(target))
        return failure;
    const fs::path folder = folderOf(target);
    const DWORD old = ::GetFileAttributesW(target.c_str());
    const bool replacing = old != INVALID_FILE_ATTRIBUTES;
    if (replacing && (old & FILE_ATTRIBUTE_DIRECTORY))
        return Failure{kFolderInPlace};
    // The mark says the file is to stay as it is, and Windows refuses to replace it anyway; a
    // save that took it off would undo the user's choice.
    if (replacing && (old & FILE_ATTRIBUTE_READONLY))
        return Failure{"permission denied (it is marked read-only)."};
    removeStaleTemporaries(folder, name);

    fs::path temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        const std::string fresh = temporaryName(name);
        temporary = folder / fs::path(std::u8string(fresh.begin(), fresh.end()));
        created =
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    Handle out{created};
    if (!out.valid())
        return creationFailure(folder, lastError());

    std::error_code failed;
    while (!failed && !content.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size(), 1u << 30));
        if (!::WriteFile(out.get(), content.data(), chunk, &written, nullptr))
            failed = lastError();
        else if (written == 0)
            failed = std::make_error_code(std::errc::io_error);
        else
            content = content.subspan(written);
    }
    if (!failed && replacing) {
        FILE_BASIC_INFO basic = {}; // times of zero stay as they are
        basic.FileAttributes = (old & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
        if (!::SetFileInformationByHandle(out.get(), FileBasicInfo, &basic, sizeof basic))
            failed = lastError();
    }
    if (!failed && !::FlushFileBuffers(out.get()))
        failed = lastError();
    const std::error_code closed = out.close();
    if (!failed)
        failed = closed;
    // A plain rename refuses an existing name, so the move replaces it. Windows denies it the
    // same way whether permission is missing or another program holds the file without sharing
    // its deletion; the message names both.
    bool moveDenied = false;
    if (!failed &&
        !::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        failed = lastError();
        moveDenied = failed.value() == ERROR_ACCESS_DENIED;
    }
    if (failed) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return Failure{moveDenied ? "permission denied, or another program has it open." : failureCause(failed) + "."};
    }
    return std::nullopt;
}

#endif

} // namespace merolan
