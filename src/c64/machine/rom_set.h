// The person's own C64 ROMs: the KERNAL (8 KB, $E000-$FFFF), BASIC (8 KB,
// $A000-$BFFF) and the character ROM (4 KB). Brimwick ships none; they are
// found at run time by the names ROM dumps and other emulators give them:
// "kernal", "basic", "chargen" or "characters", bare or followed by a
// separator and more (a chip number such as kernal-901227-03.bin, a
// variant such as basic_generic.rom), with ".bin", ".rom" or no extension,
// in any case. A file of the wrong size is not taken.
//
// Where a directory holds several kernals the C64's last revision comes
// first (901227-03, then -02, then -01, then one without a number); a file
// whose name carries another machine's chip number (the SX-64's 251104-04,
// the Japanese 906145-02, the C64 GS's 390852-01, ...) is never taken from
// a directory: name it by file (--kernal) to run it.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace brimwick::c64 {

inline constexpr std::size_t kKernalRomBytes = 0x2000;
inline constexpr std::size_t kBasicRomBytes = 0x2000;
inline constexpr std::size_t kCharacterRomBytes = 0x1000;

// The environment variable that switches the search of installed ROMs off
// (any non-empty value); the tests always set it.
inline constexpr const char* kNoRomSearchVariable = "BRIMWICK_NO_ROM_SEARCH";

// A ROM that was asked for and cannot be had: the message names the file
// or directory and why.
class RomError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct RomSet {
    std::vector<std::uint8_t> kernal;      // 8 KB
    std::vector<std::uint8_t> basic;       // 8 KB
    std::vector<std::uint8_t> characters;  // 4 KB
    std::string kernalPath;                // where each came from
    std::string basicPath;
    std::string charactersPath;
};

// What the person asked for: a directory and/or single files (empty when
// not given).
struct RomChoice {
    std::string directory;   // --roms DIR
    std::string kernal;      // --kernal FILE
    std::string basic;       // --basic FILE
    std::string characters;  // --chargen FILE

    bool explicitlyGiven() const { return !directory.empty() || !kernal.empty(); }
};

// The directories searched when no ROMs are named, in order:
// $XDG_DATA_HOME/brimwick/roms (~/.local/share/brimwick/roms) and where
// Linux installs of other C64 emulators keep them.
std::vector<std::string> romSearchDirectories();
// True unless kNoRomSearchVariable is set.
bool romSearchEnabled();

// The best file of each kind in `directory` (empty strings for kinds not
// found); never throws.
RomChoice romsInDirectory(const std::string& directory);

// The ROMs `choice` names, each single file taking the place of the
// directory's: throws RomError naming the missing or unrecognised file.
RomSet loadRoms(const RomChoice& choice);

// The first of `directories` that holds all three (with the files `choice`
// names taking their place), or none; `lookedFor` then says in one line
// what was looked for where.
std::optional<RomSet> searchRoms(const RomChoice& choice, const std::vector<std::string>& directories,
                                 std::string& lookedFor);

}  // namespace brimwick::c64
