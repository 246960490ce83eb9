// Reading and writing Status.ini.
#include "config/status_file.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <optional>
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
// Broken files kept beside Status.ini at most (.broken, .broken.2, ...).
constexpr int kMostBrokenCopies = 100;

std::string statusPath(const std::string& programDirectory) {
    return platform::withTrailingSeparator(programDirectory) + kStatusFileName;
}

// Why the Status.ini there cannot be taken ("it is empty"), or nothing when
// it can or when there is none; the bytes read when it could be read.
std::optional<std::string> fault(const std::string& path, std::vector<std::uint8_t>* bytes) {
    if (!platform::exists(path) && platform::specialFileKind(path, platform::Links::Refuse).empty())
        return std::nullopt;
    std::vector<std::uint8_t> file;
    try {
        file = platform::readFile(path, kLargestStatusFile);
    } catch (const platform::FileError& e) {
        return "it cannot be read: " + e.reason();
    }
    if (file.empty()) return std::string("it is empty");
    if (file.size() < kSettingsSize)
        return "it is cut short: " + std::to_string(file.size()) + " bytes, the settings alone take " +
               std::to_string(kSettingsSize);
    if (bytes != nullptr) *bytes = std::move(file);
    return std::nullopt;
}

// Moves a broken Status.ini aside to Status.ini.broken (or .broken.2, .3,
// ... when an earlier one is there: none is ever replaced), so that its
// bytes are kept; false when that is not possible.
bool keepBroken(const std::string& path) {
    for (int n = 1; n < kMostBrokenCopies; ++n) {
        std::string kept = path + kBrokenSuffix + (n == 1 ? "" : "." + std::to_string(n));
        // link() never replaces what is there.
        if (::link(path.c_str(), kept.c_str()) == 0) {
            ::unlink(path.c_str());
            traceLog() << "\n Status file kept as " << kept;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}
}  // namespace

std::optional<std::string> statusFileFault(const std::string& programDirectory) {
    return fault(statusPath(programDirectory), nullptr);
}

bool loadSettings(Settings& settings, std::span<drive::DriveUnit, kDriveCount> drives,
                  const std::string& programDirectory) {
    std::vector<std::uint8_t> file;
    std::string statusFile = statusPath(programDirectory);
    if (std::optional<std::string> why = fault(statusFile, &file)) {
        // Never replaced silently: the person learns of it, and the old
        // bytes are kept beside it before a new file is written.
        traceLog() << "\n ERROR: Status file broken: " << *why;
        platform::userDialogs().messageBox(
            "The settings file " + statusFile + " is broken: " + *why +
                ".\nBrimwick uses the default settings; the old file is kept as " + statusFile +
                kBrokenSuffix + " before a new one is written.",
            "Brimwick", platform::MessageButtons::Ok, platform::MessageIcon::Warning);
        resetSettings(settings);
        return false;
    }
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
    std::string path = statusPath(programDirectory);
    if (fault(path, nullptr) && !keepBroken(path)) return false;
    try {
        if (!programDirectory.empty()) platform::createDirectory(programDirectory);
        platform::writeFileAtomically(path, file.data(), file.size());
    } catch (const platform::FileError&) {
        return false;
    }
    return true;
}

}  // namespace brimwick::config
