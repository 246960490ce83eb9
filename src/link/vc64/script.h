// A small script language for driving the virtual C64 against the whole PC
// side, one operation per line, printing one transcript line per operation:
//
//   serve DEV PATH                 serve a device with an image, or a PC
//                                  directory when PATH ends with "/"
//   load DEV "NAME" [SA] [fast] [verify] [> FILE]
//   save DEV "NAME" FILE [fast]     FILE is a C64 program file
//   open LFN DEV SA "NAME"   print LFN "TEXT"   get LFN N   close LFN
//   status DEV   cmd DEV "TEXT"   keys N   ext HEX...   upload
//
// Quoted names and texts are sent byte for byte; \xNN stands for any byte,
// \" for a quote and \\ for a backslash. Blank lines and lines starting with
// "#" are skipped.
#pragma once

#include <iosfwd>
#include <string>

#include "link/vc64/virtual_setup.h"

namespace brimwick::link::vc64 {

// Runs every line of `script`; returns the number of lines that failed
// (bad syntax, unreadable files, or a protocol error of the PC side).
int runScript(std::istream& script, std::ostream& transcript, VirtualSetup& setup);

// Runs one line; false when it failed (the transcript says why).
bool runScriptLine(const std::string& line, std::ostream& transcript, VirtualSetup& setup);

}  // namespace brimwick::link::vc64
