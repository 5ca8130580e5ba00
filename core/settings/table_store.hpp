#pragma once

#include "core/base/failure.hpp"
#include "core/instrument/instrument_setup.hpp"

#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// Correction tables: read from a file the user names, or kept by name in a folder of the
// program's own, from which remote clients choose. A client names a table, never a path of the
// host, and learns nothing of the host's files from the answer.
namespace merolan {

// A table file is at most 1 MiB: 10000 points with room for comments.
inline constexpr std::size_t kMaxTableFileBytes = 1024 * 1024;
inline constexpr std::size_t kMaxTableNameLength = 64;

// The bytes' fingerprint (64-bit FNV-1a, 16 hex digits): enough to notice a table that changed.
std::string contentHash(std::string_view bytes);

// A correction table read from its file, named by the file's path. The failure names the file,
// and the line when one is wrong.
std::variant<SelectedTable, Failure> loadCorrectionTable(const std::filesystem::path &file);

// Where tables are kept by name: "tables" beside the settings file, so each settings file has
// its own ("merolan-tables" where the settings file lies at the top of a drive).
std::filesystem::path tablesFolderBeside(const std::filesystem::path &settingsFile);

// A kept table's name: 1 to kMaxTableNameLength ASCII letters, digits, '-', '_' and '.', not
// starting with '.'; so no name is a path, climbs out of the folder or hides a file.
bool isTableName(std::string_view name);

// The names of the tables kept (each NAME.csv with a usable name), in order; none when the folder
// is missing or cannot be read.
std::vector<std::string> tableNames(const std::filesystem::path &folder);

// The table kept as NAME.csv. The failure names the table by its name only.
std::variant<SelectedTable, Failure> loadNamedTable(const std::filesystem::path &folder, std::string_view name);

} // namespace merolan
