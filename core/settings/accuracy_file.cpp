#include "core/settings/accuracy_file.hpp"

#include "core/settings/atomic_file.hpp"
#include "core/settings/table_store.hpp"
#include "core/base/text_format.hpp"

#include <charconv>
#include <cstdint>

namespace merolan {
namespace {

constexpr std::size_t kMaxAccuracyFileBytes = 64 * 1024;

std::string_view textOf(const std::vector<std::uint8_t> &bytes)
{
    return {reinterpret_cast<const char *>(bytes.data()), bytes.size()};
}

} // namespace

std::filesystem::path accuracyFileBeside(const std::filesystem::path &settingsFile)
{
    return settingsFile.parent_path() / "merolan-accuracy.txt";
}

std::string accuracyText(const StoredAccuracy &stored)
{
    std::string text = "average_count=" + std::to_string(stored.averageCount) + "\n";
    if (stored.frequencyHz)
        text += "frequency_hz=" + numberText(*stored.frequencyHz).substr(1) + "\n";
    if (!stored.tablePath.empty())
        text += "correction_table=" + stored.tablePath + "\ncorrection_table_hash=" + stored.tableHash + "\n";
    return text;
}

std::variant<StoredAccuracy, Failure> parseAccuracyText(std::string_view text)
{
    StoredAccuracy stored;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view name = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        if (name == "average_count") {
            int count = 0;
            const auto [rest, error] = std::from_chars(value.data(), value.data() + value.size(), count);
            if (error != std::errc() || rest != value.data() + value.size() || count < 1 || count > kMaxAverageCount)
                return Failure{"average_count is not a whole number from 1 to 1024"};
            stored.averageCount = count;
        } else if (name == "frequency_hz") {
            stored.frequencyHz = readLocaleNumber(value, '.');
            if (!stored.frequencyHz || !(*stored.frequencyHz > 0))
                return Failure{"frequency_hz is not a number of Hz above 0"};
        } else if (name == "correction_table") {
            stored.tablePath = std::string(value);
        } else if (name == "correction_table_hash") {
            stored.tableHash = std::string(value);
        }
    }
    return stored;
}

std::vector<std::string> restoreAccuracy(const std::filesystem::path &settingsFile, AccuracySetup &accuracy)
{
    const std::filesystem::path file = accuracyFileBeside(settingsFile);
    auto read = readFileBytes(file, kMaxAccuracyFileBytes);
    if (const Failure *failure = std::get_if<Failure>(&read))
        return {"The accuracy setup \"" + displayName(file) + "\" cannot be read: " + failure->message};
    if (!std::get<FileBytes>(read).exists)
        return {};
    auto parsed = parseAccuracyText(textOf(std::get<FileBytes>(read).bytes));
    if (const Failure *failure = std::get_if<Failure>(&parsed))
        return {"The accuracy setup \"" + displayName(file) + "\" is damaged: " + failure->message + "."};
    const StoredAccuracy &stored = std::get<StoredAccuracy>(parsed);
    accuracy.setAveraging(stored.averageCount);
    accuracy.frequencyHz = stored.frequencyHz;
    accuracy.setTable(std::nullopt);
    if (stored.tablePath.empty())
        return {};
    auto loaded = loadCorrectionTable(std::filesystem::u8path(stored.tablePath));
    if (const Failure *failure = std::get_if<Failure>(&loaded))
        return {failure->message + " No correction applies."};
    if (std::get<SelectedTable>(loaded).hash != stored.tableHash) {
        return {"The correction table \"" + stored.tablePath +
                "\" has changed since it was chosen; choose it again to use it. No correction applies."};
    }
    accuracy.setTable(std::move(std::get<SelectedTable>(loaded)));
    accuracy.table->name = stored.tablePath;
    return {};
}

std::optional<Failure> storeAccuracy(const std::filesystem::path &settingsFile, const AccuracySetup &accuracy)
{
    const SelectedTable *table = accuracy.tableInForce();
    const StoredAccuracy stored{accuracy.averagedReadings(), accuracy.frequencyHz, table ? table->name : "",
                                table ? table->hash : ""};
    const std::string text = accuracyText(stored);
    const std::filesystem::path file = accuracyFileBeside(settingsFile);
    if (std::optional<Failure> failure =
            replaceFileContent(file, std::span(reinterpret_cast<const std::uint8_t *>(text.data()), text.size())))
        return Failure{"The accuracy setup cannot be saved to \"" + displayName(file) + "\": " + failure->message};
    return std::nullopt;
}

} // namespace merolan
