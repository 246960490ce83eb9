// LOAD "$": the directory as a BASIC program that the C64 can LIST, built one
// line at a time while the C64 reads it. Each line's number is a block count
// and its text a quoted name with the type; the program loads at $1000 and its
// line links are made up (they only need to be non-zero: LIST and the BASIC
// editor relink the program anyway). The original sends no header line, and
// the last line of an image listing is the free block count. As a 1541 the
// listing of an image begins with the header line (line 0: the disk name in
// quotes and reverse, the id and the DOS type) and the free count leaves out
// track 18, which holds only the BAM and the directory; the listing of a PC
// directory then begins with the directory's name. A D71 or D81 image always
// lists as its 1571 or 1581 does: the header line, and the free blocks
// without the tracks that hold only the BAM and the directory (18 and 53 of
// a D71, 40 of a D81). A 1581 partition lists with the type "CBM". A T64
// tape lists the same way: its name as the header, its programs, and
// "0 BLOCKS FREE.".
#include <algorithm>
#include <cctype>
#include <cstring>

#include "d64/bam_view.h"
#include "d64/file_types.h"
#include "drive/dual_backed_drive.h"
#include "drive/host_files.h"
#include "drive/pc64_file.h"
#include "platform/file.h"
#include "platform/paths.h"
#include "platform/trace_log.h"

