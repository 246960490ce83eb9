// The disk commands on a PC directory. S, R and C act on the directory's C64
// files (the PC files with a type's extension: .del, .seq, .prg, .usr, .rel),
// found by the same name rules as an OPEN: a C64 name becomes a PC name by
// petsciiToPc, "*" and "?" are wildcards, case does not matter. PC64 files
// (.p00, ...) are found by the C64 name in their header: R writes the new
// name there, C reads their data after it. Other PC files are never touched. N, I and V answer OK and change nothing: a PC
// directory has no BAM to make anew and is not the drive's to format.
#include <filesystem>
#include <system_error>

#include "d64/c1541_error.h"
#include "drive/dual_backed_drive.h"
#include "drive/host_files.h"
#include "drive/pc64_file.h"
#include "platform/file.h"
#include "platform/trace_log.h"

namespace brimwick::drive {

using platform::traceLog;

namespace {

constexpr std::int32_t kTypedExtensions = 5;  // .del to .rel
// A PC64 file is read with its header and a whole file's data.
constexpr std::size_t kPc64Limit = kPc64HeaderSize + kWholeFileSize;
constexpr std::ptrdiff_t kPc64NameEnd = 24;  // the header up to the name's end

// A C64 name or pattern as a PC pattern: like toHostName, but "?" stays a
// wildcard.
std::string hostPattern(const std::string& name) {
    std::string pattern;
    for (char c : name)
        pattern += c == '?' ? '?' : static_cast<char>(toHostChar(static_cast<std::uint8_t>(c)));
    return pattern;
}

// The index of the type whose extension `name` ends with, or -1.
std::int32_t typeOfHostName(const std::string& name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return -1;
    for (std::int32_t type = 0; type < kTypedExtensions; ++type)
        if (platform::compareNoCase(name.substr(dot), fileTypeExtensions[type]) == 0) return type;
    return -1;
}

}  // namespace

std::vector<platform::FoundFile> DualBackedDrive::hostFilesMatching(
    const std::string& pattern) const {
    std::vector<platform::FoundFile> files;
    for (platform::FoundFile& found : platform::findFiles(path, hostPattern(pattern) + ".*"))
        if (!found.isDirectory && typeOfHostName(found.name) >= 0) files.push_back(found);
    for (const Pc64Entry& entry : pc64FilesMatching(pattern, -1)) {
        platform::FoundFile found;
        found.path = entry.path;
        found.name = entry.path.substr(path.size());
        files.push_back(found);
    }
    return files;
}

std::int32_t DualBackedDrive::scratchFiles(const std::vector<std::string>& patterns) {
    if (!hostMode) return DriveCore::scratchFiles(patterns);
    std::int32_t count = 0;
    for (const std::string& pattern : patterns) {
        for (const platform::FoundFile& found : hostFilesMatching(pattern)) {
            std::error_code error;
            if (std::filesystem::remove(found.path, error)) {
                ++count;
            } else if (error) {
                traceLog() << "\n ERROR: " << found.path << " could not be removed, "
                           << error.message();
                throwDriveError(kErrWriteError);
            }
        }
    }
    return count;
}

void DualBackedDrive::renameFile(const std::string& newName, const std::string& oldName) {
    if (!hostMode) return DriveCore::renameFile(newName, oldName);
    if (!hostFilesMatching(newName).empty()) throwDriveError(kErrFileExists);
    std::vector<platform::FoundFile> old = hostFilesMatching(oldName);
    if (old.empty()) throwDriveError(kErrFileNotFound);
    if (pc64TypeOfName(old.front().name) >= 0) {
        // The PC file keeps its name; the C64 name in its header changes.
        try {
            std::vector<std::uint8_t> bytes = platform::readFile(old.front().path, kPc64Limit);
            std::vector<std::uint8_t> header = pc64Header(newName);
            std::copy(header.begin(), header.begin() + kPc64NameEnd, bytes.begin());
            platform::writeFileAtomically(old.front().path, bytes.data(), bytes.size());
        } catch (const platform::FileError& e) {
            traceLog() << "\n ERROR: " << old.front().path << " could not be renamed, "
                       << e.reason();
            throwDriveError(kErrWriteError);
        }
        return;
    }
    std::string type = fileTypeExtensions[typeOfHostName(old.front().name)];
    std::string target = path + toHostName(newName) + type;
    std::error_code error;
    std::filesystem::rename(old.front().path, target, error);
    if (error) {
        traceLog() << "\n ERROR: " << old.front().path << " could not be renamed, "
                   << error.message();
        throwDriveError(kErrWriteError);
    }
}

void DualBackedDrive::copyFiles(const std::string& newName,
                                const std::vector<std::string>& sources) {
    if (!hostMode) return DriveCore::copyFiles(newName, sources);
    if (!hostFilesMatching(newName).empty()) throwDriveError(kErrFileExists);
    std::vector<std::uint8_t> data;
    std::int32_t type = -1;
    for (const std::string& source : sources) {
        std::vector<platform::FoundFile> found = hostFilesMatching(source);
        if (found.empty()) throwDriveError(kErrFileNotFound);
        int pc64Type = pc64TypeOfName(found.front().name);
        if (type < 0) type = pc64Type >= 0 ? pc64Type : typeOfHostName(found.front().name);
        try {
            std::vector<std::uint8_t> part = platform::readFile(found.front().path, kPc64Limit);
            std::size_t skip = pc64Type >= 0 ? std::min(kPc64HeaderSize, part.size()) : 0;
            data.insert(data.end(), part.begin() + static_cast<std::ptrdiff_t>(skip), part.end());
        } catch (const platform::FileError& e) {
            traceLog() << "\nFile could not be opened " << e.cause() << "\n";
            throwDriveError(kErrFileNotFound);
        }
    }
    writeHostFile(newName, type, data.data(), data.size(), false);
}

void DualBackedDrive::formatDisk(const std::string& name, const std::string& id) {
    if (!hostMode) DriveCore::formatDisk(name, id);
}

void DualBackedDrive::initializeDisk() {
    if (!hostMode) DriveCore::initializeDisk();
}

void DualBackedDrive::validateDisk() {
    if (!hostMode) DriveCore::validateDisk();
}

}  // namespace brimwick::drive
