// The kernal stream of request 255.
#include "link/kernal_upload.h"

#include <vector>

#include "platform/file.h"
#include "platform/paths.h"
#include "platform/trace_log.h"

namespace brimwick::link {

namespace {
// No kernal image is near this size; a larger file is not a kernal.
constexpr std::size_t kLargestKernal = 1 << 20;
}  // namespace

void uploadKernal(LinkPort& link, const std::string& programDirectory) {
    std::string path = platform::withTrailingSeparator(programDirectory) + kKernalDirectory +
                       platform::kPathSeparator + kKernalFile;
    std::vector<std::uint8_t> image;
    try {
        image = platform::readFile(path, kLargestKernal);
    } catch (const platform::FileError&) {
        platform::traceLog() << "\n ERROR reading rom";
        return;
    }
    for (std::uint8_t b : image) link.sendByte(b);
}

}  // namespace brimwick::link
