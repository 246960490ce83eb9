// Telling an image file's format by its size.
#include "d64/disk_format.h"

namespace brimwick::d64 {

const DiskFormat* formatForImageFileSize(std::int64_t length) {
    if (isImageFileSize(length)) return &kD64Format;
    for (const DiskFormat* format : kDiskFormats)
        for (std::int32_t size : format->imageFileSizes)
            if (length == size) return format;
    return nullptr;
}

}  // namespace brimwick::d64
