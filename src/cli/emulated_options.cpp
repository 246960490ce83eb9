// The emulated C64's options and the choice they make.
#include "cli/emulated_options.h"

#include <iostream>

#include "platform/file.h"
#include "platform/paths.h"

namespace brimwick::cli {

void addEmulatedOptions(CLI::App& command, c64::EmulatedOptions& options) {
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

std::string linkKernalPath() {
    return platform::programDirectory() + "kernels" + platform::kPathSeparator + "link.prg";
}

std::optional<c64::EmulatedStart> emulatedStart(const c64::EmulatedOptions& options,
                                                const char* command, bool& failed) {
    failed = false;
    std::string note;
    try {
        auto start = c64::chooseEmulatedC64(options, platform::programDirectory(), linkKernalPath(),
                                            false, note);
        if (start) std::cerr << start->summary() << '\n';
        return start;
    } catch (const c64::RomError& e) {
        std::cerr << "brimwick-cli " << command << ": " << e.what() << '\n';
        failed = true;
        return std::nullopt;
    }
}

}  // namespace brimwick::cli
