// Sending the modified kernal to the C64. A C64 that starts with the link
// kernal's small loader asks for the rest with request 255 and takes the
// bytes of kernels/ks.rom in order, with no count or address before them.
#pragma once

#include <string>

#include "link/link_port.h"

namespace brimwick::link {

// Directory (below the program directory) and name of the kernal image.
inline constexpr const char* kKernalDirectory = "kernels";
inline constexpr const char* kKernalFile = "ks.rom";

// Streams the kernal image; a missing or unreadable file, or one larger
// than the C64's 64 KB, is logged and nothing is sent.
void uploadKernal(LinkPort& link, const std::string& programDirectory);

}  // namespace brimwick::link
