#pragma once

#include <filesystem>

namespace merolan {

// c:\merolan.dat on Windows; elsewhere merolan.dat in the user's configuration folder
// ($XDG_CONFIG_HOME/merolan), which loading creates when missing.
std::filesystem::path defaultSettingsFile();

// The user's decimal separator when it is a single byte; "." otherwise. The boxes show numbers
// with it.
char userDecimalSeparator();

} // namespace merolan
