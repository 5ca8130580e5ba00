#pragma once

#include "core/instrument/app_state.hpp"
#include "link/port_directory.hpp"
#include "ui/user_dialogs.hpp"

#include <filesystem>

namespace merolan {

// What the windows share for the whole run: the state, where the settings live, the dialogs and
// the devices behind the port list. Owned by main (or by a test), like the measuring session
// that shares the state.
struct AppContext {
    AppState state;
    std::filesystem::path settingsFile;
    UserDialogs &dialogs;
    PortDirectory ports{};
};

} // namespace merolan
