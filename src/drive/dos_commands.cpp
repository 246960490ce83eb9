// The DOS command channel: command lookup, the block and memory commands, and
// the resets.
#include "drive/dos_commands.h"

#include <cstring>

#include "d64/block_cursor.h"
#include "platform/trace_log.h"
#include "platform/user_dialogs.h"

namespace brimwick::drive {

using platform::traceLog;

namespace {

// The highest channel a block command may name (15 is the command channel).
constexpr std::int32_t kLastDataChannel = 14;
// Size of drive RAM as the 16-bit addresses of M-W see it.
constexpr std::int32_t kAddressHigh = 256;

}  // namespace

void DriveCore::executeCommand() {
    // A new command replaces the bytes of an M-R not yet read.
    memoryReadBytes.clear();
    memoryReadLength = 0;
    scanner.init(commandText(), kRamSize, 0, dosCommandTable);
    if (scanner.matchKeyword() < 0) {
        traceLog() << "\n UNBEKANNTER BEFEHL!";
        throwDriveError(kErrSyntax);
    }
    (this->*(scanner.match->handler))();
}

std::int32_t DriveCore::channelArgument() {
    if (scanner.nextNumber() == 0) throwDriveError(kErrSyntax);
    std::int32_t n = scanner.number;
    if (n > kLastDataChannel) throwDriveError(kErrNoChannel);
    const Channel& channel = channels[static_cast<std::size_t>(n)];
    if (!channel.isOpen || !channel.isBuffer) throwDriveError(kErrNoChannel);
    return n;
}

void DriveCore::blockTransfer() {
    std::int32_t code = scanner.match->code;
    ramModified = true;
    traceLog() << "\n ES IST=" << (commandText() + scanner.pos);
    std::int32_t ch = channelArgument();
    std::uint8_t* buffer =
        ram.data() + channels[static_cast<std::size_t>(ch)].bufferNumber * kRamBufferSize;
    if (scanner.nextNumber() == 0) throwDriveError(kErrSyntax);  // drive number, unused
    if (scanner.nextNumber() == 0) throwDriveError(kErrSyntax);
    std::int32_t track = scanner.number;
    if (scanner.nextNumber() == 0) throwDriveError(kErrSyntax);
    std::int32_t sector = scanner.number;
    requireImage();
    d64::BlockCursor block(image, *format);
    block.toOffset(track, sector);
    std::uint8_t* disk = image + block.offset;
    if (code == kBlockRead) {
        std::memcpy(buffer, disk, kRamBufferSize);
    } else {
        requireWritableImage();
        // Byte for byte: a block read with U1 and written back with U2 comes
        // back unchanged.
        std::memcpy(disk, buffer, kRamBufferSize);
        imageModified = true;
    }
}

void DriveCore::blockPointer() {
    std::int32_t ch = channelArgument();
    if (scanner.nextNumber() == 0) throwDriveError(kErrSyntax);
    channels[static_cast<std::size_t>(ch)].bufferPos = scanner.number & 0xFF;
}

void DriveCore::memoryWrite() {
    ramModified = true;
    std::int32_t address = scanner.nextChar();
    address += kAddressHigh * scanner.nextChar();
    std::int32_t n = scanner.nextChar();
    for (std::int32_t i = 0; i < n; ++i, ++address) {
        // An address outside the 2 KB takes no data byte: the following
        // addresses are outside too.
        if (address >= 0 && address < kRamSize)
            ram[static_cast<std::size_t>(address)] = scanner.nextChar();
    }
}

std::string DriveCore::commandLine() const {
    const char* text = reinterpret_cast<const char*>(ram.data());
    std::string command(text, static_cast<std::size_t>(commandLength));
    if (!command.empty() && command.back() == '\r') command.pop_back();
    return command;
}

void DriveCore::resetDos() {
    // UI (U9) and UJ (U:) restart the 1541's DOS: every channel is gone, and
    // the status is the DOS version, as after power-on.
    abandonChannels();
    status = errorRow(kErrDosVersion);
}

void DriveCore::abandonChannels() {
    for (Channel& channel : channels) {
        if (channel.isOpen && channel.isBuffer) releaseBuffer(channel);
        channel.isOpen = false;
        channel.replacing = false;
    }
}

void DriveCore::refuseMemoryExecute() {
    traceLog() << "\n *** M-E Instruction ***";
    platform::userDialogs().messageBox(kMemoryExecuteRefusal, "Brimwick",
                                       platform::MessageButtons::Ok, platform::MessageIcon::Stop);
}

}  // namespace brimwick::drive
