#pragma once

#include "core/settings/atomic_file.hpp"
#include "core/base/failure.hpp"
#include "tests/support/temporary_folder.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Shared by the settings file tests that hold on every system and those that need one system's
// file rules.
namespace merolan {

inline std::vector<std::uint8_t> bytesOf(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::filesystem::path &file, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::size_t entriesIn(const std::filesystem::path &folder)
{
    namespace fs = std::filesystem;
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Every entry of the folder with the bytes of the plain files, so that a comparison also sees a
// temporary left behind.
inline std::map<std::filesystem::path, std::vector<std::uint8_t>> contentOf(const std::filesystem::path &folder)
{
    std::map<std::filesystem::path, std::vector<std::uint8_t>> content;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        content[entry.path().filename()] =
            entry.is_regular_file() ? bytesOf(entry.path()) : std::vector<std::uint8_t>{};
    return content;
}

struct SettingsFile : ::testing::Test {
    TemporaryFolder dir;
    std::filesystem::path root = dir.path();
    std::filesystem::path file = root / "merolan" / "merolan.dat";

    // A save that fails names the file and the cause and leaves its folder exactly as it was.
    static void expectFailedSaveChangesNothing(const std::filesystem::path &target, const std::string &cause,
                                               const std::function<std::optional<Failure>()> &attempt)
    {
        const auto before = contentOf(target.parent_path());
        const std::optional<Failure> failure = attempt();
        ASSERT_TRUE(failure) << cause;
        EXPECT_NE(failure->message.find("\"" + displayName(target) + "\""), std::string::npos) << failure->message;
        EXPECT_NE(failure->message.find(cause), std::string::npos) << failure->message;
        EXPECT_EQ(contentOf(target.parent_path()), before) << cause;
    }
};

} // namespace merolan
