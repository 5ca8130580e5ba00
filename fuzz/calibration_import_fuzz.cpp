#include "core/settings/calibration_import.hpp"
#include "core/settings/calibration_rules.hpp"
#include "core/settings/setting_value.hpp"
#include "core/settings/settings_record.hpp"
#include "core/reading/wire_protocol.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

using namespace merolan;

namespace {

// The one file each run writes its samples into, removed when the run ends.
struct SampleFile {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("merolan-fuzz-import-" + std::to_string(::getpid()) + ".dat");
    ~SampleFile()
    {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

const std::filesystem::path &sampleFile()
{
    static const SampleFile file;
    return file.path;
}

} // namespace

// A file the user picks as a calibration: whatever its bytes, the import either takes a record
// whose references and points the meter can use, or leaves every setting as it was and says why.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Half the inputs are laid over a factory record, so the search starts at whole records
    // rather than having to grow to 128 bytes first.
    std::string bytes(reinterpret_cast<const char *>(data), size);
    if (size > 0 && (data[0] & 1) != 0) {
        const auto factory = std::get<SettingsRecord>(encodeSettingsRecord(factorySettings(), '.'));
        std::string record(factory.begin(), factory.end());
        record.replace(0, std::min(size - 1, record.size()), bytes.substr(1, record.size()));
        bytes = record + bytes.substr(std::min(bytes.size(), record.size() + 1));
    }
    {
        std::ofstream out(sampleFile(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            std::abort();
    }
    const MeterSettings before = factorySettings();
    MeterSettings settings = before;
    if (const std::optional<Failure> failure = importCalibrationFile(sampleFile(), settings, ',')) {
        if (failure->message.empty() || !(settings == before))
            std::abort();
        return 0;
    }
    if (settings.lowRefPwm < 0 || settings.lowRefPwm > kMaxPwm || settings.highRefPwm < 0 ||
        settings.highRefPwm > kMaxPwm)
        std::abort();
    for (const CalibrationPoint &point : kCalibrationPoints)
        if (!numericValue(settings.*point.field, ','))
            std::abort();
    return 0;
}
