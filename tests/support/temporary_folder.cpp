#include "tests/support/temporary_folder.hpp"

#include <random>
#include <string>

namespace merolan {
namespace fs = std::filesystem;

TemporaryFolder::TemporaryFolder() : TemporaryFolder(fs::temp_directory_path()) {}

TemporaryFolder::TemporaryFolder(const fs::path &parent)
{
    // Random, so that test programs running side by side never share a folder.
    std::random_device random;
    std::uniform_int_distribution<unsigned> digit(0, 35);
    do {
        std::string name = "merolan-test-";
        for (int i = 0; i < 10; ++i)
            name += "0123456789abcdefghijklmnopqrstuvwxyz"[digit(random)];
        path_ = parent / name;
    } while (!fs::create_directory(path_));
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

} // namespace merolan
