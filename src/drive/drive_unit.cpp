// Mounting, saving and creating images, and copying files in and out.
#include "drive/drive_unit.h"

#include <array>
#include <cstring>
#include <iterator>
#include <unordered_map>
#include <vector>

#include "d64/blank_image.h"
#include "d64/c1541_error.h"
#include "d64/file_cursor.h"
#include "d64/file_types.h"
#include "d64/geometry.h"
#include "d64/tape_archive.h"
#include "drive/host_files.h"
#include "drive/pc64_file.h"
#include "platform/file.h"
#include "platform/paths.h"
#include "platform/trace_log.h"
#include "platform/user_dialogs.h"

namespace brimwick::drive {

using platform::traceLog;

namespace {

// The RAM dump's C64 load address, little-endian.
constexpr std::array<std::uint8_t, 2> kRamLoadAddress = {0x00, 0x10};

// The caption of the messages to the person.
constexpr const char* kCaption = "Brimwick";

// What a person is told about an image file of a size no D64 image has.
std::string wrongSizeReason(std::int64_t length) {
    constexpr std::size_t kSizes = std::size(d64::kImageFileSizes);
    std::string sizes;
    for (std::size_t i = 0; i < kSizes; ++i)
        sizes += (i == 0            ? ""
                  : i + 1 == kSizes ? " or "
                                    : ", ") +
                 std::to_string(d64::kImageFileSizes[i]);
    return "not a D64 image: " + std::to_string(length) + " bytes (a D64 image has " + sizes + ")";
}

}  // namespace

DriveUnit::~DriveUnit() {
    release();
}

bool DriveUnit::mount(const std::string& newPath, bool serveDirectory) {
    if (!unmount()) return false;
    path = serveDirectory ? platform::withTrailingSeparator(newPath) : newPath;
    hostMode = serveDirectory;
    bool ready = hostMode || loadImage();
    reset(image);
    return ready;
}

bool DriveUnit::unmount() {
    if (!hostMode && !saveImage()) {
        if (imageModified) {
            reportSaveFailure(
                "The disk stays in the drive, changes and all; they are saved at the "
                "next try.");
            return false;
        }
        reportSaveFailure("");
    }
    // Every channel lets go of the image before it goes.
    format = &d64::kD64Format;
    writeProtected = false;
    reset(nullptr);
    imageBuffer_.reset();
    imageFileSize_ = 0;
    hostMode = false;
    return true;
}

bool DriveUnit::release() {
    bool saved = hostMode || saveImage();
    if (!saved) reportSaveFailure(imageModified ? "The changes to the disk are lost." : "");
    format = &d64::kD64Format;
    writeProtected = false;
    reset(nullptr);
    imageBuffer_.reset();
    imageFileSize_ = 0;
    hostMode = false;
    return saved;
}

std::string DriveUnit::saveFailureText() const {
    std::string text;
    if (!saveFailure.empty())
        text += "The disk image " + path + " could not be saved: " + saveFailure + ".\n";
    if (!ramSaveFailure.empty())
        text +=
            "The drive RAM could not be written to " + ramFilePath + ": " + ramSaveFailure + ".\n";
    return text;
}

std::string DriveUnit::loadFailureText(int device) const {
    return "The disk image " + path + " could not be read: " + loadFailure + ".\nDevice " +
           std::to_string(device) + " has no disk.";
}

void DriveUnit::reportSaveFailure(const char* outcome) const {
    std::string text = saveFailureText() + outcome;
    platform::userDialogs().messageBox(text, kCaption, platform::MessageButtons::Ok,
                                       platform::MessageIcon::Stop);
}

bool DriveUnit::saveImage() {
    if (image == nullptr) return true;
    // A tape is never written back: its disk exists only in memory.
    if (writeProtected) imageModified = false;
    bool saved = true;
    if (ramModified) {
        std::vector<std::uint8_t> dump(kRamLoadAddress.begin(), kRamLoadAddress.end());
        dump.insert(dump.end(), ram.begin(), ram.end());
        try {
            platform::writeFileAtomically(ramFilePath, dump.data(), dump.size(),
                                          platform::Links::Refuse);
            ramModified = false;
            ramSaveFailure.clear();
        } catch (const platform::FileError& e) {
            traceLog() << "\nDiskimage could not be saved " << e.cause() << "\n";
            ramSaveFailure = e.reason();
            saved = false;
        }
    }
    if (imageModified) {
        traceLog() << "\n Saving_Diskimage";
        try {
            // A crash or a full disk halfway through keeps the old image
            // whole. What followed the 35 tracks in the file goes back as it
            // came.
            platform::writeFileAtomically(path, imageBuffer_.get(),
                                          static_cast<std::size_t>(imageFileSize_));
            imageModified = false;
            saveFailure.clear();
        } catch (const platform::FileError& e) {
            traceLog() << "\nFile could not be saved " << e.cause() << "\n";
            saveFailure = e.reason();
            saved = false;
        }
    }
    return saved;
}

bool DriveUnit::loadImage() {
    traceLog() << "\n versuch load diskimage: " << path;
    imageBuffer_.reset();
    imageFileSize_ = 0;
    image = nullptr;
    loadFailure.clear();
    format = &d64::kD64Format;
    writeProtected = false;
    try {
        platform::File file(path, platform::File::Mode::Read);
        std::int64_t length = file.length();
        // A file of any other size is some other kind of file: it is never
        // served, so it is never written back either.
        const d64::DiskFormat* disk = d64::formatForImageFileSize(length);
        if (disk == nullptr) return loadTape(file, length);
        auto buffer = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(length));
        std::size_t read = file.read(buffer.get(), static_cast<std::size_t>(length));
        if (static_cast<std::int64_t>(read) != length) {
            loadFailure = "the file changed while it was read";
            traceLog() << "\n\nFile could not be read whole\n";
            return false;
        }
        imageBuffer_ = std::move(buffer);
        imageFileSize_ = static_cast<std::int32_t>(length);
        image = imageBuffer_.get();
        format = disk;
        return true;
    } catch (const platform::FileError& e) {
        loadFailure = e.reason();
        traceLog() << "\n"
                   << "\nFile could not be opened " << e.cause() << "\n";
        return false;
    }
}

