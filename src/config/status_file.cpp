// Reading and writing Status.ini.
#include "config/status_file.h"

#include <array>
#include <cstring>
#include <vector>

#include "platform/file.h"
#include "platform/paths.h"
#include "platform/trace_log.h"
#include "platform/user_dialogs.h"

namespace brimwick::config {

using platform::traceLog;

namespace {
// No sensible Status.ini comes near this: ten paths of a few KB at most.
constexpr std::size_t kLargestStatusFile = 1 << 20;

std::string statusPath(const std::string& programDirectory) {
    return platform::withTrailingSeparator(programDirectory) + kStatusFileName;
}
}  // namespace

bool loadSettings(Settings& settings, std::span<drive::DriveUnit, kDriveCount> drives,
                  const std::string& programDirectory) {
    std::vector<std::uint8_t> file;
    try {
        file = platform::readFile(statusPath(programDirectory), kLargestStatusFile);
    } catch (const platform::FileError&) {
        file.clear();
    }
    // A file too short to hold the record is treated like a missing one.
    if (file.size() < kSettingsSize) {
        traceLog() << "\n ERROR: Status file not found.";
        resetSettings(settings);
        return false;
    }
    std::memcpy(&settings, file.data(), kSettingsSize);
    std::size_t cursor = kSettingsSize;
    for (int i = kDriveCount - 1; i >= 0; --i) {
        if (settings.realDevice[i] != 0) continue;
        // Each served drive owns the next NUL-terminated path; a path area
        // that ends early mounts nothing more.
        const auto* begin = file.data() + cursor;
        const auto* nul =
            static_cast<const std::uint8_t*>(std::memchr(begin, 0, file.size() - cursor));
        if (nul == nullptr) break;
        std::string path(reinterpret_cast<const char*>(begin),
                         static_cast<std::size_t>(nul - begin));
        drive::DriveUnit& unit = drives[static_cast<std::size_t>(i)];
        if (!unit.mount(path, settings.hostMode[i] != 0))
            platform::userDialogs().messageBox(unit.loadFailureText(i + kFirstDevice), "Brimwick",
                                               platform::MessageButtons::Ok,
                                               platform::MessageIcon::Warning);
        cursor += path.size() + 1;
    }
    return true;
}

bool saveSettings(Settings& settings, std::span<drive::DriveUnit, kDriveCount> drives,
                  const std::string& programDirectory) {
    std::array<ServedPath, kDriveCount> served;
    for (std::size_t i = 0; i < served.size(); ++i)
        served[i] = ServedPath{drives[i].path, drives[i].hostMode};
    return saveSettings(settings, served, programDirectory);
}

bool saveSettings(Settings& settings, std::span<const ServedPath, kDriveCount> served,
                  const std::string& programDirectory) {
    for (int i = kDriveCount - 1; i >= 0; --i)
        settings.hostMode[i] = served[static_cast<std::size_t>(i)].directory ? 1 : 0;
    std::vector<std::uint8_t> file(kSettingsSize);
    std::memcpy(file.data(), &settings, kSettingsSize);
    for (int i = kDriveCount - 1; i >= 0; --i) {
        traceLog() << "\nDevice " << (i + kFirstDevice) << " : ";
        if (settings.realDevice[i] != 0) continue;
        const std::string& path = served[static_cast<std::size_t>(i)].path;
        traceLog() << "Writing file " << path;
        file.insert(file.end(), path.begin(), path.end());
        file.push_back(0);
    }
    try {
        if (!programDirectory.empty()) platform::createDirectory(programDirectory);
        platform::writeFileAtomically(statusPath(programDirectory), file.data(), file.size());
    } catch (const platform::FileError&) {
        return false;
    }
    return true;
}

}  // namespace brimwick::config
