// Patching a dumped kernal for its RAM copy.
#include "c64/kernal/kernal_preparer.h"

#include "c64/kernal/kernal_patcher.h"
#include "c64/kernal/ram_kernal.h"
#include "link/kernal_upload.h"
#include "platform/file.h"
#include "platform/paths.h"

namespace brimwick::c64 {

namespace {
constexpr std::size_t kLargestLinkProgram = 1 << 16;
}  // namespace

std::string kernelsPath(const std::string& programDirectory, const char* name) {
    return platform::withTrailingSeparator(programDirectory) + link::kKernalDirectory +
           platform::kPathSeparator + name;
}

link::PreparedKernal prepareDumpedKernal(const std::vector<std::uint8_t>& stock,
                                         const std::string& programDirectory) {
    std::vector<std::uint8_t> linkProgram =
        platform::readFile(kernelsPath(programDirectory, kLinkProgramFile), kLargestLinkProgram);
    link::PreparedKernal prepared;
    prepared.image = patchKernal(stock, linkProgram);
    for (const RamFix& fix : ramKernalFixes(prepared.image)) {
        prepared.ramFixes.push_back(static_cast<std::uint8_t>(fix.address & 0xFF));
        prepared.ramFixes.push_back(static_cast<std::uint8_t>(fix.address >> 8));
        prepared.ramFixes.push_back(fix.value);
    }
    return prepared;
}

void answerKernalDumps(link::RequestDispatcher& dispatcher) {
    dispatcher.prepareKernal = prepareDumpedKernal;
}

}  // namespace brimwick::c64
