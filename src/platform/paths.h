// Where Brimwick's own files live: the path separator of this platform and
// the program directory, under which Status.ini, kernels/ and c64/ are found.
#pragma once

#include <string>

namespace brimwick::platform {

// The separator between directory names in a path.
inline constexpr char kPathSeparator = '/';

// Name of the environment variable that overrides the program directory.
inline constexpr const char* kHomeVariable = "BRIMWICK_HOME";

// The directory of the running executable, ending with the separator; the
// environment variable BRIMWICK_HOME, when set and not empty, overrides it
// (tests and installed copies point it elsewhere).
std::string programDirectory();

// The directory of the running executable itself, ending with the
// separator, whatever BRIMWICK_HOME says: where the program's own files
// (register.txt) are, and what desktop entries must start.
std::string executableDirectory();

// `path` with a separator at its end (unchanged when it has one already).
std::string withTrailingSeparator(std::string path);

}  // namespace brimwick::platform
