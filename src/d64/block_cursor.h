// A cursor on one block of a D64 image in memory, and a byte position in it.
// Every block-level walk goes through it: the block chains that make up files
// and the directory, and the 32-byte directory entries in track 18.
//
// Each block starts with a link: the track and sector of the next block, or
// track 0 in the last block, whose sector byte then holds the index of the
// last byte in use. A damaged or crafted image can link anywhere, including
// back into its own chain, so every walk remembers the blocks it has been on
// and stops with "52,LOOPING BLOCK CHAINING" the moment a link leads back to
// one of them, before it reads the block a second time.
//
// A block taken for a file is made the last block of its chain at once: its
// old link bytes from an earlier life could otherwise lead a chain that is
// never finished (disk full, a C64 that goes away) into live files.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>

#include "d64/disk_format.h"
#include "d64/geometry.h"

namespace brimwick::d64 {

// Size of one directory entry and the number of entries in a directory block.
inline constexpr std::int32_t kEntrySize = 32;
inline constexpr std::int32_t kNameLength = 16;    // bytes of a file name
inline constexpr std::uint8_t kNameFill = 0xA0;    // shifted space: pads names
inline constexpr std::uint8_t kTypeClosed = 0x80;  // entry type bit: file closed
inline constexpr std::uint8_t kTypeLocked = 0x40;  // entry type bit: file locked
inline constexpr std::uint8_t kTypeMask = 0x07;    // entry type bits: DEL..REL
inline constexpr std::int32_t kEndOfChain = -1;    // result at the end of a chain
inline constexpr std::int32_t kEntryBlocksAt = 30; // entry bytes: the file's blocks, little-endian

// True when a 16-byte name padded with shifted spaces matches a C64 name
// pattern: "*" ends it and matches the rest, "?" matches any one character.
bool nameMatches(const std::uint8_t* name, const char* pattern);

// How a walk takes new blocks: in plain disk order as the original program
// does (files from track 19 on, later on track 18 too; the directory off
// track 18 once it is full), or as a 1541 does (see allocation_1541.h).
enum class BlockLayout : std::uint8_t {
    Original,  // plain disk order, no interleave
    C1541,     // the 1541's tracks and interleave; track 18 for the directory only
};

class BlockCursor {
  public:
    std::int32_t track = 0;            // track 1..35 (of a D64), filled by the conversions only
    std::int32_t sector = 0;           // sector within the track, likewise
    std::int32_t offset = 0;           // image offset of the block, a multiple of 256
    std::uint8_t* image = nullptr;     // the image walked (174848 bytes for a D64)
    std::int32_t pos = 0;              // byte position in the block
    std::bitset<kMaxBlockCount> visited;  // blocks this walk has been on (loop guard)
    BlockLayout layout = BlockLayout::Original;  // how this walk takes new blocks
    const DiskFormat* format = &kD64Format;      // the disk's geometry, BAM and directory

    BlockCursor() = default;
    explicit BlockCursor(std::uint8_t* img) : image(img) {}
    BlockCursor(std::uint8_t* img, const DiskFormat& disk) : image(img), format(&disk) {}

    // Geometry conversions in `format`; both throw drive errors on
    // impossible input.
    void toOffset(std::int32_t trk, std::int32_t sec);  // "66,ILLEGAL TRACK AND SECTOR"
    void toTrackSector(std::int32_t off);               // "49,..." / "67,ILLEGAL T OR S"

    // Chain operations on the block at `offset`.
    std::uint8_t linkTrack() const { return image[offset]; }
    std::uint8_t linkSector() const { return image[offset + 1]; }
    // Starts a walk on the block at `off`: no block has been visited yet but
    // this one.
    void beginWalk(std::int32_t off);
    // Moves to the linked block and returns its offset, or kEndOfChain in the
    // last block (the cursor stays). Throws "52,LOOPING BLOCK CHAINING" when
    // the link leads back to a block this walk has already been on.
    std::int32_t followLink();
    // Bytes in use: 256 for a linked block, else link sector + 1.
    std::int32_t usedBytes() const;
    void setLinkTo(std::int32_t off);
    void markLast(std::int32_t used);
    void clearBlock();
    // Takes the next free block after `start`, links the current block to it
    // and moves there (offset only). The new block is made an empty last
    // block (link 0, 1); its other bytes are not cleared.
    void appendBlock(std::int32_t start);
    // Takes the next free block after `start` and makes it an empty last
    // block; returns its offset. Throws "72,DISK FULL".
    std::int32_t takeFreshBlock(std::int32_t start);
    // appendBlock with the block that `layout` gives a file (after the
    // current block) or the directory (a new directory block).
    void appendFileBlock();
    void appendDirectoryBlock();

    // Directory operations on the entry at offset + pos.
    void rewind();
    // The next entry's image offset, or kEndOfChain after the last block.
    std::int32_t nextEntry();
    std::uint8_t entryType() const { return entry()[2]; }
    void setEntryType(std::uint8_t type) { entry()[2] = type; }
    std::int32_t entryFirstBlock() const;
    void setEntryFirstBlock(std::int32_t off);
    // The first block's track and sector as stored (track in the high byte),
    // unchecked.
    std::uint16_t entryStart() const {
        return static_cast<std::uint16_t>(entry()[3] << 8 | entry()[4]);
    }
    std::int32_t entryBlocks() const;
    void setEntryBlocks(std::int32_t blocks);
    bool matchName(const char* pattern) const;
    // Copies the name without its fill into `destination` (17 bytes), NUL-
    // terminated; returns its length 0..16.
    std::int32_t copyName(char* destination) const;
    std::string name() const;
    void writeName(const char* name);
    bool findEntry(const char* pattern);
    // Moves to the first free entry from here on; a full directory gets a
    // new block as `layout` says ("72,DISK FULL" when there is no room).
    void findFreeEntry();
    // Takes the first block of a new file as `layout` says and enters it.
    void allocateFirstBlock();
    void deleteFile();
    // True for a 1581 partition's entry: a run of blocks, not a chain.
    bool isPartition() const;
    void closeEntry();
    // Puts the file of this entry in the place of the file of `old`'s entry:
    // `old`'s entry takes this one's type, first block and size, this entry
    // becomes free, and the blocks of the old file are freed. A damaged old
    // chain throws once the move is done, having freed the blocks before the
    // damage.
    void moveInto(BlockCursor& old);

  private:
    std::uint8_t* entry() const { return image + offset + pos; }
    // Links the current block to the block at `next` and moves there.
    void linkOnTo(std::int32_t next);
    // Takes the first block of a new file as `layout` says.
    std::int32_t takeFirstFileBlock();
};

}  // namespace brimwick::d64
