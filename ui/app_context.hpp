#pragma once

#include "core/instrument/instrument.hpp"
#include "link/port_directory.hpp"
#include "ui/user_dialogs.hpp"

#include <filesystem>

namespace merolan {

// What the windows share for the whole run: the instrument and its setup, where the settings
// live, the dialogs and the devices behind the port list. Owned by main (or by a test), like the
// measuring session that measures with the instrument's setup. The window is in charge of it.
struct AppContext {
    Instrument instrument;
    std::filesystem::path settingsFile;
    UserDialogs &dialogs;
    PortDirectory ports{};
};

} // namespace merolan
