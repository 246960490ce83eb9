// The settings that Status.ini's fixed 620-byte record has no room for, kept
// in a small text file of ours beside it: one "key=value" line each (the
// drives' DOS today). Lines this version does not know, and comments, are
// kept as they are when the file is written again, so an older and a newer
// Brimwick can share one file without losing each other's settings.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drive/dos_mode.h"

namespace brimwick::config {

// The file's name, beside Status.ini.
inline constexpr const char* kSideSettingsFileName = "Dos.ini";
// Longer files are not ours: reading one is refused.
inline constexpr std::size_t kSideSettingsLimit = 64 * 1024;
// The key of the drives' DOS ("1541" or "original").
inline constexpr const char* kDosKey = "dos";

// The file's lines in their order.
class SideSettings {
  public:
    // The settings stored in `directory`; none when it holds no such file.
    // Throws platform::FileError when the file is there but cannot be read
    // (or is too long), so that nothing writes over what it could not read.
    static SideSettings read(const std::string& directory);
    // The same from the file's text.
    static SideSettings parse(std::string_view text);

    // The value of `key` (its last line), without the spaces around it.
    std::optional<std::string> get(std::string_view key) const;
    // Sets `key` (replacing its line, or adding one at the end).
    void set(std::string_view key, std::string_view value);
    // Removes every line of `key`.
    void erase(std::string_view key);

    // The file's text: each line as it was read, changed lines replaced.
    std::string text() const;
    // Writes the file into `directory` whole; false with `failure` saying
    // which file and why when it could not be written.
    bool write(const std::string& directory, std::string& failure) const;

  private:
    struct Line {
        std::string key;   // the setting's name; empty for a comment or a line we keep as read
        std::string text;  // the value, or the whole line when key is empty
    };
    std::vector<Line> lines_;  // in the file's order
};

// The file's path in `directory`.
std::string sideSettingsPath(const std::string& directory);

// The drives' DOS stored in `directory`; Original when the file is missing,
// unreadable or names no mode.
drive::DosMode readDosMode(const std::string& directory);
// Stores the DOS, keeping the file's other lines; false with `failure`
// saying why when the file could not be read or written.
bool writeDosMode(const std::string& directory, drive::DosMode mode, std::string& failure);

}  // namespace brimwick::config
