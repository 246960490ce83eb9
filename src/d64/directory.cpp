// Directory operations of BlockCursor. The directory is the chain that starts
// at the BAM block's link (normally track 18 sector 1); each block holds eight
// 32-byte entries, the first two bytes of the first entry being the block's
// own link. Names are 16 PETSCII bytes padded with shifted spaces (0xA0).
#include <cstring>

#include "d64/bam_view.h"
#include "d64/block_cursor.h"
#include "d64/c1541_error.h"
#include "d64/file_cursor.h"
#include "d64/file_types.h"

namespace brimwick::d64 {

void BlockCursor::rewind() {
    beginWalk(format->headerOffset());
    pos = kBlockSize;
}

std::int32_t BlockCursor::nextEntry() {
    pos += kEntrySize;
    if (pos < kBlockSize) return offset + pos;
    pos = 0;
    return followLink();
}

std::int32_t BlockCursor::entryFirstBlock() const {
    BlockCursor target(image, *format);
    target.toOffset(entry()[3], entry()[4]);
    return target.offset;
}

void BlockCursor::setEntryFirstBlock(std::int32_t off) {
    BlockCursor target(image, *format);
    target.toTrackSector(off);
    entry()[3] = static_cast<std::uint8_t>(target.track);
    entry()[4] = static_cast<std::uint8_t>(target.sector);
}

std::int32_t BlockCursor::entryBlocks() const {
    return entry()[kEntryBlocksAt] | (entry()[kEntryBlocksAt + 1] << 8);
}

void BlockCursor::setEntryBlocks(std::int32_t blocks) {
    entry()[kEntryBlocksAt] = static_cast<std::uint8_t>(blocks & 0xFF);
    entry()[kEntryBlocksAt + 1] = static_cast<std::uint8_t>((blocks >> 8) & 0xFF);
}

bool BlockCursor::matchName(const char* pattern) const {
    return nameMatches(entry() + 5, pattern);
}

bool nameMatches(const std::uint8_t* name, const char* pattern) {
    for (int i = 0; i < kNameLength; ++i) {
        auto p = static_cast<std::uint8_t>(pattern[i]);
        if (p == '*') return true;
        if (name[i] == kNameFill) return p == 0;
        // The pattern ends here but the name goes on (even with a 0x00 byte
        // in it): no match, and nothing beyond the pattern's end is read.
        if (p == 0) return false;
        if (p != '?' && p != name[i]) return false;
    }
    return true;
}

std::int32_t BlockCursor::copyName(char* destination) const {
    const std::uint8_t* name = entry() + 5;
    std::int32_t n = 0;
    while (n < kNameLength && name[n] != kNameFill) {
        destination[n] = static_cast<char>(name[n]);
        ++n;
    }
    destination[n] = '\0';
    return n;
}

std::string BlockCursor::name() const {
    char buffer[kNameLength + 1];
    std::int32_t n = copyName(buffer);
    return std::string(buffer, static_cast<std::size_t>(n));
}

void BlockCursor::writeName(const char* newName) {
    std::uint8_t* name = entry() + 5;
    bool ended = false;
    for (int i = 0; i < kNameLength; ++i) {
        if (!ended && newName[i] == '\0') ended = true;
        name[i] = ended ? kNameFill : static_cast<std::uint8_t>(newName[i]);
    }
}

bool BlockCursor::findEntry(const char* pattern) {
    for (;;) {
        if (nextEntry() == kEndOfChain) return false;
        if (entryType() != 0 && matchName(pattern)) return true;
    }
}

void BlockCursor::findFreeEntry() {
    for (;;) {
        if (nextEntry() == kEndOfChain) {
            // The directory is full: link a new, empty last block to it.
            appendDirectoryBlock();
            clearBlock();
            markLast(kBlockSize);
            return;
        }
        if (entryType() == 0) return;
    }
}

void BlockCursor::allocateFirstBlock() {
    setEntryFirstBlock(takeFirstFileBlock());
}

namespace {

// Frees every block of the chain that starts at `first`.
void freeChain(std::uint8_t* image, const DiskFormat& format, std::int32_t first) {
    BamView bam(image, format);
    FileCursor walk(image, format);
    walk.openAt(first);
    do {
        bam.freeBlock(walk.offset);
    } while (walk.followLink() != kEndOfChain);
}

}  // namespace

bool BlockCursor::isPartition() const {
    return format->kind == DiskKind::D81 && (entryType() & kTypeMask) == kFileTypePartition;
}

void BlockCursor::deleteFile() {
    if (isPartition()) {
        // A partition is a run of blocks, not a chain: its blocks go free
        // as a run.
        std::int32_t first = entryFirstBlock();
        std::int32_t end = first + entryBlocks() * kBlockSize;
        setEntryType(0);
        if (end > format->imageSize()) throwDriveError(kErrIllegalTrackSector);
        BamView bam(image, *format);
        for (std::int32_t off = first; off < end; off += kBlockSize) bam.freeBlock(off);
        return;
    }
    setEntryType(0);
    freeChain(image, *format, entryFirstBlock());
}

void BlockCursor::moveInto(BlockCursor& old) {
    constexpr int kMoved[] = {2, 3, 4, 30, 31};  // type, first block, size
    std::uint8_t* from = entry();
    std::uint8_t* to = old.entry();
    std::uint8_t oldTrack = to[3];
    std::uint8_t oldSector = to[4];
    for (int i : kMoved) to[i] = from[i];
    from[2] = 0;
    BlockCursor oldFirst(image, *format);
    oldFirst.toOffset(oldTrack, oldSector);
    freeChain(image, *format, oldFirst.offset);
}

void BlockCursor::closeEntry() {
    setEntryType(static_cast<std::uint8_t>(entryType() | kTypeClosed));
    FileCursor walk(image, *format);
    walk.openAt(entryFirstBlock());
    std::int32_t blocks = 1;
    while (walk.followLink() != kEndOfChain) ++blocks;
    setEntryBlocks(blocks);
}

}  // namespace brimwick::d64
