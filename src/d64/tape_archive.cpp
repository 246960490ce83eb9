// Reading T64 files and laying their programs out on a disk in memory.
#include "d64/tape_archive.h"

#include <algorithm>
#include <cstring>

#include "d64/bam_view.h"
#include "d64/blank_image.h"
#include "d64/c1541_error.h"
#include "d64/file_cursor.h"
#include "d64/file_types.h"

namespace brimwick::d64 {

namespace {

constexpr char kSignature[] = "C64";
constexpr std::size_t kSlotsAt = 34;       // header: directory slots (16-bit)
constexpr std::size_t kUsedSlotsAt = 36;   // header: slots in use (16-bit)
constexpr std::size_t kTapeNameAt = 40;    // header: the tape's name
constexpr std::size_t kFileTypeAt = 1;     // slot: the C64 file type
constexpr std::size_t kStartAt = 2;        // slot: start address
constexpr std::size_t kEndAt = 4;          // slot: end address
constexpr std::size_t kOffsetAt = 8;       // slot: where the data are in the file (32-bit)
constexpr std::size_t kSlotNameAt = 16;    // slot: the C64 name
constexpr std::uint8_t kNormalFile = 1;    // entry type: a tape file
constexpr std::uint8_t kFileWithHeader = 2;  // entry type: a tape file, its header before it
constexpr std::uint32_t kAddressSpace = 0x10000;

std::uint32_t little(std::span<const std::uint8_t> b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + static_cast<std::size_t>(i)];
    return v;
}

// A name without its padding: spaces, shifted spaces and zeros at the end.
std::string unpadded(std::span<const std::uint8_t> bytes) {
    std::string name(bytes.begin(), bytes.end());
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0' ||
                             static_cast<std::uint8_t>(name.back()) == 0xA0))
        name.pop_back();
    return name;
}

// Writes the tape's programs as closed files; throws "72,DISK FULL" when they
// do not fit.
void writeFiles(std::uint8_t* image, const DiskFormat& format, const TapeArchive& tape) {
    BlockLayout layout = format.kind == DiskKind::D64 ? BlockLayout::Original : BlockLayout::C1541;
    for (const TapeEntry& entry : tape.entries) {
        BlockCursor dir(image, format);
        dir.layout = layout;
        dir.rewind();
        dir.findFreeEntry();
        dir.writeName(entry.name.substr(0, kNameLength).c_str());
        dir.allocateFirstBlock();
        dir.setEntryType(static_cast<std::uint8_t>(entry.type));
        FileCursor file(image, format);
        file.layout = layout;
        file.openAt(dir.entryFirstBlock());
        file.writeNext(static_cast<std::uint8_t>(entry.start & 0xFF));
        file.writeNext(static_cast<std::uint8_t>(entry.start >> 8));
        for (std::uint8_t b : entry.data) file.writeNext(b);
        file.finishWrite();
        dir.closeEntry();
    }
}

}  // namespace

bool isTapeArchive(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= static_cast<std::size_t>(kTapeHeaderSize) &&
           std::memcmp(bytes.data(), kSignature, sizeof kSignature - 1) == 0;
}

TapeArchive readTapeArchive(std::span<const std::uint8_t> bytes) {
    TapeArchive tape;
    if (!isTapeArchive(bytes)) return tape;  // no header to read
    tape.name = unpadded(bytes.subspan(kTapeNameAt, kTapeNameLength));
    // Some writers leave one of the two counts at 0: the larger one is
    // taken, as far as the file has room for slots.
    std::size_t slots = std::max(little(bytes, kSlotsAt, 2), little(bytes, kUsedSlotsAt, 2));
    slots = std::min(slots, (bytes.size() - kTapeHeaderSize) / kTapeSlotSize);
    struct Slot {
        std::span<const std::uint8_t> bytes;  // the 32 bytes of the slot
        std::uint32_t offset;                 // where its data begin
    };
    std::vector<Slot> used;
    for (std::size_t i = 0; i < slots; ++i) {
        auto slot = bytes.subspan(kTapeHeaderSize + i * kTapeSlotSize, kTapeSlotSize);
        if (slot[0] != kNormalFile && slot[0] != kFileWithHeader) continue;
        std::uint32_t offset = little(slot, kOffsetAt, 4);
        if (offset >= bytes.size()) continue;
        used.push_back({slot, offset});
    }
    for (const Slot& slot : used) {
        TapeEntry entry;
        entry.name = unpadded(slot.bytes.subspan(kSlotNameAt, kNameLength));
        std::uint8_t type = slot.bytes[kFileTypeAt];
        // A slot written from a disk directory carries the type byte of a
        // closed file (0x81 SEQ, 0x82 PRG, ...); a tape file is a program.
        if ((type & kTypeClosed) != 0 && (type & kTypeMask) >= kFileTypeSeq &&
            (type & kTypeMask) <= kFileTypeRel)
            entry.type = type & kTypeMask;
        entry.start = static_cast<std::uint16_t>(little(slot.bytes, kStartAt, 2));
        entry.statedEnd = little(slot.bytes, kEndAt, 2);
        if (entry.statedEnd == 0) entry.statedEnd = kAddressSpace;  // up to the top of memory
        std::uint32_t next = static_cast<std::uint32_t>(bytes.size());
        for (const Slot& other : used)
            if (other.offset > slot.offset) next = std::min(next, other.offset);
        std::uint32_t available = next - slot.offset;
        std::uint32_t length = entry.statedEnd > entry.start ? entry.statedEnd - entry.start : 0;
        if (length == 0 || length > available) {
            length = available;
            entry.endCorrected = true;
        }
        auto data = bytes.subspan(slot.offset, length);
        entry.data.assign(data.begin(), data.end());
        tape.entries.push_back(std::move(entry));
    }
    return tape;
}

std::optional<TapeDisk> tapeAsDisk(const TapeArchive& tape) {
    for (const DiskFormat* format : kDiskFormats) {
        TapeDisk disk{std::vector<std::uint8_t>(static_cast<std::size_t>(format->imageSize())),
                      format};
        std::uint8_t* image = disk.image.data();
        formatBlankImage(image, *format);
        try {
            writeFiles(image, *format, tape);
        } catch (const c1541_error*) {
            continue;  // a larger disk, if there is one
        }
        writeDiskHeader(image, tape.name.substr(0, kNameLength), "", *format);
        // A tape has no room to write on.
        BamView bam(image, *format);
        for (std::int32_t off = 0; off < format->imageSize(); off += kBlockSize) bam.takeBlock(off);
        return disk;
    }
    return std::nullopt;
}

}  // namespace brimwick::d64
