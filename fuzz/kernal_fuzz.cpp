// Feeds arbitrary 8 KB images to the kernal patcher (a person's own file, or
// what a C64 sends the RAM kernal loader's way), makes the RAM copy of what
// it patched, and runs the emulated C64 on whatever comes out, patched or
// not, for a while: recognition, the moving of routine starts, the search
// for the RAM copy's places and the 6510 must cope with any bytes. The seed
// is the tests' stand-in kernal.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "c64/machine/emulated_c64.h"
#include "c64/kernal/kernal_patcher.h"
#include "c64/kernal/ram_kernal.h"

namespace {

using namespace brimwick::c64;

constexpr int kLinkCodeSize = 200;   // a made-up link kernal of this size
constexpr int kRunCycles = 20'000;   // how long the C64 runs the image

// A link kernal program with a valid table whose hooks point into its own
// (empty) code.
std::vector<std::uint8_t> fakeLinkProgram() {
    std::vector<std::uint8_t> prg = {kLinkAreaStart & 0xFF, kLinkAreaStart >> 8};
    std::vector<std::uint8_t> code(kLinkCodeSize, 0xEA);
    auto putWord = [&](int offset, int value) {
        code[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(value & 0xFF);
        code[static_cast<std::size_t>(offset) + 1] = static_cast<std::uint8_t>(value >> 8);
    };
    for (std::size_t i = 0; i < kLinkMagic.size(); ++i) code[kLinkMagicOffset + i] = kLinkMagic[i];
    code[kLinkVersionOffset] = kLinkVersion;
    int hooks = static_cast<int>(kCodeHooks.size() + kVectorHooks.size());
    for (int i = 0; i < hooks; ++i) {
        putWord(kLinkHooksOffset + kLinkHookSize * i, kLinkAreaStart + 100 + 3 * i);
        putWord(kLinkHooksOffset + kLinkHookSize * i + 2, kLinkAreaStart + 101 + 3 * i);
    }
    putWord(kLinkCodeEndOffset, kLinkAreaStart + kLinkCodeSize);
    prg.insert(prg.end(), code.begin(), code.end());
    return prg;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<std::uint8_t> link = fakeLinkProgram();
    std::vector<std::uint8_t> image(data, data + size);
    if (image.size() > static_cast<std::size_t>(kKernalImageSize)) image.resize(kKernalImageSize);
    try {
        image = patchKernal(image, link);
        image = ramKernal(image);
    } catch (const PatchError&) {
    }
    EmulatedC64 c64;
    c64.powerOn(image);
    c64.run(kRunCycles);
    return 0;
}