namespace brimwick::drive {

using platform::traceLog;

namespace {

constexpr std::int32_t kLoadAddress = 0x1000;  // where the listing program loads
constexpr std::int32_t kLineBytes = 35;        // every line but the first
constexpr std::int32_t kFirstLineBytes = 37;   // the first line: the load address too
constexpr std::int32_t kBlankedBytes = 40;     // bytes of line cleared to spaces
constexpr char kBlocksFree[] = "BLOCKS FREE. CODED BAD.";
constexpr char kBlocksFree1541[] = "BLOCKS FREE.";
constexpr std::uint8_t kReverseOn = 0x12;       // the header's name is shown reversed
constexpr std::int32_t kDiskNameLength = 16;   // in the header: 16 bytes of disk name
constexpr std::int32_t kIdAndTypeLength = 5;   // in the header: id, a shifted space, "2A"
constexpr std::uint8_t kShiftedSpace = 0xA0;
constexpr std::int32_t kOpenMarkAt = 19;      // after the opening quote: "*" on an unclosed file
constexpr std::int32_t kTypeAt = 20;          // after the opening quote: the type's three letters
constexpr std::int32_t kLockMarkAt = 23;      // after the opening quote: "<" on a locked file
constexpr std::int32_t kBytesPerBlock = 254;  // data bytes of one block

}  // namespace

bool DriveCore::beginListing() {
    traceLog() << "\n hallo open dir";
    Channel& channel = current();
    // Only LOAD's channel 0 gets a listing; "$" on any other channel is
    // closed again without an error.
    if (channelNumber != 0) {
        channel.isOpen = false;
        return false;
    }
    channel.dirCursor.rewind();
    channel.reading = true;
    listingPattern = *fileName != '\0' ? fileName : "*";
    listingFirstLine = true;
    listingLinkAddress = kLoadAddress;
    listingEnd = false;
    listingMore = true;
    linePos = 0;
    lineLength = 0;
    return true;
}

void DriveCore::openDirectory() {
    requireImage();
    beginListing();
}

void DriveCore::nextListingLine() {
    if (listingEnd) {
        listingMore = false;
        return;
    }
    std::memset(line.data(), ' ', kBlankedBytes);
    lineLength = kLineBytes;
    linePos = 0;
    if (listingFirstLine) {
        line[0] = kLoadAddress & 0xFF;
        line[1] = kLoadAddress >> 8;
        linePos = 2;
        lineLength = kFirstLineBytes;
    }
    listingLinkAddress += kLineBytes;
    line[static_cast<std::size_t>(linePos)] = static_cast<std::uint8_t>(listingLinkAddress & 0xFF);
    line[static_cast<std::size_t>(linePos + 1)] =
        static_cast<std::uint8_t>((listingLinkAddress >> 8) & 0xFF);
    linePos += 2;
    fillDirectoryLine();
    listingFirstLine = false;
    linePos = 0;
    if (listingEnd) {
        line[static_cast<std::size_t>(lineLength)] = 0;
        line[static_cast<std::size_t>(lineLength + 1)] = 0;
        lineLength += 2;
    } else {
        line[static_cast<std::size_t>(lineLength - 1)] = 0;
    }
}

void DriveCore::putBlockCount(std::int32_t n) {
    line[static_cast<std::size_t>(linePos)] = static_cast<std::uint8_t>(n & 0xFF);
    line[static_cast<std::size_t>(linePos + 1)] = static_cast<std::uint8_t>((n >> 8) & 0xFF);
    // Spaces align the names: a one-digit count is followed by three.
    linePos += 2 + (n < 1000) + (n < 100) + (n < 10);
}

void DriveCore::putHeaderLine(const std::uint8_t* name, const std::uint8_t* idAndType) {
    auto put = [&](std::uint8_t b) { line[static_cast<std::size_t>(linePos++)] = b; };
    // Shifted spaces pad the name; on the screen they are spaces.
    auto shown = [](std::uint8_t c) { return c == kShiftedSpace ? std::uint8_t{' '} : c; };
    put(0);  // line 0
    put(0);
    put(kReverseOn);
    put('"');
    for (std::int32_t i = 0; i < kDiskNameLength; ++i) put(shown(name[i]));
    put('"');
    put(' ');
    for (std::int32_t i = 0; i < kIdAndTypeLength; ++i) put(shown(idAndType[i]));
}

void DriveCore::fillDirectoryLine() {
    requireImage();
    // As the drive of the disk lists it, or as the original program does.
    const bool asDrive = dos1541 || format->kind != d64::DiskKind::D64 || writeProtected;
    if (asDrive && listingFirstLine) {
        const std::uint8_t* header = image + format->headerOffset();
        putHeaderLine(header + format->nameAt, header + format->idAt);
        return;
    }
    d64::BlockCursor& dir = channels[0].dirCursor;
    for (;;) {
        if (dir.nextEntry() == d64::kEndOfChain) {
            d64::BamView bam(image, *format);
            std::int32_t free = bam.freeBlockCount();
            if (asDrive)
                for (std::int32_t t = 1; t <= format->trackCount; ++t)
                    if (format->isSystemTrack(t)) free -= bam.freeOnTrack(t);
            line[static_cast<std::size_t>(linePos)] = static_cast<std::uint8_t>(free & 0xFF);
            line[static_cast<std::size_t>(linePos + 1)] =
                static_cast<std::uint8_t>((free >> 8) & 0xFF);
            linePos += 2;
            // The text's NUL becomes a space.
            if (asDrive)
                std::memcpy(line.data() + linePos, kBlocksFree1541, sizeof kBlocksFree1541 - 1);
            else
                std::memcpy(line.data() + linePos, kBlocksFree, sizeof kBlocksFree - 1);
            listingEnd = true;
            return;
        }
        if (dir.entryType() != 0 && dir.matchName(listingPattern.c_str())) break;
    }
    putBlockCount(dir.entryBlocks());
    auto q = static_cast<std::size_t>(linePos);
    std::uint8_t type = dir.entryType();
    if ((type & d64::kTypeClosed) == 0) line[q + kOpenMarkAt] = '*';
    if (type & d64::kTypeLocked) line[q + kLockMarkAt] = '<';
    const bool partition = format->kind == d64::DiskKind::D81 &&
                           (type & d64::kTypeMask) == d64::kFileTypePartition;
    std::memcpy(line.data() + q + kTypeAt,
                partition ? d64::kPartitionTypeName : d64::fileTypeNames[type & d64::kTypeMask], 3);
    line[q] = '"';
    std::int32_t n = dir.copyName(reinterpret_cast<char*>(line.data() + q + 1));
    line[q + 1 + static_cast<std::size_t>(n)] = '"';
    linePos += n + 2;
}

void DualBackedDrive::openHostDirectory() {
    if (!beginListing()) return;
    // The pattern is matched against the names in this one directory: a "/"
    // in it separates nothing, so the listing never reaches outside.
    upcoming.reset();
    platform::FoundFile first;
    if (finder.start(path, listingPattern) && finder.next(first))
        upcoming = std::move(first);
    else if (!dos1541)
        listingEnd = true;  // not even a load address; a 1541's shows its header
    hostListingDone = false;
}

void DualBackedDrive::putHostHeaderLine() {
    // The directory's own name stands for the disk name (game becomes GAME,
    // as for the files added to an image); it has no id.
    std::string folder = path;
    while (!folder.empty() && folder.back() == platform::kPathSeparator) folder.pop_back();
    folder = folder.substr(folder.find_last_of(platform::kPathSeparator) + 1);
    std::uint8_t name[kDiskNameLength];
    for (std::int32_t i = 0; i < kDiskNameLength; ++i) {
        auto at = static_cast<std::size_t>(i);
        auto c = static_cast<std::uint8_t>(at < folder.size() ? folder[at] : kShiftedSpace);
        if (std::isalpha(c)) c ^= 0x20;  // PC letters to the C64's: case swapped
        // A quote or a control character would break the line.
        if (c < 0x20 || c == '"') c = '~';
        name[i] = c;
    }
    const std::uint8_t noId[kIdAndTypeLength] = {kShiftedSpace, kShiftedSpace, ' ', '2', 'A'};
    putHeaderLine(name, noId);
}

void DualBackedDrive::fillHostDirectoryLine() {
    if (dos1541 && listingFirstLine) {
        putHostHeaderLine();
        return;
    }
    if (hostListingDone || listingEnd || !upcoming) {
        listingEnd = true;
        return;
    }
    platform::FoundFile entry = std::move(*upcoming);
    upcoming.reset();
    platform::FoundFile following;
    if (finder.next(following))
        upcoming = std::move(following);
    else
        hostListingDone = true;
    // A PC64 file lists with its C64 name as it is and the extension of its
    // type, as a plain PC file of that name would list.
    std::string shown;
    std::optional<std::string> c64Name;
    if (int type = pc64TypeOfName(entry.name); type >= 0) {
        try {
            c64Name = pc64NameOf(platform::readFile(entry.path, kPc64HeaderSize));
        } catch (const platform::FileError&) {
        }
        if (c64Name) {
            entry.length = std::max<std::int64_t>(0, entry.length - kPc64HeaderSize);
            for (const char* c = fileTypeExtensions[type]; *c != '\0'; ++c)
                shown += static_cast<char>(toHostChar(static_cast<std::uint8_t>(*c)));
        }
    }
    std::int64_t blocks = entry.length / kBytesPerBlock + (entry.length % kBytesPerBlock != 0);
    putBlockCount(static_cast<std::int32_t>(blocks & 0xFFFF));
    if (c64Name) {
        shown = *c64Name + shown;
    } else {
        for (char c : entry.name) shown += static_cast<char>(toHostChar(static_cast<std::uint8_t>(c)));
    }
    for (char c : shown) {
        if (linePos >= lineLength - 1) break;
        line[static_cast<std::size_t>(linePos++)] = static_cast<std::uint8_t>(c);
    }
}

}  // namespace brimwick::drive