bool DriveUnit::loadTape(platform::File& file, std::int64_t length) {
    std::vector<std::uint8_t> bytes;
    if (length <= kLongestTapeFile) {
        bytes.resize(static_cast<std::size_t>(length));
        bytes.resize(file.read(bytes.data(), bytes.size()));
    }
    if (!d64::isTapeArchive(bytes)) {
        loadFailure = wrongSizeReason(length);
        traceLog() << "\n\nFile is no disk image, length " << length << "\n";
        return false;
    }
    d64::TapeArchive tape = d64::readTapeArchive(bytes);
    for (const d64::TapeEntry& entry : tape.entries)
        if (entry.endCorrected)
            traceLog() << "\n T64 entry \"" << entry.name << "\": end address " << entry.statedEnd
                       << " corrected to " << entry.start + entry.data.size()
                       << " (where the next data begin)";
    std::optional<d64::TapeDisk> disk = d64::tapeAsDisk(tape);
    if (!disk) {
        loadFailure = "a T64 tape whose programs do not fit on a D81 disk";
        return false;
    }
    imageFileSize_ = disk->format->imageSize();
    imageBuffer_ = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(imageFileSize_));
    std::copy(disk->image.begin(), disk->image.end(), imageBuffer_.get());
    image = imageBuffer_.get();
    format = disk->format;
    writeProtected = true;
    return true;
}

bool DriveUnit::newImage(TextSlice newPath, const d64::DiskFormat& disk) {
    if (!unmount()) return false;
    imageBuffer_ = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(disk.imageSize()));
    imageFileSize_ = disk.imageSize();
    format = &disk;
    reset(imageBuffer_.get());
    d64::formatBlankImage(image, disk);
    imageModified = true;
    hostMode = false;
    path = newPath.cstr();
    return true;
}

std::int32_t DriveUnit::typeFromExtension(const std::string& hostFile) {
    TextSlice extension(hostFile.c_str());
    selectLastFour(extension).foldLower();
    std::string four(extension.window());
    traceLog() << "\n Die Fileendung lautet " << four;
    for (std::int32_t type = d64::kFileTypeRel; type >= d64::kFileTypeDel; --type)
        if (four == fileTypeExtensions[type]) return type;
    return d64::kFileTypeDel;
}

