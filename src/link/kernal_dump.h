// A C64's own kernal ROM, sent by the RAM kernal loader (request 254) on a
// stock C64 that has no link kernal yet. The C64 sends the 8192 bytes of
// $E000-$FFFF with no count or address before them; the PC patches them,
// keeps the result as kernels/ks.rom (which request 255 then sends back),
// and answers with one length byte and that many bytes:
//
//   served (64):   address low, address high, value for each byte in which
//                  the RAM copy of the kernal differs from ks.rom;
//   refused (65):  a text for the C64's screen saying why (a kernal the
//                  patcher does not recognise, ks.rom not writable...).
//
// The patching itself belongs to the C64 side of Brimwick; whoever builds
// the dispatcher hands it in.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/link_port.h"

namespace brimwick::link {

// The bytes the C64 sends: its kernal ROM.
inline constexpr int kKernalDumpSize = 0x2000;
// The most bytes the answer's length byte can announce.
inline constexpr int kLongestDumpAnswer = 255;

// What the PC makes of a dumped kernal.
struct PreparedKernal {
    std::vector<std::uint8_t> image;     // the patched kernal, kept as kernels/ks.rom
    std::vector<std::uint8_t> ramFixes;  // address low, high, value per byte of the RAM copy
};

// Patches a dumped kernal; throws std::exception saying why it cannot.
// The second argument is the program directory (where kernels/ is).
using KernalPreparer =
    std::function<PreparedKernal(const std::vector<std::uint8_t>&, const std::string&)>;

// Serves request 254 to its end (64 or 65).
void answerKernalDump(LinkPort& link, const std::string& programDirectory,
                      const KernalPreparer& prepare);

// The reason as the C64 shows it: upper-case letters, at most
// kLongestDumpAnswer characters.
std::vector<std::uint8_t> screenText(const std::string& text);

}  // namespace brimwick::link
