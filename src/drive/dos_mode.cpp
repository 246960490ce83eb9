// Dos.ini: one line, "dos=1541" or "dos=original".
#include "drive/dos_mode.h"

#include "platform/file.h"
#include "platform/paths.h"

namespace brimwick::drive {

namespace {

constexpr std::size_t kLongestFile = 256;  // Dos.ini is one short line
constexpr const char* kKey = "dos=";

std::string pathIn(const std::string& programDirectory) {
    return platform::withTrailingSeparator(programDirectory) + kDosModeFileName;
}

}  // namespace

const char* dosModeName(DosMode mode) {
    return mode == DosMode::C1541 ? "1541" : "original";
}

DosMode readDosMode(const std::string& programDirectory) {
    std::string text;
    try {
        std::vector<std::uint8_t> bytes = platform::readFile(pathIn(programDirectory), kLongestFile);
        text.assign(bytes.begin(), bytes.end());
    } catch (const platform::FileError&) {
        return DosMode::Original;
    }
    return text.rfind(std::string(kKey) + "1541", 0) == 0 ? DosMode::C1541 : DosMode::Original;
}

bool writeDosMode(const std::string& programDirectory, DosMode mode, std::string& failure) {
    std::string text = std::string(kKey) + dosModeName(mode) + "\n";
    try {
        if (!programDirectory.empty()) platform::createDirectory(programDirectory);
        platform::writeFileAtomically(pathIn(programDirectory), text.data(), text.size());
    } catch (const platform::FileError& e) {
        failure = e.message();
        return false;
    }
    return true;
}

}  // namespace brimwick::drive
