// Which DOS the drives speak: the original program's answers (the default)
// or a 1541's. With the 1541's, the "$" listing begins with the header line
// (an image's disk name and id; a PC directory's name) and counts an image's
// free blocks without track 18 (664 on a fresh disk), files and directory
// blocks are laid out as a 1541 lays them out (d64/allocation_1541.h: files
// never on track 18, the directory only there, at most 144 files; then
// "72,DISK FULL"), the status texts are the 1541's ("00, OK,00,00") and a
// drive's first status after power-on is "73,CBM DOS V2.6 1541,00,00".
//
// The choice is kept in the text settings file beside Status.ini
// (config/side_settings.h), so Status.ini's fixed layout stays as it is.
#pragma once

#include <string>

namespace brimwick::drive {

enum class DosMode {
    Original,  // the original program's listing and status texts
    C1541,     // a 1541's
};

// "1541" or "original".
const char* dosModeName(DosMode mode);

}  // namespace brimwick::drive
