#pragma once

#include <QString>

namespace plenarvo::platform {

// Where the settings file lives: default.dat in the per-user configuration folder
// ($XDG_CONFIG_HOME/plenarvo, by default ~/.config/plenarvo).
QString settingsFilePath();

// The folder the program falls back to when the default folder cannot be opened.
QString fallbackFolder();

// The system the program is built for, as the splash screen names it after "For ".
QString systemName();

}  // namespace plenarvo::platform
