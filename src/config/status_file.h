// Status.ini: the settings record's 620 bytes followed, for every device the
// PC serves (from device 14 down to 5), by the NUL-terminated path of the
// image file or directory its drive serves. Read once at start-up, written
// once at exit. Despite the name it is not a text file.
#pragma once

#include <span>
#include <string>

#include "config/settings.h"
#include "drive/drive_unit.h"

namespace brimwick::config {

inline constexpr const char* kStatusFileName = "Status.ini";

// Reads Status.ini from the program directory into `settings` and mounts the
// served drives. A missing, unreadable or truncated file leaves the defaults
// (logged) and returns false.
bool loadSettings(Settings& settings, std::span<drive::DriveUnit, kDriveCount> drives,
                  const std::string& programDirectory);

// Writes Status.ini; false when it could not be written (nothing is lost:
// the previous file stays whole).
bool saveSettings(Settings& settings, std::span<drive::DriveUnit, kDriveCount> drives,
                  const std::string& programDirectory);

// What one drive serves, as Status.ini keeps it.
struct ServedPath {
    std::string path;        // the image file, or the directory with its separator
    bool directory = false;  // a PC directory rather than an image
};

// Writes Status.ini with these paths instead of the drives' own.
bool saveSettings(Settings& settings, std::span<const ServedPath, kDriveCount> served,
                  const std::string& programDirectory);

}  // namespace brimwick::config
