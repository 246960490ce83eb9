// The PC's work on a kernal that a C64 sends from its ROM (the RAM kernal
// loader's request): the link kernal patched into it and the bytes that make
// its copy run from RAM. The dispatcher of every PC side that serves a C64
// (serve, the window, the virtual and the emulated C64) is given this.
#pragma once

#include <string>
#include <vector>

#include "link/kernal_dump.h"
#include "link/request_dispatcher.h"

namespace brimwick::c64 {

// The assembled link kernal and RAM kernal loader in kernels/.
inline constexpr const char* kLinkProgramFile = "link.prg";
inline constexpr const char* kRamLoaderFile = "ram_loader.prg";

// The file `name` in kernels/ of `programDirectory`.
std::string kernelsPath(const std::string& programDirectory, const char* name);

// Patches `stock` with kernels/link.prg of `programDirectory`; throws
// PatchError or platform::FileError.
link::PreparedKernal prepareDumpedKernal(const std::vector<std::uint8_t>& stock,
                                         const std::string& programDirectory);

// Lets `dispatcher` answer kernal dumps with prepareDumpedKernal.
void answerKernalDumps(link::RequestDispatcher& dispatcher);

}  // namespace brimwick::c64
