// The 1541's VALIDATE: the BAM made anew from what the directory says. Every
// block is freed, then the BAM block, the directory chain and the chain of
// every closed file (with the side sectors of a REL file) are taken again.
// Files that were never closed ("*" in the listing: a SAVE cut off, a C64
// switched off while writing) are removed from the directory; their blocks
// become free. Blocks that no file reaches (left by a scratched file whose
// chain was damaged, for instance) become free as well.
#pragma once

#include <cstdint>

#include "d64/disk_format.h"

namespace brimwick::d64 {

// Validates the image in place. A damaged directory or file chain throws its
// drive error ("52,LOOPING BLOCK CHAINING", "66,ILLEGAL TRACK AND SECTOR")
// and leaves the image as it was.
void validateImage(std::uint8_t* image, const DiskFormat& format = kD64Format);

}  // namespace brimwick::d64
