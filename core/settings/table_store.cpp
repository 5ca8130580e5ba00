#include "core/settings/table_store.hpp"

#include "core/base/ascii.hpp"
#include "core/settings/atomic_file.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <system_error>

namespace merolan {
namespace {

constexpr std::string_view kTableExtension = ".csv";

std::string_view textOf(const std::vector<std::uint8_t> &bytes)
{
    return {reinterpret_cast<const char *>(bytes.data()), bytes.size()};
}

// Why a table file gave no table: the file itself (missing, unreadable, too large), or what it
// holds, which a remote client may be told.
struct TableFault {
    bool inContent = false;
    Failure failure;
};

// The table in `file`, its faults in words that call it `shownName`.
std::variant<SelectedTable, TableFault> readTable(const std::filesystem::path &file, const std::string &shownName)
{
    auto read = readFileBytes(file, kMaxTableFileBytes + 1);
    if (const Failure *failure = std::get_if<Failure>(&read))
        return TableFault{false, {"The correction table " + shownName + " cannot be read: " + failure->message}};
    const FileBytes &bytes = std::get<FileBytes>(read);
    if (!bytes.exists)
        return TableFault{false, {"The correction table " + shownName + " is not there."}};
    if (bytes.bytes.size() > kMaxTableFileBytes)
        return TableFault{false, {"The correction table " + shownName + " is larger than 1 MiB; a table holds at most " +
                                  std::to_string(kMaxCorrectionPoints) + " points."}};
    auto parsed = parseCorrectionTable(textOf(bytes.bytes));
    if (const auto *problem = std::get_if<CorrectionTableProblem>(&parsed)) {
        return TableFault{true, {"The correction table " + shownName + " cannot be used: " +
                                 (problem->line > 0 ? "line " + std::to_string(problem->line) + ": " : std::string()) +
                                 problem->what + "."}};
    }
    return SelectedTable{std::move(std::get<CorrectionTable>(parsed)), displayName(file),
                         contentHash(textOf(bytes.bytes))};
}

} // namespace

std::string contentHash(std::string_view bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::variant<SelectedTable, Failure> loadCorrectionTable(const std::filesystem::path &file)
{
    auto read = readTable(file, "\"" + displayName(file) + "\"");
    if (auto *fault = std::get_if<TableFault>(&read))
        return std::move(fault->failure);
    return std::move(std::get<SelectedTable>(read));
}

std::filesystem::path tablesFolderBeside(const std::filesystem::path &settingsFile)
{
    const std::filesystem::path folder = settingsFile.parent_path();
    return folder / (folder.has_relative_path() ? "tables" : "merolan-tables");
}

bool isTableName(std::string_view name)
{
    const auto allowed = [](char c) { return isAsciiLetter(c) || isAsciiDigit(c) || c == '-' || c == '_' || c == '.'; };
    return !name.empty() && name.size() <= kMaxTableNameLength && name.front() != '.' &&
           std::all_of(name.begin(), name.end(), allowed);
}

std::vector<std::string> tableNames(const std::filesystem::path &folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        // A name the system cannot spell in UTF-8 is no table name either.
        const std::string file = displayName(it->path().filename());
        if (!file.ends_with(kTableExtension))
            continue;
        std::string name = file.substr(0, file.size() - kTableExtension.size());
        if (isTableName(name) && it->is_regular_file(ec))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::variant<SelectedTable, Failure> loadNamedTable(const std::filesystem::path &folder, std::string_view name)
{
    const std::string shownName = "\"" + std::string(name) + "\"";
    if (!isTableName(name))
        return Failure{"a table is named by letters, digits, '-', '_' and '.', not by a path"};
    auto read = readTable(folder / (std::string(name) + std::string(kTableExtension)), shownName);
    if (auto *fault = std::get_if<TableFault>(&read)) {
        // What the table holds may be told; why the host could not read a file stays here.
        if (fault->inContent)
            return std::move(fault->failure);
        return Failure{"no table is kept as " + shownName};
    }
    SelectedTable table = std::move(std::get<SelectedTable>(read));
    table.name = std::string(name);
    return table;
}

} // namespace merolan
