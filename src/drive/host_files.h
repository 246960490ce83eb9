// C64 names on a PC file system. A C64 file GAME of type PRG is the PC file
// game.prg: PETSCII capitals are the letters a C64 user types unshifted, so
// they become lower-case; shifted letters become capitals. Characters that a
// PC file name cannot hold become "~"; "*" stays so that LOAD "GA*" finds a
// file. The PC file system is searched without regard to case, so GAME.PRG,
// game.prg and Game.Prg all answer to LOAD "GAME".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brimwick::drive {

// The extension of each file type, with its dot; types 5..7 have none.
inline constexpr const char* fileTypeExtensions[8] = {".del", ".seq", ".prg", ".usr",
                                                      ".rel", "",     "",     ""};

// One C64 (PETSCII) character as a PC character.
std::uint8_t petsciiToPc(std::uint8_t c);
// One character of a C64 name as a character of a PC file name.
std::uint8_t toHostChar(std::uint8_t c);
// Converts a NUL-terminated C64 name in place.
void toHostName(char* name);
// A converted copy of a C64 name.
std::string toHostName(std::string_view name);

}  // namespace brimwick::drive
