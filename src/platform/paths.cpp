// Program directory lookup through /proc/self/exe.
#include "platform/paths.h"

#include <cstdlib>
#include <filesystem>

namespace brimwick::platform {

std::string withTrailingSeparator(std::string path) {
    if (path.empty() || path.back() != kPathSeparator) path += kPathSeparator;
    return path;
}

std::string programDirectory() {
    if (const char* home = std::getenv(kHomeVariable); home != nullptr && *home != '\0')
        return withTrailingSeparator(home);
    return executableDirectory();
}

std::string executableDirectory() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return withTrailingSeparator(std::filesystem::current_path(ec).string());
    return withTrailingSeparator(exe.parent_path().string());
}

}  // namespace brimwick::platform
