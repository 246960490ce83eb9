// Where Brimwick's files live, split as freedesktop programs split them:
//
//   settings (Status.ini and the text settings beside it)
//       $XDG_CONFIG_HOME/brimwick/          (~/.config/brimwick/)
//   the person's own files (kernels/ks.rom, c64/)
//       $XDG_DATA_HOME/brimwick/            (~/.local/share/brimwick/)
//   the program's own files (kernels/link.prg, register.txt, c64/)
//       PREFIX/share/brimwick/, found from the executable in PREFIX/bin, so
//       a relocated install and the build tree (build/bin, build/share)
//       both find theirs
//   state (the window's trace log when a desktop entry starts it)
//       $XDG_STATE_HOME/brimwick/           (~/.local/state/brimwick/)
//
// BRIMWICK_HOME, when set and not empty, is one directory for the person's
// side (settings and own files: tests, a portable copy); the program's own
// files are still those of the installation. Nothing is ever written beside
// the executable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brimwick::platform {

// The separator between directory names in a path.
inline constexpr char kPathSeparator = '/';

// Name of the environment variable that names the person's one directory.
inline constexpr const char* kHomeVariable = "BRIMWICK_HOME";

// The folder of ours in each base directory, and below PREFIX/share.
inline constexpr const char* kProgramFolder = "brimwick";

// The directory of the running executable itself, ending with the
// separator, whatever BRIMWICK_HOME says: where the program's own files
// (register.txt) are, and what desktop entries must start.
std::string executableDirectory();

// `path` with a separator at its end (unchanged when it has one already).
std::string withTrailingSeparator(std::string path);

// The directory of the running executable, with its separator.
std::string executableDirectory();

// Where Status.ini and the text settings are read and written.
std::string settingsDirectory();
// Where the person's own files (kernels/ks.rom, c64/) are looked up first.
std::string userDataDirectory();
// The installed data directory: PREFIX/share/brimwick/ beside PREFIX/bin.
std::string installedDataDirectory();
// Where state files go (the desktop entries' trace log).
std::string stateDirectory();

// A data file or directory by its path below the data directories: the
// person's when it exists, else the installed one when that exists, else
// the person's (so a message names where it belongs).
std::string findDataFile(std::string_view relativePath);
// The same below the installed data directory only (link.prg, register.txt).
std::string installedDataFile(std::string_view relativePath);

// Takes over the settings an earlier version kept beside the executable:
// each of `names` found there while the settings directory has none of
// them is copied into the settings directory and left where it was. Only
// when BRIMWICK_HOME is not set. Returns the one line that says so, or ""
// when nothing was taken over; a copy that fails is told in the line too.
std::string takeOverEarlierSettings(const std::vector<std::string>& names);

}  // namespace brimwick::platform
