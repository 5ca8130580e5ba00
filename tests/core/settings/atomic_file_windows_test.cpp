#include "core/settings/atomic_file.hpp"
#include "core/settings/settings_file.hpp"
#include "tests/support/settings_file_fixture.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <clocale>
#include <optional>
#include <string>
#include <vector>

// The Windows branches of the file functions, run under Wine by scripts/test-windows.sh.
using namespace merolan;
namespace fs = std::filesystem;

namespace {

using AtomicFileOnWindows = SettingsFile;

DWORD attributesOf(const fs::path &file)
{
    return ::GetFileAttributesW(file.c_str());
}

} // namespace

TEST_F(AtomicFileOnWindows, ASaveReplacesTheOldFileAndKeepsItsMarks)
{
    fs::create_directories(file.parent_path());
    writeBytes(file, std::vector<std::uint8_t>(128, 0));
    ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                       FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    // Read back, since Wine keeps fewer marks than Windows does.
    const DWORD marks = attributesOf(file) & ~DWORD{FILE_ATTRIBUTE_ARCHIVE};
    ASSERT_TRUE(marks & FILE_ATTRIBUTE_HIDDEN);
    ASSERT_FALSE(saveSettings(file, factorySettings(), '.'));
    EXPECT_EQ(attributesOf(file), marks | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(entriesIn(file.parent_path()), 1u);
    MeterSettings s;
    EXPECT_FALSE(loadSettings(file, s));
    EXPECT_EQ(s, factorySettings());
}

TEST_F(AtomicFileOnWindows, ASaveWindowsRefusesLeavesTheOldFileAndNoTemporary)
{
    fs::create_directories(file.parent_path());
    writeBytes(file, std::vector<std::uint8_t>(130, 0x5A));
    struct Case {
        const char *cause;
        DWORD attributes;
        std::optional<DWORD> heldSharing; // another program holds the file open, sharing this
    };
    const Case cases[] = {
        {"permission denied (it is marked read-only)", FILE_ATTRIBUTE_READONLY, std::nullopt},
        // Fails half-way: the new content is on disk and then cannot take the name. Windows may
        // call it a denied permission or a sharing violation.
        {"another program has it open", FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ},
        {"reading it failed (another program has it open)", FILE_ATTRIBUTE_NORMAL, 0},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(::SetFileAttributesW(file.c_str(), c.attributes));
        expectFailedSaveChangesNothing(file, c.cause, [&] {
            const HANDLE held = c.heldSharing ? ::CreateFileW(file.c_str(), GENERIC_READ, *c.heldSharing, nullptr,
                                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                              : INVALID_HANDLE_VALUE;
            std::optional<Failure> failure = saveSettings(file, factorySettings(), '.');
            if (held != INVALID_HANDLE_VALUE)
                ::CloseHandle(held);
            return failure;
        });
        EXPECT_EQ(attributesOf(file) & FILE_ATTRIBUTE_READONLY, c.attributes & FILE_ATTRIBUTE_READONLY) << c.cause;
        ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(AtomicFileOnWindows, ARecordUnderADriveLetterKeepsItsWindows1252TextsWhateverTheCodePage)
{
    // Wine puts c: in its prefix.
    const TemporaryFolder drive(fs::path(L"c:\\"));
    const fs::path folder = drive.path() / L"Messplatz \u00E9\u20AC", onDrive = folder / L"merolan.dat";
    MeterSettings stored;
    stored.wattScaleMax = std::string("\u20AC\u00E9");
    // A conversion through the C runtime would follow its code page: in 1251 the euro sign is 0x88.
    const std::string previousLocale = std::setlocale(LC_ALL, nullptr);
    ASSERT_TRUE(std::setlocale(LC_ALL, ".1251"));
    const std::optional<Failure> saved = saveSettings(onDrive, stored, '.');
    MeterSettings loaded;
    const std::optional<Failure> loadFailure = loadSettings(onDrive, loaded);
    const std::optional<Failure> missing = importSettingsFile(folder / L"nothing.dat", loaded);
    std::setlocale(LC_ALL, previousLocale.c_str());

    ASSERT_FALSE(saved) << saved->message;
    ASSERT_FALSE(loadFailure) << loadFailure->message;
    EXPECT_EQ(loaded, stored);
    const std::vector<std::uint8_t> bytes = bytesOf(onDrive);
    ASSERT_EQ(bytes.size(), 128u);
    EXPECT_EQ(bytes[16], 0x80);
    EXPECT_EQ(bytes[17], 0xE9);
    ASSERT_TRUE(missing);
    EXPECT_NE(missing->message.find("\\Messplatz \xC3\xA9\xE2\x82\xAC\\nothing.dat\""), std::string::npos)
        << missing->message;
}

TEST_F(AtomicFileOnWindows, BytesReachTheDiskAndComeBackUnchanged)
{
    // A text-mode stream would write "\n" as "\r\n" and stop reading at the Ctrl-Z.
    const std::vector<std::uint8_t> content = {'a', '\n', 'b', '\r', '\n', 0x1A, 'c', '\n'};
    ASSERT_FALSE(replaceFileContent(file, content));
    EXPECT_EQ(bytesOf(file), content);
    const auto read = readFileBytes(file);
    ASSERT_TRUE(std::holds_alternative<FileBytes>(read));
    EXPECT_EQ(std::get<FileBytes>(read).bytes, content);
}

TEST_F(AtomicFileOnWindows, ADeviceNameIsNotAPlainFile)
{
    MeterSettings s;
    const std::optional<Failure> failure = importSettingsFile(L"NUL", s);
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->message.find("it is not a plain file"), std::string::npos) << failure->message;
}
