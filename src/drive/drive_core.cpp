// The bus state machine of a drive: LISTEN/TALK, secondary addresses, data
// bytes, UNLISTEN/UNTALK, the whole-file transfers, reset and errors.
#include "drive/drive_core.h"

#include <algorithm>
#include <cstring>

#include "platform/trace_log.h"

namespace brimwick::drive {

using platform::traceLog;

namespace {

// The command that the 1541 refuses while it is still arriving.
constexpr char kMemoryExecute[] = "M-E";
constexpr std::int32_t kMemoryExecuteLength = 3;

}  // namespace

DriveCore::DriveCore() {
    reset(nullptr);
}

void DriveCore::listenOrTalk(std::uint8_t b) {
    traceLog() << "\n listentalk = " << static_cast<int>(b);
    busState = b & 0xF0;
    transferMode = TransferMode::Idle;
}

void DriveCore::setSecondary(std::uint8_t b) {
    traceLog() << "\nsecundar = " << static_cast<int>(b);
    busState = 0;
    secondaryCommand = b & 0xF0;
    channelNumber = b & 0x0F;
    commandChannel = channelNumber == kCommandChannel;
}

void DriveCore::secondaryAfterListen(std::uint8_t b) {
    traceLog() << "\nsecundar listen";
    if (busState != kListen) return;
    setSecondary(b);
    Channel& channel = current();
    switch (secondaryCommand) {
        case kSecondaryData:
            if (commandChannel) {
                transferMode = TransferMode::CollectCommand;
                commandLength = 0;
            } else if (channel.isOpen) {
                if (channel.isBuffer)
                    transferMode = TransferMode::WriteBuffer;
                else if (!channel.reading)
                    transferMode = TransferMode::WriteFile;
                else
                    transferMode = TransferMode::Idle;
            }
            break;
        case kSecondaryClose:
            if (!commandChannel) closeChannel();
            break;
        case kSecondaryOpen:
            traceLog() << "\nopen file";
            if (commandChannel) {
                // OPEN 15,8,15,"S0:NAME": the name is a command, carried out
                // as if it had been sent with PRINT#15.
                transferMode = TransferMode::CollectCommand;
                commandLength = 0;
                break;
            }
            // A new OPEN abandons what the channel held: a "#" buffer goes
            // back, a file is dropped without being closed.
            if (channel.isOpen && channel.isBuffer) releaseBuffer(channel);
            transferMode = TransferMode::CollectCommand;
            commandLength = 0;
            channel.isOpen = false;
            break;
        default:
            transferMode = TransferMode::Idle;
            break;
    }
}

void DriveCore::closeChannel() {
    Channel& channel = current();
    if (channel.isOpen) {
        // Marked closed first: should closing fail, the channel is gone all
        // the same.
        channel.isOpen = false;
        if (channel.isBuffer)
            releaseBuffer(channel);
        else
            closeFile();
    }
    channel.isOpen = false;
}

void DriveCore::secondaryAfterTalk(std::uint8_t b) {
    traceLog() << "\nsecundar talk";
    if (busState != kTalk) return;
    setSecondary(b);
    if (secondaryCommand != kSecondaryData) return;
    if (commandChannel) {
        transferMode = TransferMode::ReadStatus;
        // The bytes of an M-R go out first, also to a C64 that takes them
        // one GET# (one TALK) at a time.
        if (memoryReadLength > 0) return;
        commandLength = 0;
        if (!memoryReadBytes.empty()) {
            std::copy(memoryReadBytes.begin(), memoryReadBytes.end(), ram.begin());
            memoryReadLength = static_cast<std::int32_t>(memoryReadBytes.size());
            memoryReadBytes.clear();
            return;
        }
        formatStatus();
        return;
    }
    const Channel& channel = current();
    if (!channel.isOpen) return;
    if (channel.isBuffer)
        transferMode = TransferMode::ReadBuffer;
    else if (channel.isDirectory)
        transferMode = TransferMode::ReadDirectory;
    else if (channel.reading)
        transferMode = TransferMode::ReadFile;
    else
        transferMode = TransferMode::Idle;
}

void DriveCore::unlisten() {
    traceLog() << "\n unlisten";
    if (transferMode == TransferMode::CollectCommand) {
        commandText()[commandLength] = '\0';
        if (commandChannel) {
            // An OPEN of channel 15 without a name is no command.
            if (commandLength > 0 || secondaryCommand == kSecondaryData) executeCommand();
        } else {
            Channel& channel = current();
            channel.isOpen = true;
            status = errorRow(kErrOk);
            parseFileName();
            if (channel.isDirectory)
                openDirectory();
            else if (channel.isBuffer)
                allocateBuffer();
            else {
                checkNameToWrite();
                openFile();
            }
        }
    }
    transferMode = TransferMode::Idle;
}

void DriveCore::untalk() {
    traceLog() << "\n untalk";
    transferMode = TransferMode::Idle;
}

void DriveCore::byteOut(std::uint8_t b) {
    switch (transferMode) {
        case TransferMode::WriteFile:
            writeByte(b);
            break;
        case TransferMode::WriteBuffer: {
            Channel& channel = current();
            ram[static_cast<std::size_t>(channel.bufferNumber * kRamBufferSize +
                                         channel.bufferPos)] = b;
            channel.bufferPos = (channel.bufferPos + 1) % kRamBufferSize;
            break;
        }
        case TransferMode::CollectCommand:
            if (commandLength >= kCommandLimit) break;
            commandText()[commandLength++] = static_cast<char>(b);
            if (commandLength == kMemoryExecuteLength) {
                commandText()[kMemoryExecuteLength] = '\0';
                if (std::strcmp(commandText(), kMemoryExecute) == 0) refuseMemoryExecute();
            }
            traceLog() << "\n BUS " << static_cast<char>(b) << "  " << static_cast<int>(b);
            break;
        default:
            break;
    }
}

std::int32_t DriveCore::byteIn() {
    nothingToRead = false;
    switch (transferMode) {
        case TransferMode::ReadFile:
            return readByte();
        case TransferMode::ReadBuffer: {
            Channel& channel = current();
            std::int32_t v = ram[static_cast<std::size_t>(channel.bufferNumber * kRamBufferSize +
                                                          channel.bufferPos)];
            channel.bufferPos = (channel.bufferPos + 1) % kRamBufferSize;
            return v;
        }
        case TransferMode::ReadStatus:
            return readStatusByte();
        case TransferMode::ReadDirectory:
            if (linePos == lineLength) nextListingLine();
            if (!listingMore) return kLastByte;
            return line[static_cast<std::size_t>(linePos++)];
        default:
            // No file open to read on this channel (never opened, closed by
            // an error, or open for writing). A 1541 does not answer; the
            // C64 ends the read with a time-out and the end of file (ST $42),
            // so a GET# loop that waits for ST stops.
            nothingToRead = true;
            return kNothingToRead | kLastByte;
    }
}

std::vector<std::uint8_t> DriveCore::loadWholeFile(std::int32_t& length) {
    std::vector<std::uint8_t> buffer(kWholeFileSize);
    length = 0;
    while (length < kWholeFileSize) {
        std::int32_t v = byteIn();
        buffer[static_cast<std::size_t>(length++)] = static_cast<std::uint8_t>(v & 0xFF);
        if (v & kLastByte) break;
    }
    return buffer;
}

void DriveCore::saveWholeFile(const std::uint8_t* data, std::int32_t length) {
    // Only a file open for writing takes the bytes: writing "through" a
    // closed or reading channel would scribble over whatever block its
    // cursor last stood on.
    const Channel& channel = current();
    if (!channel.isOpen || channel.reading || channel.isBuffer || channel.isDirectory) return;
    for (std::int32_t i = 0; i < length; ++i) writeByte(data[i]);
}

void DriveCore::reset(std::uint8_t* newImage) {
    image = newImage;
    for (Channel& channel : channels) {
        channel.isOpen = false;
        channel.replacing = false;
        channel.dirCursor.image = newImage;
        channel.fileCursor.image = newImage;
        channel.dirCursor.format = format;
        channel.fileCursor.format = format;
        channel.replacedEntry.format = format;
    }
    bufferInUse.fill(false);
    memoryReadBytes.clear();
    memoryReadLength = 0;
    imageModified = false;
    ramModified = false;
    busState = 0;
    transferMode = TransferMode::Idle;
    // A disk put in after power-on leaves the 1541's power-on status unread.
    if (!(dos1541 && status == errorRow(kErrDosVersion))) status = errorRow(kErrOk);
}

void DriveCore::setError(const c1541_error* error) {
    status = error;
    current().isOpen = false;
    transferMode = TransferMode::Idle;
}

}  // namespace brimwick::drive
