// T64 tape archives: the programs of a C64 tape collected in one PC file.
// A 64-byte header (a signature beginning "C64", a version, the number of
// directory slots and of used ones, and a 24-byte tape name padded with
// spaces) is followed by 32-byte directory slots (entry type, C64 file type,
// start and end address, the offset of the data in the file, a 16-byte name
// padded with spaces) and then the programs' bytes, without load addresses.
//
// Many T64 files in circulation were written by an early converter that put
// a wrong end address into every slot (often $C3C6, whatever the program's
// length). A slot's length is therefore checked against where the next data
// begins (the next higher offset of any slot, or the end of the file): a
// length that runs past it, or none at all, is replaced by what is there.
//
// A drive serves a tape as a read-only disk: tapeAsDisk lays its programs
// out as the files of a disk image in memory (the smallest of D64, D71 and
// D81 that holds them), with the tape's name as the disk name and no block
// free.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "d64/disk_format.h"

namespace brimwick::d64 {

inline constexpr std::int32_t kTapeHeaderSize = 64;  // before the first directory slot
inline constexpr std::int32_t kTapeSlotSize = 32;    // one directory slot
inline constexpr std::int32_t kTapeNameLength = 24;  // the tape's name in the header

// One program of a tape.
struct TapeEntry {
    std::string name;                // its C64 name, without the padding
    std::int32_t type = 2;           // file type: PRG unless the slot says SEQ, USR or REL
    std::uint16_t start = 0;         // load address
    std::uint32_t statedEnd = 0;     // the end address the slot gives (one past the last byte)
    std::vector<std::uint8_t> data;  // the program's bytes, without the load address
    bool endCorrected = false;       // statedEnd was wrong; data is what the file holds
};

struct TapeArchive {
    std::string name;                // the tape's name, without the padding
    std::vector<TapeEntry> entries;  // its programs in directory order
};

// True for bytes that begin as a T64 file does: "C64" and a whole header.
bool isTapeArchive(std::span<const std::uint8_t> bytes);

// The programs of a T64 file; slots whose data lie outside the file are left
// out, and bytes that are no T64 file (isTapeArchive) hold none.
TapeArchive readTapeArchive(std::span<const std::uint8_t> bytes);

// A disk image holding the tape's programs as closed files (each with its
// load address first), or nothing when they do not fit on a D81.
struct TapeDisk {
    std::vector<std::uint8_t> image;  // format->imageSize() bytes
    const DiskFormat* format;         // the disk it is laid out as
};
std::optional<TapeDisk> tapeAsDisk(const TapeArchive& tape);

}  // namespace brimwick::d64
