// Base directory lookup: the environment first, then the home directory.
#include "platform/xdg_directories.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace brimwick::platform {

namespace {

std::string fromVariableOrHome(const char* variable, const char* belowHome) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') return value;
    std::string home = homeDirectory();
    if (home.empty()) return "";
    if (home.back() != '/') home += '/';
    return home + belowHome;
}

}  // namespace

std::string homeDirectory() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr)
        return found->pw_dir;
    return "";
}

std::string xdgConfigHome() {
    return fromVariableOrHome("XDG_CONFIG_HOME", ".config");
}
std::string xdgDataHome() {
    return fromVariableOrHome("XDG_DATA_HOME", ".local/share");
}
std::string xdgStateHome() {
    return fromVariableOrHome("XDG_STATE_HOME", ".local/state");
}

}  // namespace brimwick::platform
