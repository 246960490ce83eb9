// The content of a freshly formatted disk image. A D64: BAM with every block
// free but track 18 sectors 0 and 1, an empty disk name, DOS type "2A", and
// one empty directory block. A D71 is the same with the double-sided flag
// and the second side in the BAM (all of track 53 kept for its BAM block, as
// a 1571 formats it). A D81: the header block 40/0 (DOS type "3D"), the BAM
// blocks 40/1 and 40/2 and the empty directory block 40/3, all four in use.
//
// The drives' NEW command has two forms: "N:NAME,ID" formats the whole disk
// (every block written afresh, a new id), "N:NAME" only writes a new BAM and
// an empty directory and keeps the id, so the old data blocks stay as they
// were but belong to no file.
#pragma once

#include <cstdint>
#include <string_view>

#include "d64/disk_format.h"

namespace brimwick::d64 {

// Formats the image (format.imageSize() bytes) in place. Blocks other than
// the header, BAM and first directory blocks are zeroed.
void formatBlankImage(std::uint8_t* image, const DiskFormat& format = kD64Format);

// A new BAM (every block free but the header, BAM and first directory
// blocks; disk name and id cleared) and one empty directory block; the other
// blocks are not touched.
void newDirectory(std::uint8_t* image, const DiskFormat& format = kD64Format);

// The length of a disk id, and where it stands in a D64's BAM block.
inline constexpr std::size_t kIdLength = 2;
inline constexpr std::int32_t kDiskIdOffset = 162;

// Writes the disk name (at most 16 bytes, padded with shifted spaces) into
// the header, and the id (at most two bytes) unless `id` is empty.
void writeDiskHeader(std::uint8_t* image, std::string_view name, std::string_view id,
                     const DiskFormat& format = kD64Format);

}  // namespace brimwick::d64
