#include "core/settings/settings_file.hpp"

#include "core/settings/atomic_file.hpp"
#include "core/settings/settings_record.hpp"

#include <algorithm>
#include <exception>
#include <system_error>
#include <vector>

namespace merolan {
namespace fs = std::filesystem;

namespace {

Failure fileFailure(const fs::path &file, const std::string &what)
{
    return Failure{"The file \"" + displayName(file) + "\" " + what};
}

// Whatever the library still throws (out of memory, mostly) fails this one file operation
// instead of ending the program.
template <typename Operation>
std::optional<Failure> withoutExceptions(const fs::path &file, Operation operation)
{
    try {
        return operation();
    } catch (const std::exception &error) {
        return fileFailure(file, std::string("could not be handled: ") + error.what());
    }
}

std::optional<Failure> decodeInto(const fs::path &file, std::span<const std::uint8_t> bytes, MeterSettings &settings)
{
    auto decoded = decodeSettingsRecord(bytes);
    if (auto *failure = std::get_if<Failure>(&decoded))
        return fileFailure(file, "cannot be read as settings: " + failure->message);
    settings = std::get<MeterSettings>(std::move(decoded));
    return std::nullopt;
}

// Reads record 1 into `settings`; `whenMissing` says what a missing file means.
template <typename WhenMissing>
std::optional<Failure> readRecordFile(const fs::path &file, MeterSettings &settings, WhenMissing whenMissing)
{
    return withoutExceptions(file, [&]() -> std::optional<Failure> {
        auto read = readFileBytes(file, kRecordLength);
        if (auto *failure = std::get_if<Failure>(&read))
            return fileFailure(file, "was not loaded: " + failure->message);
        const FileBytes &content = std::get<FileBytes>(read);
        if (!content.exists)
            if (std::optional<Failure> failure = whenMissing())
                return failure;
        return decodeInto(file, content.bytes, settings);
    });
}

} // namespace

std::optional<Failure> readSettingsRecord(std::istream &in, MeterSettings &settings)
{
    SettingsRecord record{};
    in.read(reinterpret_cast<char *>(record.data()), static_cast<std::streamsize>(record.size()));
    if (in.bad())
        return Failure{"reading failed."};
    auto decoded = decodeSettingsRecord(record);
    if (auto *failure = std::get_if<Failure>(&decoded))
        return *failure;
    settings = std::get<MeterSettings>(std::move(decoded));
    return std::nullopt;
}

std::optional<Failure> loadSettings(const fs::path &file, MeterSettings &settings)
{
    // A missing settings file is normal on a first start: it is created empty, which decodes as
    // the empty settings.
    return readRecordFile(file, settings, [&]() -> std::optional<Failure> {
        if (std::optional<Failure> failure = createFileIfMissing(file))
            return fileFailure(file, "does not exist and cannot be created: " + failure->message);
        return std::nullopt;
    });
}

std::optional<Failure> importSettingsFile(const fs::path &file, MeterSettings &settings)
{
    return readRecordFile(file, settings, [&] { return std::optional(fileFailure(file, "does not exist.")); });
}

std::optional<Failure> saveSettings(const fs::path &file, const MeterSettings &settings, char decimalSeparator)
{
    return withoutExceptions(file, [&]() -> std::optional<Failure> {
        // The old content supplies the padding after the fields and anything past record 1; when
        // it cannot be read the save stops rather than lose it.
        auto read = readFileBytes(file);
        if (auto *failure = std::get_if<Failure>(&read))
            return fileFailure(file, "was not written: " + failure->message);
        std::vector<std::uint8_t> content = std::get<FileBytes>(std::move(read)).bytes;
        SettingsRecord previous{};
        std::copy_n(content.begin(), std::min(content.size(), previous.size()), previous.begin());

        auto encoded = encodeSettingsRecord(settings, decimalSeparator, previous);
        if (auto *failure = std::get_if<Failure>(&encoded))
            return fileFailure(file, "was not written: " + failure->message);
        const SettingsRecord &record = std::get<SettingsRecord>(encoded);
        content.resize(std::max(content.size(), record.size()));
        std::copy(record.begin(), record.end(), content.begin());

        if (std::optional<Failure> failure = replaceFileContent(file, content))
            return fileFailure(file, "was not written: " + failure->message);
        return std::nullopt;
    });
}

} // namespace merolan
