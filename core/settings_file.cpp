#include "core/settings_file.hpp"

#include "core/settings_record.hpp"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace merolan {
namespace fs = std::filesystem;

namespace {

Failure fileFailure(const fs::path &file, const std::string &what)
{
    return Failure{"The file \"" + file.string() + "\" " + what};
}

std::optional<Failure> createIfMissing(const fs::path &file)
{
    std::error_code ec;
    if (fs::exists(file, ec))
        return std::nullopt;
    if (file.has_parent_path())
        fs::create_directories(file.parent_path(), ec);
    std::ofstream create(file, std::ios::binary);
    if (!create)
        return fileFailure(file, "does not exist and cannot be created.");
    return std::nullopt;
}

std::optional<Failure> readFile(const fs::path &file, MeterSettings &settings)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return fileFailure(file, "cannot be opened for reading.");
    if (std::optional<Failure> failure = readSettingsRecord(in, settings))
        return fileFailure(file, "cannot be read as settings: " + failure->message);
    return std::nullopt;
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
    if (std::optional<Failure> failure = createIfMissing(file))
        return failure;
    return readFile(file, settings);
}

std::optional<Failure> importSettingsFile(const fs::path &file, MeterSettings &settings)
{
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return fileFailure(file, "does not exist.");
    return readFile(file, settings);
}

std::optional<Failure> saveSettings(const fs::path &file, const MeterSettings &settings, char decimalSeparator)
{
    // The old content supplies the padding after the fields and anything past record 1.
    std::vector<char> old;
    if (std::ifstream in{file, std::ios::binary})
        old.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    SettingsRecord previous{};
    std::copy_n(old.begin(), std::min(old.size(), previous.size()), previous.begin());

    auto encoded = encodeSettingsRecord(settings, decimalSeparator, previous);
    if (auto *failure = std::get_if<Failure>(&encoded))
        return fileFailure(file, "was not written: " + failure->message);
    const SettingsRecord &record = std::get<SettingsRecord>(encoded);

    std::error_code ec;
    if (file.has_parent_path())
        fs::create_directories(file.parent_path(), ec);
    fs::path temporary = file;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(record.data()), static_cast<std::streamsize>(record.size()));
        if (old.size() > record.size())
            out.write(old.data() + record.size(), static_cast<std::streamsize>(old.size() - record.size()));
        out.close();
        if (!out) {
            fs::remove(temporary, ec);
            return fileFailure(file, "was not written: the disk refused the new content.");
        }
    }
    fs::rename(temporary, file, ec);
    if (ec) {
        const std::string reason = ec.message();
        fs::remove(temporary, ec);
        return fileFailure(file, "was not written: " + reason + ".");
    }
    return std::nullopt;
}

} // namespace merolan
