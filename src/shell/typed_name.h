// Whether a file's name may be typed into the C64. The shell commands type
// LOAD commands and TurboAss key commands holding a file's name; the C64
// takes every typed byte as a key. A carriage return in a Linux file name
// would end the line and run the rest as a BASIC command of its own
// (`x<RETURN>@s:*<RETURN>.prg` scratches every file of the served
// directory), a quote would end the name, and a control byte would move the
// cursor, change colours or press a function key. A logical line of the
// C64's screen editor holds 80 characters: a longer typed line is split, and
// its overflow runs as a command of its own. So a name is typed only when
// every byte of it reaches the drive as the character of the C64 name it
// stands for, and every typed line fits into one logical line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brimwick::shell {

// Characters in one logical line of the C64's screen editor (two rows).
inline constexpr std::size_t kLogicalLineLength = 80;

// Why `name` cannot be typed as the C64 name of the PC file it comes from,
// or nothing when it can.
std::optional<std::string> untypeableName(std::string_view name);

// Why `text` (lines ended by carriage returns, typed after `before`, the
// reset sequence) cannot be typed line by line, or nothing when it can.
std::optional<std::string> untypeableLines(std::string_view text, std::string_view before);

// A path or name as a person can read it in one line: shown as it is unless
// it holds control bytes, then with \r, \\ and \xNN escapes.
std::string displayName(std::string_view name);

}  // namespace brimwick::shell
