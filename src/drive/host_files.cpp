// Named files in a PC directory: the name conversion, and OPEN, byte reads
// and writes, and CLOSE for a drive in PC mode. A file is read whole at OPEN
// and written whole at CLOSE; nothing touches the disk in between.
#include "drive/host_files.h"

#include "d64/c1541_error.h"
#include "drive/dual_backed_drive.h"
#include "platform/file.h"
#include "platform/file_finder.h"
#include "platform/trace_log.h"

namespace brimwick::drive {

using platform::traceLog;

std::uint8_t petsciiToPc(std::uint8_t c) {
    if (c >= 0xC0 && c <= 0xDF)
        c = static_cast<std::uint8_t>(c - 0x60);
    else if (c >= 0xE0 && c <= 0xFE)
        c = static_cast<std::uint8_t>(c - 0x40);
    if ((c >= 0x41 && c <= 0x5A) || (c >= 0x61 && c <= 0x7A)) c ^= 0x20;
    if (c == 0x09) c = 0xFE;
    if (c < 0x20 && c != 0x0D) c = '~';
    return c;
}

std::uint8_t toHostChar(std::uint8_t c) {
    c = petsciiToPc(c);
    switch (c) {
        case '"':
        case '/':
        case ':':
        case '<':
        case '>':
        case '?':
        case '\\':
        case '|':
            return '~';
        default:
            return c;
    }
}

void toHostName(char* name) {
    for (; *name != '\0'; ++name)
        *name = static_cast<char>(toHostChar(static_cast<std::uint8_t>(*name)));
}

std::string toHostName(std::string_view name) {
    std::string converted(name);
    for (char& c : converted) c = static_cast<char>(toHostChar(static_cast<std::uint8_t>(c)));
    return converted;
}

namespace {

const char* extensionOf(std::int32_t type) {
    return fileTypeExtensions[static_cast<std::size_t>(type & 7)];
}

// The existing file in `directory` whose name equals `name` regardless of
// case, or "" when there is none.
std::string existingFile(const std::string& directory, const std::string& name) {
    for (const platform::FoundFile& found : platform::findFiles(directory, name))
        if (!found.isDirectory && platform::compareNoCase(found.name, name) == 0) return found.path;
    return "";
}

}  // namespace

std::string DualBackedDrive::hostPath() const {
    auto ch = static_cast<std::size_t>(channelNumber);
    return path + hostName[ch] + extensionOf(hostType[ch]);
}

void DualBackedDrive::openHostFile() {
    traceLog() << "\n\n ***OPEN FILE**";
    auto ch = static_cast<std::size_t>(channelNumber);
    if (!hostBuffer[ch]) hostBuffer[ch] = std::make_unique<std::uint8_t[]>(kWholeFileSize);
    hostAccess[ch] = accessMode;
    hostType[ch] = fileType;
    hostName[ch] = toHostName(std::string_view(fileName));
    hostPos[ch] = 0;
    hostLength[ch] = 0;
    Channel& channel = current();
    if (accessMode != kAccessRead) {
        channel.reading = false;
        return;
    }
    channel.reading = true;
    std::string wanted = hostPath();
    traceLog() << "\n FILENAME = " << wanted;
    // The first file that fits: names compare without case, "*" is a wildcard.
    std::vector<platform::FoundFile> found =
        platform::findFiles(path, hostName[ch] + extensionOf(hostType[ch]));
    if (found.empty()) throwDriveError(kErrFileNotFound);
    try {
        platform::File file(found.front().path, platform::File::Mode::Read);
        hostLength[ch] = static_cast<std::int32_t>(file.read(hostBuffer[ch].get(), kWholeFileSize));
    } catch (const platform::FileError& e) {
        traceLog() << "\n\nFile could not be opened " << e.cause() << "\n";
        throwDriveError(kErrFileNotFound);
    }
}

void DualBackedDrive::closeHostFile() {
    traceLog() << "\n\n *** CLOSE FILE ****";
    Channel& channel = current();
    if (channel.isDirectory) {
        traceLog() << "   ** DIR_CLOSE **";
        finder.close();
        upcoming.reset();
        return;
    }
    auto ch = static_cast<std::size_t>(channelNumber);
    if (!channel.reading) {
        // An existing file of that name is replaced whatever the case of its
        // name; a new one gets the converted name.
        std::string target = existingFile(path, hostName[ch] + extensionOf(hostType[ch]));
        if (target.empty()) target = hostPath();
        const std::uint8_t* data = hostBuffer[ch].get();
        std::size_t count = data ? static_cast<std::size_t>(hostPos[ch]) : 0;
        try {
            if (hostAccess[ch] == kAccessAppend) {
                platform::File file(target, platform::File::Mode::Append);
                file.write(data, count);
                file.close();
            } else {
                platform::writeFileAtomically(target, data, count);
            }
        } catch (const platform::FileError& e) {
            traceLog() << "\n ERROR: " << target << " could not be saved, error = " << e.cause()
                       << "\n";
            freeHostBuffer(channelNumber);
            throwDriveError(kErrWriteError);
        }
    }
    freeHostBuffer(channelNumber);
}

std::int32_t DualBackedDrive::readHostByte() {
    auto ch = static_cast<std::size_t>(channelNumber);
    const std::uint8_t* data = hostBuffer[ch].get();
    if (data == nullptr || hostPos[ch] >= hostLength[ch]) return kLastByte;
    std::int32_t v = data[hostPos[ch]];
    if (hostPos[ch] == hostLength[ch] - 1) v |= kLastByte;
    ++hostPos[ch];
    return v;
}

void DualBackedDrive::writeHostByte(std::uint8_t b) {
    auto ch = static_cast<std::size_t>(channelNumber);
    std::uint8_t* data = hostBuffer[ch].get();
    if (data == nullptr || hostPos[ch] >= kWholeFileSize) return;
    data[hostPos[ch]++] = b;
}

}  // namespace brimwick::drive
