// The emulated C64's options and the choice they make.
#include "cli/emulated_options.h"

#include <iostream>

#include "platform/file.h"
#include "platform/paths.h"

namespace brimwick::cli {

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
