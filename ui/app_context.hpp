#pragma once

#include "core/app_state.hpp"
#include "ui/user_dialogs.hpp"

#include <QMap>
#include <QString>

#include <filesystem>

namespace merolan {

// What the windows share for the whole run: the state, where the settings live, the dialogs
// and the serial devices named on the command line. Owned by main (or by a test).
struct AppContext {
    AppState state;
    std::filesystem::path settingsFile;
    UserDialogs &dialogs;
    QMap<int, QString> portDevices; // "Com N" -> device, from --port N=DEVICE
};

} // namespace merolan
