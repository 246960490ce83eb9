// The directories of Brimwick's files, from the environment and the
// executable's own place (/proc/self/exe follows a symbolic link on PATH to
// the real program, so its share/ is found).
#include "platform/paths.h"

#include <cstdlib>
#include <filesystem>

#include "platform/file.h"
#include "platform/xdg_directories.h"

namespace brimwick::platform {

namespace {

constexpr std::size_t kLargestSettingsFile = 1 << 20;  // Status.ini is under 2 KB

// BRIMWICK_HOME when it is set and not empty.
const char* homeOverride() {
    const char* home = std::getenv(kHomeVariable);
    return home != nullptr && *home != '\0' ? home : nullptr;
}

// Our folder in a base directory; "" when the base is unknown (no home).
std::string ourFolderIn(const std::string& base) {
    if (base.empty()) return "";
    return withTrailingSeparator(withTrailingSeparator(base) + kProgramFolder);
}

}  // namespace

std::string withTrailingSeparator(std::string path) {
    if (path.empty() || path.back() != kPathSeparator) path += kPathSeparator;
    return path;
}

std::string executableDirectory() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return withTrailingSeparator(std::filesystem::current_path(ec).string());
    return withTrailingSeparator(exe.parent_path().string());
}

std::string settingsDirectory() {
    if (const char* home = homeOverride()) return withTrailingSeparator(home);
    return ourFolderIn(xdgConfigHome());
}

std::string userDataDirectory() {
    if (const char* home = homeOverride()) return withTrailingSeparator(home);
    return ourFolderIn(xdgDataHome());
}

std::string installedDataDirectory() {
    std::filesystem::path share =
        std::filesystem::path(executableDirectory()) / ".." / "share" / kProgramFolder;
    return withTrailingSeparator(share.lexically_normal().string());
}

std::string stateDirectory() {
    return ourFolderIn(xdgStateHome());
}

std::string findDataFile(std::string_view relativePath) {
    std::string own = userDataDirectory() + std::string(relativePath);
    if (exists(own)) return own;
    std::string installed = installedDataFile(relativePath);
    if (exists(installed)) return installed;
    return own;
}

std::string installedDataFile(std::string_view relativePath) {
    return installedDataDirectory() + std::string(relativePath);
}

std::string takeOverEarlierSettings(const std::vector<std::string>& names) {
    if (homeOverride() != nullptr) return "";
    std::string from = executableDirectory();
    std::string to = settingsDirectory();
    if (to.empty() || to == from) return "";
    for (const std::string& name : names)
        if (exists(to + name)) return "";
    std::vector<std::string> taken;
    try {
        for (const std::string& name : names) {
            std::string old = from + name;
            if (!exists(old) || isDirectory(old)) continue;
            std::vector<std::uint8_t> bytes = readFile(old, kLargestSettingsFile);
            createDirectory(to);
            writeFileAtomically(to + name, bytes.data(), bytes.size());
            taken.push_back(name);
        }
    } catch (const FileError& e) {
        return "the settings of an earlier version beside the program were not taken over: " +
               e.message();
    }
    if (taken.empty()) return "";
    std::string list;
    for (const std::string& name : taken) list += (list.empty() ? "" : " and ") + name;
    return "took over " + list + " of an earlier version from " + from + " into " + to +
           " (the old files stay where they were)";
}

}  // namespace brimwick::platform
