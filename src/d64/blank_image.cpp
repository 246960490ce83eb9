// Formatting an image the way the drive's "new image" command lays it out.
#include "d64/blank_image.h"

#include <cstring>

#include "d64/bam_view.h"
#include "d64/geometry.h"

namespace brimwick::d64 {

namespace {
constexpr std::int32_t kNameAreaStart = 144;  // disk name, id and DOS type in the BAM
constexpr std::int32_t kNameAreaFill = 368;   // 0xA0 bytes from there (into 18/1)
constexpr std::int32_t kDiskNameLength = 16;  // bytes of the disk name
}  // namespace

void formatBlankImage(std::uint8_t* image) {
    std::memset(image, 0, kImageSize);
    newDirectory(image);
}

void newDirectory(std::uint8_t* image) {
    std::memset(image + kBamOffset, 0, 2 * kBlockSize);
    std::uint8_t* bam = image + kBamOffset;
    bam[0] = kDirectoryTrack;
    bam[1] = 1;
    bam[2] = 0x41;  // DOS version "A"
    std::memset(bam + kNameAreaStart, 0xA0, kNameAreaFill);
    bam[165] = 0x32;  // DOS type "2A"
    bam[166] = 0x41;
    std::memset(bam + 171, 0, 50);

    BamView view(image);
    for (std::int32_t off = 0; off < kImageSize; off += kBlockSize) view.freeBlock(off);
    view.takeBlock(kBamOffset);
    view.takeBlock(kFirstDirOffset);

    std::uint8_t* dir = image + kFirstDirOffset;
    dir[0] = 0;
    dir[1] = 0xFF;
    for (std::int32_t i = 2; i < kBlockSize; i += 16) dir[i] = 0;
}

void writeDiskHeader(std::uint8_t* image, std::string_view name, std::string_view id) {
    std::uint8_t* bam = image + kBamOffset;
    for (std::int32_t i = 0; i < kDiskNameLength; ++i)
        bam[kNameAreaStart + i] = static_cast<std::size_t>(i) < name.size()
                                      ? static_cast<std::uint8_t>(name[static_cast<std::size_t>(i)])
                                      : 0xA0;
    if (id.empty()) return;
    for (std::size_t i = 0; i < kIdLength; ++i)
        bam[kDiskIdOffset + static_cast<std::int32_t>(i)] =
            i < id.size() ? static_cast<std::uint8_t>(id[i]) : 0xA0;
}

}  // namespace brimwick::d64
