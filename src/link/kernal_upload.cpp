// The kernal stream of request 255.
#include "link/kernal_upload.h"

#include <vector>

#include "platform/file.h"
#include "platform/paths.h"
#include "platform/trace_log.h"

namespace brimwick::link {

namespace {
// The C64 has 64 KB: a larger file is no kernal image, and a part of it
// would be one only by chance.
constexpr std::size_t kLargestKernal = 0x10000;
}  // namespace

void uploadKernal(LinkPort& link, const std::string& programDirectory) {
    std::string path = platform::withTrailingSeparator(programDirectory) + kKernalDirectory +
                       platform::kPathSeparator + kKernalFile;
    std::vector<std::uint8_t> image;
    bool readable = true;
    try {
        image = platform::readFile(path, kLargestKernal + 1);
    } catch (const platform::FileError&) {
        readable = false;
    }
    if (!readable || image.size() > kLargestKernal) {
        platform::traceLog() << "\n ERROR reading rom";
        return;
    }
    for (std::uint8_t b : image) link.sendByte(b);
}

}  // namespace brimwick::link
