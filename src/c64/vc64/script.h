// A small script language for driving the virtual C64 against the whole PC
// side, one operation per line, printing one transcript line per operation:
//
//   serve DEV PATH                 serve a device with an image, or a PC
//                                  directory when PATH ends with "/"
//   load DEV "NAME" [SA] [fast] [verify] [> FILE]
//   save DEV "NAME" FILE [fast]     FILE is a C64 program file
//   open LFN DEV SA "NAME"   print LFN "TEXT"   get LFN N   close LFN
//   status DEV   cmd DEV "TEXT"   keys N   ext HEX...   upload
//   exec "STRING"                  (PC side) runs an execute string
//   type "TEXT"                    (PC side) resets the C64 and types TEXT
//   screen                         the 25 rows of the mirrored screen
//
// With the emulated C64 (a whole C64 running the person's ROMs) instead:
//
//   serve, exec, type              as above
//   press "TEXT"                   keys pressed on the C64's keyboard
//                                  (keyboard_matrix.h: {clr}, {f1}, ...)
//   run SECONDS                    C64 time passes (as fast as it can)
//   wait "TEXT" [SECONDS]          until the text screen shows TEXT
//                                  (fails after SECONDS, default 10)
//   screen                         the 25 rows of the text screen
//   screenshot FILE.png            the last frame, border included
//
// The virtual kernal's operations (load, save, open, ...) are refused on
// the emulated C64, and press, run, wait and screenshot on the virtual one.
//
// Quoted names and texts are sent byte for byte; \xNN stands for any byte,
// \r for RETURN, \" for a quote and \\ for a backslash. Blank lines and
// lines starting with "#" are skipped.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "c64/emulated_setup.h"
#include "c64/vc64/virtual_setup.h"

namespace brimwick::c64::vc64 {

// Runs an execute string for `exec`: the shell commands live above the
// link, so whoever runs the script hands them in.
using ExecuteHook = std::function<void(const std::string&)>;

// Runs every line of `script`; returns the number of lines that failed
// (bad syntax, unreadable files, or a protocol error of the PC side).
int runScript(std::istream& script, std::ostream& transcript, VirtualSetup& setup,
              const ExecuteHook& execute = {});

// Runs one line; false when it failed (the transcript says why).
bool runScriptLine(const std::string& line, std::ostream& transcript, VirtualSetup& setup,
                   const ExecuteHook& execute = {});

// The same against the emulated C64.
int runScript(std::istream& script, std::ostream& transcript, EmulatedSetup& setup,
              const ExecuteHook& execute = {});
bool runScriptLine(const std::string& line, std::ostream& transcript, EmulatedSetup& setup,
                   const ExecuteHook& execute = {});

// How long `wait` waits without SECONDS.
inline constexpr double kDefaultWaitSeconds = 10;

}  // namespace brimwick::c64::vc64
