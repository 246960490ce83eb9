// The settings in words and changed by name, for the command line: what
// `brimwick-cli settings` prints and what `settings set KEY=VALUE` and
// `serve --drive N=PATH` change. Everything a value needs is checked before
// anything changes, so a refused value leaves the settings as they were.
//
//   port=0..3                 parallel port: none, 0x278, 0x378, 0x3BC
//   drive.N=PATH              device N (5..14) serves a D64 image, or a PC
//                             directory when PATH ends in '/'
//   drive.N=pass[:M]          device N is passed through to the real device
//                             N (or M) on the C64's serial bus
//   reset.K=TEXT  reset=K     reset sequence K (0..4), and which one is typed
//   show-on-errors show-on-success start-assembled address-in-name
//   start-minimized           0 or 1
//   dos=1541|original         which DOS the drives speak (kept in brimwick.ini
//                             beside Status.ini, whose layout stays as it is)
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "config/status_file.h"
#include "drive/dos_mode.h"
#include "drive/drive_unit.h"

namespace brimwick::shell {

using Drives = std::span<drive::DriveUnit, config::kDriveCount>;

// The longest reset sequence the preferences take.
inline constexpr std::size_t kResetTextLimit = 100;
// Device numbers on the C64's serial bus that a device may be passed to.
inline constexpr int kFirstBusDevice = 4;
inline constexpr int kLastBusDevice = 30;

// A setting that is refused, with a message for the person.
struct SettingError {
    std::string message;  // what is wrong with which key or value
};

// The settings kept beside Status.ini in files of their own.
struct SideSettings {
    drive::DosMode dos = drive::DosMode::Original;  // brimwick.ini: which DOS the drives speak
    bool dosChanged = false;                         // a change named dos: brimwick.ini is to be saved
};

// What one drive is to do.
struct DriveAssignment {
    enum class Kind {
        Image,        // serve a D64 image
        Directory,    // serve a PC directory
        PassThrough,  // leave the device to the real serial bus
    };
    int index = 0;            // drive index 0..9 (device - 5)
    Kind kind = Kind::Image;  // what it does
    std::string path;         // Image, Directory: the absolute path (a directory with its '/')
    int realDevice = 0;       // PassThrough: the device number on the real bus
};

// The assignment of "drive.N=VALUE" (device "N", value "VALUE").
DriveAssignment parseDriveAssignment(std::string_view device, std::string_view value);
// The assignment of "N=VALUE" (serve --drive).
DriveAssignment parseDriveOption(std::string_view option);
// Makes it so: mounts the image (which must be readable) or the directory
// (which must exist), or passes the device through.
void applyDriveAssignment(const DriveAssignment& assignment, config::Settings& settings,
                          Drives drives);

// Changes one setting given as KEY=VALUE; `dos` goes to `side`.
void applySetting(std::string_view keyValue, config::Settings& settings, Drives drives,
                  SideSettings& side);

// The settings in words, one line per port, device, reset sequence and
// option, and the drives' DOS.
std::string describeSettings(const config::Settings& settings, Drives drives,
                             const SideSettings& side);

// A reset sequence as the person writes it: RETURN as \r, a backslash as \\,
// any other byte outside the printable characters as \xNN.
std::string escapeText(std::string_view text);
std::string unescapeText(std::string_view text);

// Drives assigned for one run (serve --drive): Status.ini keeps what they
// served before, unless the person asks to keep them or something else
// (a shell command) has changed the drive since.
class DriveOverrides {
  public:
    void apply(const DriveAssignment& assignment, config::Settings& settings, Drives drives);
    // The record and paths to save: `record` is a copy of the settings.
    std::array<config::ServedPath, config::kDriveCount> toSave(config::Settings& record,
                                                               Drives drives) const;

  private:
    struct Override {
        DriveAssignment assignment;   // what this run does
        int realDevice = 0;           // what the record held before
        config::ServedPath previous;  // what the drive served before
    };
    std::array<std::optional<Override>, config::kDriveCount> overrides_;  // by drive index
};

// Each drive's PC64 option (drive.N.format=p00) from the text settings file
// beside Status.ini: the PC-directory drives that have it write PC64 files.
void applyPc64Options(Drives drives, const std::string& programDirectory);

// The start of serving: loads Status.ini into `settings` and its drives (in
// the drive mode of brimwick.ini), then makes this run's assignments ("N=PATH",
// as serve --drive takes them). Throws SettingError when one is refused.
void loadServedDrives(config::Settings& settings, Drives drives, const std::string& programDirectory,
                      const std::vector<std::string>& driveOptions, DriveOverrides& overrides);

}  // namespace brimwick::shell
