// Status.ini: the settings record's 620 bytes followed, for every device the
// PC serves (from device 14 down to 5), by the NUL-terminated path of the
// image file or directory its drive serves. Read once at start-up, written
// once at exit. Despite the name it is not a text file.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "config/settings.h"
#include "drive/drive_unit.h"

namespace brimwick::config {

inline constexpr const char* kStatusFileName = "Status.ini";
// A broken Status.ini is kept under its name with this suffix.
inline constexpr const char* kBrokenSuffix = ".broken";

// Reads Status.ini from the program directory into `settings` and mounts the
// served drives. A missing file leaves the defaults and returns false; so
// does an empty, truncated or unreadable one, which the person is told of
// (a message box) and which saveSettings keeps as Status.ini.broken before it
// writes a new file.
bool loadSettings(Settings& settings, std::span<drive::DriveUnit, kDriveCount> drives,
                  const std::string& programDirectory);

// Writes Status.ini; false when it could not be written (nothing is lost:
// the previous file stays whole, and a broken one is first moved aside to
// Status.ini.broken, never over an earlier one).
bool saveSettings(Settings& settings, std::span<drive::DriveUnit, kDriveCount> drives,
                  const std::string& programDirectory);

// Why the Status.ini in the program directory cannot be taken, or nothing
// (also when there is none).
std::optional<std::string> statusFileFault(const std::string& programDirectory);

// What one drive serves, as Status.ini keeps it.
struct ServedPath {
    std::string path;        // the image file, or the directory with its separator
    bool directory = false;  // a PC directory rather than an image
};

// Writes Status.ini with these paths instead of the drives' own.
bool saveSettings(Settings& settings, std::span<const ServedPath, kDriveCount> served,
                  const std::string& programDirectory);

}  // namespace brimwick::config
