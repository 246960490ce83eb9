// VALIDATE on a copy of the image: only a walk that reached every chain's end
// is written back, so a damaged disk is never made worse.
#include "d64/validate.h"

#include <cstring>
#include <vector>

#include "d64/bam_view.h"
#include "d64/block_cursor.h"
#include "d64/file_cursor.h"
#include "d64/file_types.h"

namespace brimwick::d64 {

namespace {

constexpr std::int32_t kSideSectorTrack = 21;  // entry byte: first side sector of a REL file

// Takes every block of the chain that starts at track/sector `track`, `sector`.
void takeChain(std::uint8_t* image, BamView& bam, std::int32_t track, std::int32_t sector) {
    BlockCursor first;
    first.toOffset(track, sector);
    FileCursor walk(image);
    walk.openAt(first.offset);
    do {
        bam.takeBlock(walk.offset);
    } while (walk.followLink() != kEndOfChain);
}

}  // namespace

void validateImage(std::uint8_t* image) {
    std::vector<std::uint8_t> work(image, image + kImageSize);
    std::uint8_t* copy = work.data();
    BamView bam(copy);
    for (std::int32_t off = 0; off < kImageSize; off += kBlockSize) bam.freeBlock(off);
    bam.takeBlock(kBamOffset);

    BlockCursor dir(copy);
    dir.rewind();
    while (dir.nextEntry() != kEndOfChain) {
        if (dir.pos == 0) bam.takeBlock(dir.offset);  // a new directory block
        std::uint8_t type = dir.entryType();
        if (type == 0) continue;
        if ((type & kTypeClosed) == 0) {
            dir.setEntryType(0);
            continue;
        }
        const std::uint8_t* entry = copy + dir.offset + dir.pos;
        takeChain(copy, bam, entry[3], entry[4]);
        if ((type & kTypeMask) == kFileTypeRel && entry[kSideSectorTrack] != 0)
            takeChain(copy, bam, entry[kSideSectorTrack], entry[kSideSectorTrack + 1]);
    }
    std::memcpy(image, copy, kImageSize);
}

}  // namespace brimwick::d64
