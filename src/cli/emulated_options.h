// The options that put the emulated C64 (the person's own ROMs) on the
// cable instead of the virtual C64, shared by `vc64` and `serve
// --virtual-c64`: --roms DIR, --kernal/--basic/--chargen FILE, --as-is and
// --video pal|ntsc; the window's command line has them too.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>

#include "c64/emulated_choice.h"

namespace brimwick::cli {

// Adds the options to `command`; they fill `options` (the window's command
// line takes them too).
inline void addEmulatedOptions(CLI::App& command, c64::EmulatedOptions& options) {
    command.add_option("--roms", options.roms.directory,
                       "run the emulated C64 with the KERNAL, BASIC and character ROMs in this "
                       "directory (kernal, basic, chargen, as dumps and other emulators name them)");
    command.add_option("--kernal", options.roms.kernal, "the emulated C64's KERNAL ROM file (8 KB)");
    command.add_option("--basic", options.roms.basic, "its BASIC ROM file (8 KB)");
    command.add_option("--chargen", options.roms.characters, "its character ROM file (4 KB)");
    command.add_flag("--as-is", options.asIs,
                     "run the kernal unpatched (without this a stock kernal gets the link kernal "
                     "patched in, in memory)");
    command.add_option("--video", options.video, "pal (default) or ntsc")
        ->check(CLI::IsMember({"pal", "ntsc", "PAL", "NTSC"}));
}


// The emulated C64's start, from the options and the settings file (no
// search of installed ROMs: a script or a served C64 is the virtual one
// unless ROMs are named). Prints the one line on what runs; on an error
// prints it on stderr, prefixed with `command`, and sets `failed`.
std::optional<c64::EmulatedStart> emulatedStart(const c64::EmulatedOptions& options,
                                                const char* command, bool& failed);

// Where the assembled link kernal is (kernels/link.prg in the program directory).
std::string linkKernalPath();

}  // namespace brimwick::cli
