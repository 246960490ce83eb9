// One of the sixteen channels of a drive, addressed by the secondary address
// 0..15. A channel serves a file, the "$" listing or a RAM buffer from OPEN to
// CLOSE; channel 15 is never opened: it takes commands and reports the status.
#pragma once

#include <cstdint>

#include "d64/file_cursor.h"

namespace brimwick::drive {

struct Channel {
    d64::BlockCursor dirCursor;       // walks the directory; stays on the file's entry after OPEN
    d64::FileCursor fileCursor;       // walks the file's block chain
    bool reading = false;             // opened for reading or as a directory (else write/append)
    std::int32_t bufferNumber = 0;    // RAM buffer 1..7 of a "#" channel
    std::int32_t bufferPos = 0;       // position 0..255 in that buffer
    bool isBuffer = false;            // opened with a name beginning "#"
    bool isDirectory = false;         // opened with a name beginning "$"
    bool isOpen = false;              // the channel is open
    bool replacing = false;           // the file written replaces replacedEntry's at CLOSE ("@")
    d64::BlockCursor replacedEntry;   // the entry of the file being replaced
    std::uint16_t replacedStart = 0;  // that entry's first track and sector at the OPEN
};

}  // namespace brimwick::drive
