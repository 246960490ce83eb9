// One emulated 1541 as the C64's serial bus sees it: the LISTEN/TALK state
// machine, the sixteen channels, the status reported on channel 15, the 2 KB
// of drive RAM with its "#" buffers, and the DOS on a D64 image in memory.
//
// The kernal addresses a drive in fixed sequences: LISTEN or TALK, then a
// secondary address whose high nibble says what follows (0x60 data, 0xE0
// close, 0xF0 open) and whose low nibble is the channel, then data bytes, then
// UNLISTEN or UNTALK. An OPEN's name and a DOS command are collected while
// they arrive and acted on at UNLISTEN. Any failure is thrown as a pointer to
// a status row; the link dispatcher catches it and hands it to setError, which
// makes it the status text the C64 reads on channel 15.
//
// The virtual operations are the points where a PC directory takes over from
// the image (see DualBackedDrive).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "d64/c1541_error.h"
#include "d64/disk_format.h"
#include "drive/channel.h"
#include "drive/command_scanner.h"
#include "drive/dos_mode.h"
#include "drive/transfer_mode.h"

namespace brimwick::drive {

inline constexpr std::int32_t kChannelCount = 16;       // secondary addresses 0..15
inline constexpr std::int32_t kCommandChannel = 15;     // commands in, status out
inline constexpr std::int32_t kRamSize = 2048;          // drive RAM
inline constexpr std::int32_t kRamBufferSize = 256;     // one RAM buffer
inline constexpr std::int32_t kRamBufferCount = 8;      // buffer 0 is the command buffer
inline constexpr std::int32_t kCommandLimit = 200;      // longest command or name kept
inline constexpr std::int32_t kListingLineSize = 48;    // the listing line buffer
inline constexpr std::int32_t kWholeFileSize = 174848;  // a whole-file buffer: one image

// Bus bytes and their nibbles.
inline constexpr std::uint8_t kListen = 0x20;          // LISTEN + device
inline constexpr std::uint8_t kTalk = 0x40;            // TALK + device
inline constexpr std::uint8_t kSecondaryData = 0x60;   // data on a channel
inline constexpr std::uint8_t kSecondaryClose = 0xE0;  // CLOSE a channel
inline constexpr std::uint8_t kSecondaryOpen = 0xF0;   // OPEN a channel, the name follows

// The end-of-file flag on a byte read from a drive (EOI for the C64).
inline constexpr std::int32_t kLastByte = d64::kEndFlag;
// The data byte of a read when there is nothing to read.
inline constexpr std::int32_t kNothingToRead = 0x80;

// Access modes of an OPEN.
inline constexpr std::int32_t kAccessRead = 100;
inline constexpr std::int32_t kAccessWrite = 101;
inline constexpr std::int32_t kAccessAppend = 102;

class DriveCore {
  public:
    DriveCore();
    virtual ~DriveCore() = default;
    DriveCore(const DriveCore&) = delete;
    DriveCore& operator=(const DriveCore&) = delete;

    // Bus operations, one per kernal request. All but listenOrTalk, untalk and
    // secondaryAfterTalk may throw a `const c1541_error*`; the caller then
    // hands it to setError.
    void listenOrTalk(std::uint8_t b);
    void secondaryAfterListen(std::uint8_t b);
    void secondaryAfterTalk(std::uint8_t b);
    void unlisten();
    void untalk();
    void byteOut(std::uint8_t b);
    // The next byte: bits 0..7 the data, kLastByte with the last one. On a
    // channel with no file open to read the result is kNothingToRead with
    // kLastByte, and nothingToRead tells the C64 to see a read time-out.
    std::int32_t byteIn();
    // Fast load: byteIn until the end flag, into a whole-file buffer
    // (kWholeFileSize bytes); `length` = bytes stored, the last one included.
    std::vector<std::uint8_t> loadWholeFile(std::int32_t& length);
    // Fast save: the bytes go to the file open for writing on the current
    // channel.
    void saveWholeFile(const std::uint8_t* data, std::int32_t length);

    // The eight operations that a PC directory serves differently.
    virtual void openFile();                          // OPEN of a named file on the current channel
    virtual void openDirectory();                     // OPEN of "$"
    virtual void closeFile();                         // CLOSE of the current channel's file
    virtual void fillDirectoryLine();                 // content of the next listing line
    virtual std::int32_t readByte();                  // next byte of the current channel's file
    virtual void writeByte(std::uint8_t b);           // append to the current channel's file
    virtual void reset(std::uint8_t* newImage);       // attach an image (or none), back to idle
    virtual void setError(const c1541_error* error);  // make it the status, drop the channel

    // The status channel.
    void formatStatus();
    // Speaks the original's DOS or the 1541's; a 1541's first status after
    // power-on is its DOS version.
    void setDosMode(DosMode mode);

    // "#" buffers.
    void allocateBuffer();

    // DOS commands on channel 15 and their handlers.
    void executeCommand();
    std::int32_t channelArgument();
    void blockTransfer();
    void blockPointer();
    void memoryWrite();
    void refuseMemoryExecute();
    void memoryRead();
    void resetDos();
    void scratch();
    void rename();
    void copy();
    void newDisk();
    void initialize();
    void validate();
    // The command as the C64 sent it, without the carriage return that
    // PRINT# ends it with.
    std::string commandLine() const;

