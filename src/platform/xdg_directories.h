// The freedesktop base directories of the person running the program: where
// settings, the person's own data and state files go. Each value of an
// XDG_* variable counts only when it is an absolute path (the base
// directory rules say a relative one is ignored); otherwise the documented
// default below the home directory is used.
#pragma once

#include <string>

namespace brimwick::platform {

// The home directory: $HOME, or the password database's entry when HOME is
// unset or empty; "" when neither knows one.
std::string homeDirectory();

// $XDG_CONFIG_HOME, default ~/.config; "" when there is no home directory.
std::string xdgConfigHome();
// $XDG_DATA_HOME, default ~/.local/share.
std::string xdgDataHome();
// $XDG_STATE_HOME, default ~/.local/state.
std::string xdgStateHome();

}  // namespace brimwick::platform
