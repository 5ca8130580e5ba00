#pragma once

#include <filesystem>

namespace merolan {

// c:\merolan.dat on Windows; elsewhere merolan.dat in the user's configuration folder
// ($XDG_CONFIG_HOME/merolan), which loading creates when missing.
std::filesystem::path defaultSettingsFile();

} // namespace merolan
