// Reading and writing the data of one file's block chain. Each block carries
// 254 data bytes behind its two link bytes; the last block says how many of
// them are used. The C64's end-of-file status (EOI) must come with the last
// byte itself, so readWithEnd flags that byte rather than the read after it.
#pragma once

#include <cstdint>

#include "d64/block_cursor.h"

namespace brimwick::d64 {

// Flag added to the last byte of a file by readWithEnd (the EOI flag).
inline constexpr std::int32_t kEndFlag = 0x8000;
// Offset of the first data byte within a block.
inline constexpr std::int32_t kFirstDataByte = 2;

class FileCursor : public BlockCursor {
  public:
    std::int32_t end = 0;  // valid bytes of the current block (usedBytes)
    // Image offset of the directory entry whose block count follows this
    // chain while it is written, or -1. A file that is never closed (disk
    // full, a C64 gone) then still lists with the blocks it holds.
    std::int32_t countAt = -1;

    FileCursor() = default;
    explicit FileCursor(std::uint8_t* img) : BlockCursor(img) {}
    FileCursor(std::uint8_t* img, const DiskFormat& disk) : BlockCursor(img, disk) {}

    // Starts on the file block at `off`; no entry counts its blocks.
    void openAt(std::int32_t off);
    void openAt(std::int32_t off, std::uint8_t* img);
    // The next data byte 0..255, or kEndOfChain past the end.
    std::int32_t readNext();
    // readNext with kEndFlag added to the file's last byte.
    std::int32_t readWithEnd();
    // Appends a byte, taking a new block when the current one is full.
    void writeNext(std::uint8_t byte);
    // Makes the current block the last one, holding the bytes before `pos`.
    void finishWrite() { markLast(pos); }
    // Moves behind the file's last byte, ready to append; returns the number
    // of blocks in the chain.
    std::int32_t seekEnd();
    // From now on the entry `dir` stands on counts this chain's blocks; it
    // is given `blocks` now.
    void countInEntry(const BlockCursor& dir, std::int32_t blocks);
};

}  // namespace brimwick::d64
