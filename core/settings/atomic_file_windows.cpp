#include "core/settings/atomic_file.hpp"

#include "core/settings/atomic_file_detail.hpp"

#include <algorithm>
#include <system_error>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace merolan {
namespace fs = std::filesystem;
using namespace atomic_file_detail;

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

// A folder of the user's own; Windows has no owner to compare cheaply.
bool atomic_file_detail::ownedByThisUser(const fs::path &)
{
    return true;
}

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

} // namespace merolan
