// Puts the link kernal into a person's own C64 kernal image. The image is
// recognised by its structure, not by checksums: the jump table at
// $FF81-$FFF3, where RESTOR finds the default I/O vectors, the ST routine at
// $FE1C, LISTEN and TALK sharing their code, and the datasette routines with
// their interrupt table. The patch copies the link kernal over the datasette
// routines, hooks each serial-bus routine and the keyboard scan with a JMP
// where the jump table leads (the instructions it covers move to a
// trampoline, which is where the hook passes through to), and points the
// default OPEN, LOAD and SAVE vectors at the link kernal.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "c64/kernal/kernal_layout.h"

namespace brimwick::c64 {

// Why an image cannot be patched.
class PatchError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What the patcher found in a stock kernal.
struct KernalStructure {
    std::array<std::uint16_t, kIoVectorCount> vectors{};  // default I/O vectors
    std::uint16_t vectorTable = 0;                        // where RESTOR copies them from
    std::array<std::uint16_t, kCodeHooks.size()> routines{};  // where each hooked entry leads
};

// Recognises a stock C64 kernal; throws PatchError naming what is missing.
KernalStructure recogniseKernal(const std::vector<std::uint8_t>& image);

// True when `image` already holds the link kernal.
bool isLinkKernal(const std::vector<std::uint8_t>& image);

// The patched image. `linkProgram` is the assembled link kernal as a C64
// program file (load address first). Throws PatchError.
std::vector<std::uint8_t> patchKernal(const std::vector<std::uint8_t>& stock,
                                      const std::vector<std::uint8_t>& linkProgram);

}  // namespace brimwick::c64
