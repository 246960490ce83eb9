// PC64 files: one C64 file in one PC file that keeps the C64's own name. A
// PC file name cannot hold every C64 name ("/", "*", "?", characters a PC
// would change), so the PC64 file begins with a 26-byte header: "C64File"
// and a 0 byte, the 16-byte C64 name padded with $00 (or $A0), a 0 byte and
// the record length of a REL file; the file's data follow from byte 26. The
// extension gives the type, P00 for a PRG (S00 SEQ, U00 USR, R00 REL), its
// number telling apart PC names that two C64 names would share (P01, ...).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace brimwick::drive {

inline constexpr std::size_t kPc64HeaderSize = 26;  // before the data
inline constexpr int kPc64Numbers = 100;            // extensions .p00 to .p99

// The C64 file type that a PC64 extension names (".p07" is PRG), or -1 when
// `pcName` has no PC64 extension.
int pc64TypeOfName(const std::string& pcName);

// The C64 name in a PC64 header (without its padding), or nothing when the
// bytes are no PC64 header.
std::optional<std::string> pc64NameOf(std::span<const std::uint8_t> header);

// The header of a PC64 file holding the C64 file `name` (its first 16 bytes).
std::vector<std::uint8_t> pc64Header(const std::string& name);

// The drive option, kept beside the DOS option ("drive.8.format=p00"):
// the key for device `device` and the value that turns it on.
std::string pc64OptionKey(int device);
inline constexpr const char* kPc64OptionValue = "p00";

// The PC name of a new PC64 file for the C64 file `name` of `type`, with
// extension number `number`: the name made a safe PC name ("a/b" becomes
// "a_b.p00").
std::string pc64FileName(const std::string& name, int type, int number);

// True when a C64 name matches a C64 pattern ("*" and "?").
bool c64NameMatches(const std::string& name, const std::string& pattern);

}  // namespace brimwick::drive
