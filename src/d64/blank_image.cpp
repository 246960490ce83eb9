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
constexpr std::uint8_t kShiftedSpace = 0xA0;
constexpr std::uint8_t kDoubleSided = 0x80;   // 18/0 byte 3 of a D71

// A D81's header and BAM blocks.
constexpr std::uint8_t kD81Version = 0x44;      // "D"
constexpr std::uint8_t kD81VersionCheck = 0xBB; // in the BAM blocks: the version's complement
constexpr std::uint8_t kD81IoByte = 0xC0;       // in the BAM blocks: verify on, check headers
constexpr std::int32_t kD81BamIdAt = 4;         // in the BAM blocks: a copy of the id
constexpr std::int32_t kD81HeaderFill = 0x1D;   // header bytes 0x04..0x1C: name, id, "3D"

// Clears the header block and the `blocks` - 1 blocks after it, and writes
// the link to the directory and the DOS version; the header block.
std::uint8_t* clearedHeader(std::uint8_t* image, const DiskFormat& format, std::int32_t blocks,
                            std::uint8_t version) {
    std::uint8_t* head = image + format.headerOffset();
    std::memset(head, 0, static_cast<std::size_t>(blocks * kBlockSize));
    head[0] = static_cast<std::uint8_t>(format.directoryTrack);
    head[1] = static_cast<std::uint8_t>(format.firstDirectorySector);
    head[2] = version;
    return head;
}

void newDirectoryD64(std::uint8_t* image, const DiskFormat& format) {
    std::uint8_t* bam = clearedHeader(image, format, 2, 0x41);  // DOS version "A"
    std::memset(bam + kNameAreaStart, kShiftedSpace, kNameAreaFill);
    bam[165] = 0x32;  // DOS type "2A"
    bam[166] = 0x41;
    std::memset(bam + 171, 0, 50);
    if (format.kind == DiskKind::D71) {
        bam[3] = kDoubleSided;
        std::memset(bam + 221, 0, kBlockSize - 221);  // the second side's free counts
        std::memset(image + format.offsetOf(format.bamTrack, 0), 0, kBlockSize);
    }
}

void newDirectoryD81(std::uint8_t* image, const DiskFormat& format) {
    // The header, the two BAM blocks and the first directory block.
    std::uint8_t* head = clearedHeader(image, format, 4, kD81Version);
    std::memset(head + format.nameAt, kShiftedSpace, kD81HeaderFill - format.nameAt);
    head[format.idAt + 3] = '3';  // DOS type "3D"
    head[format.idAt + 4] = 'D';
    for (std::int32_t b = 1; b <= 2; ++b) {
        std::uint8_t* bam = head + b * kBlockSize;
        bam[0] = b == 1 ? static_cast<std::uint8_t>(format.directoryTrack) : 0;
        bam[1] = b == 1 ? 2 : 0xFF;
        bam[2] = kD81Version;
        bam[3] = kD81VersionCheck;
        bam[kD81BamIdAt] = kShiftedSpace;
        bam[kD81BamIdAt + 1] = kShiftedSpace;
        bam[6] = kD81IoByte;
    }
}

}  // namespace

void formatBlankImage(std::uint8_t* image, const DiskFormat& format) {
    std::memset(image, 0, static_cast<std::size_t>(format.imageSize()));
    newDirectory(image, format);
}

void newDirectory(std::uint8_t* image, const DiskFormat& format) {
    if (format.kind == DiskKind::D81)
        newDirectoryD81(image, format);
    else
        newDirectoryD64(image, format);

    BamView view(image, format);
    for (std::int32_t off = 0; off < format.imageSize(); off += kBlockSize) view.freeBlock(off);
    for (std::int32_t s = 0; s <= format.firstDirectorySector; ++s)
        view.takeBlock(format.offsetOf(format.directoryTrack, s));
    if (format.bamTrack != 0)
        for (std::int32_t s = 0; s < format.sectorsOnTrack(format.bamTrack); ++s)
            view.takeBlock(format.offsetOf(format.bamTrack, s));

    std::uint8_t* dir = image + format.firstDirectoryOffset();
    dir[0] = 0;
    dir[1] = 0xFF;
    for (std::int32_t i = 2; i < kBlockSize; i += 16) dir[i] = 0;
}

void writeDiskHeader(std::uint8_t* image, std::string_view name, std::string_view id,
                     const DiskFormat& format) {
    std::uint8_t* head = image + format.headerOffset();
    for (std::int32_t i = 0; i < kDiskNameLength; ++i)
        head[format.nameAt + i] = static_cast<std::size_t>(i) < name.size()
                                      ? static_cast<std::uint8_t>(name[static_cast<std::size_t>(i)])
                                      : kShiftedSpace;
    if (id.empty()) return;
    for (std::size_t i = 0; i < kIdLength; ++i) {
        auto b = i < id.size() ? static_cast<std::uint8_t>(id[i]) : kShiftedSpace;
        head[format.idAt + static_cast<std::int32_t>(i)] = b;
        // A 1581 keeps a copy of the id in each BAM block.
        if (format.kind == DiskKind::D81)
            for (std::int32_t block = 1; block <= 2; ++block)
                head[block * kBlockSize + kD81BamIdAt + static_cast<std::int32_t>(i)] = b;
    }
}

}  // namespace brimwick::d64
