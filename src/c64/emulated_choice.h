// Which C64 a command or the window puts on the cable: the emulated C64
// with the person's ROMs, or (without ROMs) the virtual C64. The choice
// comes from the options (--roms DIR, --kernal/--basic/--chargen FILE,
// --as-is, --video pal|ntsc), else from the settings file beside Status.ini
// (`roms=DIR`, `video=pal|ntsc`), else, where the caller allows it, from the
// search of the places ROMs are installed (rom_set.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "c64/machine/rom_set.h"
#include "c64/machine/video_standard.h"

namespace brimwick::c64 {

// The settings file's keys.
inline constexpr const char* kRomsKey = "roms";
inline constexpr const char* kVideoKey = "video";

struct EmulatedOptions {
    RomChoice roms;     // --roms, --kernal, --basic, --chargen
    bool asIs = false;  // --as-is: the kernal runs unpatched
    std::string video;  // --video: "pal", "ntsc" or "" for the setting
};

// What the emulated C64 starts with.
struct EmulatedStart {
    RomSet roms;                                // the person's ROMs
    std::vector<std::uint8_t> kernal;           // the kernal to run (patched or not)
    std::string how;                            // what was done to the kernal
    VideoStandard standard = VideoStandard::Pal;  // PAL or NTSC
    std::string summary() const;                // one line for the person
};

// The emulated C64's start, or none for the virtual C64; `note` then holds
// the one line saying what was looked for where (empty when nothing was
// looked for). `settingsDirectory` holds the settings file, `linkPath` the
// assembled link kernal. Throws RomError when ROMs were named (by option or
// setting) but cannot be had or patched, or the video standard is unknown:
// nothing is to start then.
std::optional<EmulatedStart> chooseEmulatedC64(const EmulatedOptions& options,
                                               const std::string& settingsDirectory,
                                               const std::string& linkPath, bool search,
                                               std::string& note);

}  // namespace brimwick::c64
