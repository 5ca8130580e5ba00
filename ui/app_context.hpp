#pragma once

#include "core/app_state.hpp"
#include "ui/user_dialogs.hpp"

#include <filesystem>

namespace merolan {

// What the windows share for the whole run: the state, where the settings live and the
// dialogs. Owned by main (or by a test), like the measuring session that shares the state.
struct AppContext {
    AppState state;
    std::filesystem::path settingsFile;
    UserDialogs &dialogs;
};

} // namespace merolan
