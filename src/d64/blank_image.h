// The content of a freshly formatted disk image: BAM with every block free but
// track 18 sectors 0 and 1, an empty disk name, DOS type "2A", and one empty
// directory block.
#pragma once

#include <cstdint>

namespace brimwick::d64 {

// Formats the 174848-byte image in place. Blocks outside track 18 sectors 0
// and 1 are zeroed.
void formatBlankImage(std::uint8_t* image);

}  // namespace brimwick::d64
