#pragma once
// The user's own configuration and data folders of the XDG base-directory
// rules, read afresh at every call (tests and long runs may change them), as
// file-system bytes (PathBytes.h).
#include <QString>

// $XDG_CONFIG_HOME, or ~/.config when it is unset, empty or relative.
QString UserConfigHome();

// $XDG_DATA_HOME, or ~/.local/share when it is unset, empty or relative.
QString UserDataHome();
