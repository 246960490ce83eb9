// Named files in a PC directory: the name conversion, and OPEN, byte reads
// and writes, and CLOSE for a drive in PC mode. A file is read whole at OPEN
// and written whole at CLOSE; nothing touches the disk in between.
#include "drive/host_files.h"

#include "d64/block_cursor.h"
#include "d64/c1541_error.h"
#include "drive/dual_backed_drive.h"
#include "drive/pc64_file.h"
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
    hostC64Name[ch] = fileName;
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
    // The first file that fits: names compare without case, "*" is a
    // wildcard. A PC64 file answers to its C64 name; a drive that writes
    // PC64 files looks at them first.
    std::vector<platform::FoundFile> found =
        platform::findFiles(path, hostName[ch] + extensionOf(hostType[ch]));
    std::vector<Pc64Entry> pc64 = pc64FilesMatching(fileName, hostType[ch]);
    bool fromPc64 = !pc64.empty() && (pc64Files || found.empty());
    if (!fromPc64 && found.empty()) throwDriveError(kErrFileNotFound);
    std::string file = fromPc64 ? pc64.front().path : found.front().path;
    try {
        platform::File in(file, platform::File::Mode::Read);
        hostLength[ch] = static_cast<std::int32_t>(in.read(hostBuffer[ch].get(), kWholeFileSize));
    } catch (const platform::FileError& e) {
        traceLog() << "\n\nFile could not be opened " << e.cause() << "\n";
        throwDriveError(kErrFileNotFound);
    }
    // The data of a PC64 file follow its header.
    if (fromPc64) hostPos[ch] = static_cast<std::int32_t>(kPc64HeaderSize);
}

std::vector<DualBackedDrive::Pc64Entry> DualBackedDrive::pc64FilesMatching(
    const std::string& pattern, int type) const {
    std::vector<Pc64Entry> files;
    for (const platform::FoundFile& found : platform::findFiles(path, "*.???")) {
        int pcType = pc64TypeOfName(found.name);
        if (found.isDirectory || pcType < 0 || (type >= 0 && pcType != type)) continue;
        std::vector<std::uint8_t> header;
        try {
            header = platform::readFile(found.path, kPc64HeaderSize);
        } catch (const platform::FileError&) {
            continue;  // unreadable: not one of ours to serve
        }
        std::optional<std::string> name = pc64NameOf(header);
        if (name && c64NameMatches(*name, pattern)) files.push_back({found.path, *name, pcType});
    }
    return files;
}

void DualBackedDrive::writeHostFile(const std::string& name, std::int32_t type,
                                    const std::uint8_t* data, std::size_t count, bool append) {
    std::string target;
    std::vector<std::uint8_t> bytes;
    if (pc64Files) {
        // The PC64 file that holds this very name (compared byte for byte,
        // no pattern), else the first free number of its PC name.
        for (const Pc64Entry& entry : pc64FilesMatching(name, type))
            if (entry.name == name.substr(0, d64::kNameLength)) target = entry.path;
        for (int n = 0; target.empty() && n < kPc64Numbers; ++n) {
            std::string candidate = path + pc64FileName(name, type, n);
            if (!platform::exists(candidate)) target = candidate;
        }
        if (target.empty()) throwDriveError(kErrWriteError);
        if (!append || !platform::exists(target)) {
            bytes = pc64Header(name);
            append = false;
        }
    } else {
        // An existing file of that name is replaced whatever the case of its
        // name; a new one gets the converted name.
        std::string pcName = toHostName(name) + extensionOf(type);
        target = existingFile(path, pcName);
        if (target.empty()) target = path + pcName;
    }
    bytes.insert(bytes.end(), data, data + count);
    try {
        if (append) {
            platform::File file(target, platform::File::Mode::Append);
            file.write(bytes.data(), bytes.size());
            file.close();
        } else {
            platform::writeFileAtomically(target, bytes.data(), bytes.size());
        }
    } catch (const platform::FileError& e) {
        traceLog() << "\n ERROR: " << target << " could not be saved, error = " << e.cause() << "\n";
        throwDriveError(kErrWriteError);
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
        const std::uint8_t* data = hostBuffer[ch].get();
        std::size_t count = data ? static_cast<std::size_t>(hostPos[ch]) : 0;
        try {
            writeHostFile(hostC64Name[ch], hostType[ch], data, count,
                          hostAccess[ch] == kAccessAppend);
        } catch (const c1541_error*) {
            freeHostBuffer(channelNumber);
            throw;
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
