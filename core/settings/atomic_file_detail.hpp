#pragma once

#include "core/base/failure.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

// What the POSIX and the Windows half of the file functions share; included by atomic_file.cpp
// and the two halves only.
namespace merolan::atomic_file_detail {

inline constexpr const char *kFolderInPlace = "a folder of that name is in its place.";
inline constexpr const char *kNotAPlainFile = "it is not a plain file.";

std::string quoted(const std::filesystem::path &path);

Failure readFailure(std::error_code error);

// Creating a file needs write permission on its folder, which is the one thing the user can
// change when it is missing; so that case names the folder.
Failure creationFailure(const std::filesystem::path &folder, std::error_code error);

std::filesystem::path folderOf(const std::filesystem::path &file);

// The file that receives the bytes, so that a link to it stays a link. Whatever stops the walk
// (a loop, an unreadable link) is reported by the operation on the path it stopped at.
std::filesystem::path followLinks(std::filesystem::path file);

std::optional<Failure> createFolderOf(const std::filesystem::path &file);

// Unpredictable enough that nobody can plant something at the name beforehand; the exclusive
// create still refuses anything that is there.
std::string temporaryName(const std::string &name);

// Only names this program makes go (a save never uses any other, so "<name>.new" or the like is
// the user's own), and only the entries, never what a link among them points at. This program
// never makes a link under its temporary names, so a link there is planted and goes at once.
void removeStaleTemporaries(const std::filesystem::path &folder, const std::string &name);

// A file of another user is none that this program made for this one, whatever its name. Each
// half answers for its own system.
bool ownedByThisUser(const std::filesystem::path &entry);

} // namespace merolan::atomic_file_detail