    // What the disk commands do to the backing; a PC directory does them on
    // its files. Names are C64 names; patterns may hold "*" and "?".
    virtual std::int32_t scratchFiles(const std::vector<std::string>& patterns);
    virtual void renameFile(const std::string& newName, const std::string& oldName);
    virtual void copyFiles(const std::string& newName, const std::vector<std::string>& sources);
    virtual void formatDisk(const std::string& name, const std::string& id);
    virtual void initializeDisk();
    virtual void validateDisk();
    // Drops every open channel without closing its file, as a 1541 reset or
    // NEW does: a file being written stays unclosed ("*").
    void abandonChannels();

    // OPEN names.
    void parseFileName();
    // Throws "33,SYNTAX ERROR" for a wildcard in the name of a file to write.
    void checkNameToWrite() const;

    // The listing.
    void nextListingLine();
    void putBlockCount(std::int32_t n);
    // Line 0 of a 1541's listing: the 16 bytes of the disk name in quotes
    // and reverse, then the 5 bytes of id and DOS type ("G1 2A").
    void putHeaderLine(const std::uint8_t* name, const std::uint8_t* idAndType);

    // How files and the directory take new blocks: as the original program
    // does, or as the drive does (in the 1541 DOS, and always on a D71 or
    // D81, which the original never knew).
    d64::BlockLayout blockLayout() const {
        return dos1541 || format->kind != d64::DiskKind::D64 ? d64::BlockLayout::C1541
                                                              : d64::BlockLayout::Original;
    }

    // The command buffer: RAM buffer 0, shared by commands, OPEN names and
    // the formatted status.
    char* commandText() { return reinterpret_cast<char*>(ram.data()); }
    // The channel most recently named by a secondary address.
    Channel& current() { return channels[static_cast<std::size_t>(channelNumber)]; }

    bool imageModified = false;                // the image in memory differs from its file
    bool ramModified = false;                  // drive RAM was written by M-W, B-R or B-W
    std::array<std::uint8_t, kRamSize> ram{};  // drive RAM: buffers 0..7
    const c1541_error* status = nullptr;       // the status reported on channel 15
    std::int32_t busState = 0;  // 0x20 after LISTEN, 0x40 after TALK, 0 once addressed
    TransferMode transferMode = TransferMode::Idle;  // what byteOut/byteIn do
    bool nothingToRead = false;   // the last byteIn found no file open to read (read time-out)
    bool commandChannel = false;  // the last secondary address named channel 15
    std::int32_t secondaryCommand = 0;  // high nibble of the last secondary address
    std::int32_t channelNumber = 0;     // low nibble of the last secondary address
    std::int32_t commandLength = 0;     // bytes collected; while reading the status, its position
    CommandScanner scanner;             // parses DOS commands
    bool replaceExisting = false;       // the last OPEN name began with "@"
    std::int32_t accessMode = kAccessRead;  // of the last OPEN: read, write or append
    std::int32_t fileType = 2;              // of the last OPEN: 1 SEQ, 2 PRG, 3 USR
    char* fileName = nullptr;               // the bare name of the last OPEN, inside commandText
    std::array<Channel, kChannelCount> channels{};      // one per secondary address
    std::array<bool, kRamBufferCount> bufferInUse{};    // RAM buffer n belongs to a "#" channel
    std::string listingPattern;                         // name pattern of the open listing (a copy)
    bool listingFirstLine = false;                      // the next listing line is the first
    std::int32_t listingLinkAddress = 0;                // running BASIC line link of the listing
    bool listingEnd = false;                            // the last listing line has been built
    bool listingMore = false;                           // listing bytes remain to be sent
    std::int32_t linePos = 0;                           // read position in line
    std::int32_t lineLength = 0;                        // valid bytes in line
    std::array<std::uint8_t, kListingLineSize> line{};  // the listing line being sent
    std::uint8_t* image = nullptr;  // the disk image in memory (174848 bytes for a D64), or none
    const d64::DiskFormat* format = &d64::kD64Format;  // the image's disk: D64, D71 or D81
    bool writeProtected = false;  // the image is a T64 tape laid out as a disk: read-only
    bool dos1541 = false;  // lists, allocates and answers as a 1541 (see dos_mode.h)
    std::int32_t filesScratched = 0;  // the count reported with "01, FILES SCRATCHED"
    std::vector<std::uint8_t> memoryReadBytes;  // the bytes of an M-R, read next on channel 15
    std::int32_t memoryReadLength = 0;  // while they are read: their count in the command buffer

  protected:
    // Throws "74,DRIVE NOT READY" when there is no image to work on.
    void requireImage() const;
    // requireImage, and "26,WRITE PROTECT ON" when the image takes no writes.
    void requireWritableImage() const;
    // The channel-0 rule and the listing fields of a "$" OPEN, shared by the
    // image and PC versions.
    bool beginListing();

  private:
    void setSecondary(std::uint8_t b);
    void closeChannel();
    void releaseBuffer(Channel& channel);
    std::int32_t readStatusByte();
};

}  // namespace brimwick::drive