AddResult DriveUnit::addHostFile(const std::string& hostFile) {
    if (image == nullptr || hostMode) return AddResult::NoImage;
    if (writeProtected) return AddResult::WriteProtected;
    traceLog() << "\n Filepath = " << hostFile;
    // The PC name game.prg is the C64 name GAME.
    TextSlice baseName(hostFile.c_str());
    selectBaseName(baseName).swapCase();
    std::string name(baseName.window().substr(0, d64::kNameLength));

    std::vector<std::uint8_t> data;
    try {
        data = platform::readFile(hostFile,
                                  static_cast<std::size_t>(format->imageSize()) + kPc64HeaderSize);
    } catch (const platform::FileError&) {
        traceLog() << "\n ERROR Add To Diskimage.";
        return AddResult::Unreadable;
    }
    // A PC64 file goes in under the C64 name and type it keeps, without its
    // header.
    std::int32_t type = typeFromExtension(hostFile);
    std::size_t pcName = hostFile.find_last_of(platform::kPathSeparator) + 1;
    int pc64Type = pc64TypeOfName(hostFile.substr(pcName));
    if (std::optional<std::string> c64Name = pc64NameOf(data); pc64Type >= 0 && c64Name) {
        name = *c64Name;
        type = pc64Type;
        data.erase(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(kPc64HeaderSize));
    }
    if (data.size() > static_cast<std::size_t>(format->imageSize()))
        data.resize(static_cast<std::size_t>(format->imageSize()));

    // The same name is replaced in its own entry. Names are compared as they
    // are: a "*" or "?" in a PC name is no pattern that could hit another file.
    d64::BlockCursor dir(image, *format);
    dir.layout = blockLayout();
    dir.rewind();
    bool found = false;
    while (!found && dir.nextEntry() != d64::kEndOfChain)
        found = dir.entryType() != 0 && dir.name() == name;
    if (found)
        dir.deleteFile();
    else
        dir.findFreeEntry();  // goes on from the end of the search
    dir.writeName(name.c_str());
    dir.allocateFirstBlock();
    dir.setEntryType(static_cast<std::uint8_t>(type));
    d64::FileCursor file(image, *format);
    file.layout = blockLayout();
    file.openAt(dir.entryFirstBlock());
    for (std::uint8_t b : data) file.writeNext(b);
    file.finishWrite();
    dir.closeEntry();
    imageModified = true;
    return AddResult::Added;
}

bool DriveUnit::extractAll(DriveUnit& target) {
    if (!target.hostMode || hostMode || image == nullptr) return false;
    bool complete = true;
    for (const ExtractedFile& file : extractFiles(target, ExistingFiles::Replace))
        complete = complete && file.outcome == ExtractOutcome::Written;
    return complete;
}

std::vector<ExtractedFile> DriveUnit::extractFiles(DriveUnit& target, ExistingFiles existing) {
    std::vector<ExtractedFile> files;
    if (!target.hostMode || hostMode || image == nullptr) return files;
    // Different C64 names can give the same PC name ("P?Q" and "P:Q" are
    // both p~q.prg), and the drives find PC files without regard to case:
    // a PC name taken earlier in this run goes to no second file. A damaged
    // directory may name thousands of files alike, so both lookups are
    // hashed: the PC names taken (folded to lower case, with the index of
    // the file that took each), and the number to try next for a name.
    std::unordered_map<std::string, std::size_t> taken;
    std::unordered_map<std::string, int> nextNumber;
    auto folded = [](std::string pcName) {
        for (char& c : pcName)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return pcName;
    };
    d64::BlockCursor dir(image, *format);
    dir.rewind();
    while (dir.nextEntry() != d64::kEndOfChain) {
        std::uint8_t type = dir.entryType();
        if (type == 0 || (type & d64::kTypeClosed) == 0) continue;
        if (dir.isPartition()) continue;  // a disk of its own, no file
        ExtractedFile out;
        out.name = dir.name();
        char name[d64::kNameLength + 1];
        dir.copyName(name);
        toHostName(name);
        const std::string extension = fileTypeExtensions[type & d64::kTypeMask];
        std::string pcName = name + extension;
        std::string key = folded(pcName);
        if (auto earlier = taken.find(key); earlier != taken.end()) {
            out.nameTakenBy = files[earlier->second].name;
            int& n = nextNumber.try_emplace(key, 2).first->second;
            do {
                pcName = name + ("~" + std::to_string(n++)) + extension;
            } while (taken.count(folded(pcName)) != 0);
        }
        taken.emplace(folded(pcName), files.size());
        out.hostFile = target.path + pcName;
        ExtractedFile& file = files.emplace_back(std::move(out));
        if (existing == ExistingFiles::Keep && platform::exists(file.hostFile)) {
            file.outcome = ExtractOutcome::KeptExisting;
            continue;
        }
        std::vector<std::uint8_t> bytes;
        try {
            d64::FileCursor chain(image, *format);
            chain.openAt(dir.entryFirstBlock());
            for (std::int32_t b; (b = chain.readNext()) != d64::kEndOfChain;)
                bytes.push_back(static_cast<std::uint8_t>(b));
        } catch (const c1541_error* e) {
            // A damaged chain spoils this file only; the others still come out.
            traceLog() << "\nProbleme bei File: " << file.hostFile;
            file.outcome = ExtractOutcome::Unreadable;
            file.reason = e->text;
            continue;
        }
        try {
            platform::writeFileAtomically(file.hostFile, bytes.data(), bytes.size());
        } catch (const platform::FileError& e) {
            traceLog() << "\nProbleme bei File: " << file.hostFile;
            file.outcome = ExtractOutcome::Unwritable;
            file.reason = e.reason();
        }
    }
    return files;
}

bool releaseAll(std::span<DriveUnit> drives) {
    bool saved = true;
    for (DriveUnit& unit : drives) saved = unit.release() && saved;
    return saved;
}

}  // namespace brimwick::drive
