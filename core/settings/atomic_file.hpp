#pragma once

#include "core/base/failure.hpp"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

// The failures below carry the cause only ("the disk is full."), for the caller to put after
// the name of the file the user knows. Nothing here throws or lets a signal end the program.
namespace merolan {

// Why a file operation failed, in plain words and without a full stop, so it reads inside a
// sentence or parentheses; a number the system has no text for is named as a number.
std::string failureCause(std::error_code error);

// The path as UTF-8, the encoding of every message; never throws for an unusual name.
std::string displayName(const std::filesystem::path &path);

struct FileBytes {
    bool exists = false;
    std::vector<std::uint8_t> bytes;
};

// Up to `limit` bytes from the start of the file; a missing file is not a failure, a folder or
// anything else that is not a plain file in its place is.
std::variant<FileBytes, Failure> readFileBytes(const std::filesystem::path &file,
                                               std::size_t limit = std::numeric_limits<std::size_t>::max());

// Creates the file empty, and its folder, unless it is there already; a link to a missing file
// gets its target created.
std::optional<Failure> createFileIfMissing(const std::filesystem::path &file);

// A crash or power cut at any moment leaves either the old or the new content: the bytes go to
// a fresh file beside it, reach the disk, then take its name. A link stays a link (the file it
// points at is replaced), the permission bits stay, a missing folder is created. On Windows the
// hidden, system and not-indexed marks stay, and a file marked read-only is refused.
std::optional<Failure> replaceFileContent(const std::filesystem::path &file, std::span<const std::uint8_t> content);

} // namespace merolan
