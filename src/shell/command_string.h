// An execute string cut into the values the shell commands work with. The
// desktop hands over "CODE" + path when a file is opened: L___ and the path of
// a program file, ID__ and the path of a D64 image, and so on. The values are
// cut from the string as it came, character for character: nothing is
// unquoted or trimmed, and the name of the file is taken from the whole
// string, so a string without any '/' makes the code part of the name.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace brimwick::shell {

// The longest execute string taken: longer ones are refused whole, never cut
// (a cut "CT__D/dump.bin.new" would convert dump.bin instead).
inline constexpr std::size_t kExecuteStringLimit = 519;
// Characters of the command code at the start of the string.
inline constexpr std::size_t kCodeLength = 4;

struct CommandString {
    std::string text;          // the whole string, as taken
    std::string code;          // its first four characters, compared case-sensitively
    std::string fullArgument;  // everything after the code: the file's path
    std::string rawExtension;  // the string's last four characters as they came
    std::string extension;     // the same folded to lower case (".prg")
    bool programFile = false;  // the extension is ".prg" or ".154"
    // The file's directory with its trailing '/' for a program file (which is
    // served as a PC directory), the path itself for any other file.
    std::string argument;
    std::string name4;     // the file name without its last four characters
    std::string baseName;  // the file name up to its last '.'
};

// Why an execute string is refused before it is cut into values (too
// long, a NUL inside, shorter than a code), or nothing when it is taken.
std::optional<std::string> executeStringFault(std::string_view text);

// Cuts a (taken) execute string into its values.
CommandString parseCommandString(std::string_view text);

// The string with a relative path made absolute from the working
// directory: a running instance works in a directory of its own.
std::string withAbsolutePath(const std::string& text);

// The directory of a path with its trailing '/', "" when it has none.
std::string directoryOf(std::string_view path);

}  // namespace brimwick::shell
