#include "core/settings/atomic_file.hpp"

#include "core/settings/atomic_file_detail.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <string_view>
#include <system_error>

namespace merolan {
namespace fs = std::filesystem;

namespace {

// Fresh temporaries are "<name>.new-" and six letters or digits.
constexpr std::string_view kTemporaryMark = ".new-";
constexpr std::size_t kTemporaryLetters = 6;
constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

// No save takes this long, so a temporary this old was left by a crash and not by a save that a
// second copy of the program is making right now.
constexpr auto kStaleAfter = std::chrono::minutes(1);

bool isTemporaryOf(std::string_view entry, const std::string &name)
{
    if (entry.size() != name.size() + kTemporaryMark.size() + kTemporaryLetters ||
        entry.substr(0, name.size()) != name || entry.substr(name.size(), kTemporaryMark.size()) != kTemporaryMark)
        return false;
    return std::all_of(entry.end() - kTemporaryLetters, entry.end(),
                       [](char c) { return kLetters.find(c) != std::string_view::npos; });
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

std::string displayName(const fs::path &path)
{
    try {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    } catch (const std::exception &) {
        return "(a name that cannot be shown)";
    }
}

namespace atomic_file_detail {

std::string quoted(const fs::path &path)
{
    return "\"" + displayName(path) + "\"";
}

Failure readFailure(std::error_code error)
{
    return Failure{"reading it failed (" + failureCause(error) + ")."};
}

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

} // namespace atomic_file_detail

} // namespace merolan
