#pragma once

#include <filesystem>

namespace merolan {

// A fresh, empty folder of its own for one test, removed with everything in it at the end. Any
// entry a test made read-only must be made writable again by the test.
class TemporaryFolder
{
public:
    TemporaryFolder();
    // Under `parent` instead of the system's temporary folder.
    explicit TemporaryFolder(const std::filesystem::path &parent);
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace merolan
