// The content of a freshly formatted disk image: BAM with every block free but
// track 18 sectors 0 and 1, an empty disk name, DOS type "2A", and one empty
// directory block.
//
// The 1541's NEW command has two forms: "N:NAME,ID" formats the whole disk
// (every block written afresh, a new id), "N:NAME" only writes a new BAM and
// an empty directory and keeps the id, so the old data blocks stay as they
// were but belong to no file.
#pragma once

#include <cstdint>
#include <string_view>

namespace brimwick::d64 {

// Formats the 174848-byte image in place. Blocks outside track 18 sectors 0
// and 1 are zeroed.
void formatBlankImage(std::uint8_t* image);

// A new BAM (every block free but track 18 sectors 0 and 1, disk name and id
// cleared) and one empty directory block; the other blocks are not touched.
void newDirectory(std::uint8_t* image);

// The length of a disk id, and where it stands in the BAM block.
inline constexpr std::size_t kIdLength = 2;
inline constexpr std::int32_t kDiskIdOffset = 162;

// Writes the disk name (at most 16 bytes, padded with shifted spaces) into
// the BAM, and the id (at most two bytes) unless `id` is empty.
void writeDiskHeader(std::uint8_t* image, std::string_view name, std::string_view id);

}  // namespace brimwick::d64
