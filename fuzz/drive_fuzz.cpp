// Sends arbitrary bus traffic to a drive: LISTEN/TALK, secondary addresses,
// OPEN names, DOS commands, data both ways and the whole-file transfers, on a
// damaged image or in a PC directory. Drive errors are handed back to the
// drive as the link dispatcher does; whatever arrives, the drive must not
// crash, hang, leak or touch memory outside its buffers, and in PC mode it
// must write nowhere but its own directory (a private temporary one).
//
// Input: one flag byte (bit 0: PC mode; bit 1: unpack the image afterwards; bit 2: the 1541
// mode, its listing, status and block layout; bits 3-4: the disk, D64, D71 or D81; bit 5: in
// PC mode, the files written are PC64 files; bit 6: the rest is a T64 tape, served read-only),
// a 16-bit program length, the program (one operation byte, then its arguments), then patches
// for the image: three bytes of offset, one byte of length, data (or a whole image). In PC mode
// the rest also becomes two PC64 files of the directory: one behind a good signature, one as it
// is.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <span>
#include <utility>
#include <string>
#include <vector>

#include "d64/blank_image.h"
#include "d64/c1541_error.h"
#include "d64/file_cursor.h"
#include "d64/geometry.h"
#include "d64/tape_archive.h"
#include "drive/drive_unit.h"
#include "drive/dual_backed_drive.h"
#include "platform/file.h"
#include "platform/user_dialogs.h"
#include "temp_dir.h"

using namespace brimwick;
using namespace brimwick::drive;

namespace {

constexpr std::uint8_t kDevice = 8;

// The private directory that PC mode serves: made at the first use, removed
// with everything in it when the fuzzer exits.
const std::string& scratchDirectory() {
    static const brimwick::testing::TempDir scratch;
    return scratch.path();
}

void emptyScratchDirectory() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(scratchDirectory(), ec))
        std::filesystem::remove_all(entry.path(), ec);
}

void addFile(std::uint8_t* image, const d64::DiskFormat& format, const char* name,
             std::uint8_t type, std::size_t length) {
    d64::BlockCursor dir(image, format);
    dir.rewind();
    dir.findFreeEntry();
    dir.writeName(name);
    dir.allocateFirstBlock();
    dir.setEntryType(type);
    d64::FileCursor file(image, format);
    file.openAt(dir.entryFirstBlock());
    for (std::size_t i = 0; i < length; ++i) file.writeNext(static_cast<std::uint8_t>(i));
    file.finishWrite();
    dir.closeEntry();
}

// Reads the input front to back; past its end every read is 0.
struct Reader {
    const std::uint8_t* data;  // the program
    std::size_t size;          // its length
    std::size_t at = 0;        // next byte

    bool more() const { return at < size; }
    std::uint8_t byte() { return at < size ? data[at++] : 0; }
    std::string text() {
        std::size_t n = std::min<std::size_t>(byte(), size - std::min(at, size));
        std::string s(reinterpret_cast<const char*>(data + at), n);
        at += n;
        return s;
    }
};

// One request as the dispatcher serves it.
template <typename Step>
void request(DualBackedDrive& drive, Step&& step) {
    try {
        step();
    } catch (const c1541_error* e) {
        drive.setError(e);
    }
}

void run(DualBackedDrive& drive, Reader program) {
    while (program.more()) {
        std::uint8_t op = program.byte();
        switch (op % 16) {
            case 0:
                request(drive, [&] { drive.listenOrTalk(kListen + kDevice); });
                break;
            case 1:
                request(drive, [&] { drive.listenOrTalk(kTalk + kDevice); });
                break;
            case 2: {
                std::uint8_t b = program.byte();
                request(drive, [&] { drive.secondaryAfterListen(b); });
                break;
            }
            case 3: {
                std::uint8_t b = program.byte();
                request(drive, [&] { drive.secondaryAfterTalk(b); });
                break;
            }
            case 4: {
                std::uint8_t b = program.byte();
                request(drive, [&] { drive.byteOut(b); });
                break;
            }
            case 5:
                for (char c : program.text())
                    request(drive, [&] { drive.byteOut(static_cast<std::uint8_t>(c)); });
                break;
            case 6:
                request(drive, [&] { drive.unlisten(); });
                break;
            case 7:
                request(drive, [&] { drive.untalk(); });
                break;
            case 8:
                for (int n = program.byte(); n > 0; --n)
                    request(drive, [&] { (void)drive.byteIn(); });
                break;
            case 9:
                // Only now and then: an idle drive delivers a whole buffer.
                if (op >= 0x80)
                    request(drive, [&] {
                        std::int32_t length = 0;
                        (void)drive.loadWholeFile(length);
                    });
                break;
            case 10: {
                std::string bytes = program.text();
                request(drive, [&] {
                    drive.saveWholeFile(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                        static_cast<std::int32_t>(bytes.size()));
                });
                break;
            }
            case 11:
            case 12: {  // OPEN with a name, or a DOS command
                std::uint8_t secondary =
                    op % 16 == 11
                        ? static_cast<std::uint8_t>(kSecondaryOpen + (program.byte() & 15))
                        : static_cast<std::uint8_t>(kSecondaryData + kCommandChannel);
                std::string name = program.text();
                request(drive, [&] { drive.listenOrTalk(kListen + kDevice); });
                request(drive, [&] { drive.secondaryAfterListen(secondary); });
                for (char c : name)
                    request(drive, [&] { drive.byteOut(static_cast<std::uint8_t>(c)); });
                request(drive, [&] { drive.unlisten(); });
                break;
            }
            case 13: {  // CLOSE
                auto secondary = static_cast<std::uint8_t>(kSecondaryClose + (program.byte() & 15));
                request(drive, [&] { drive.listenOrTalk(kListen + kDevice); });
                request(drive, [&] { drive.secondaryAfterListen(secondary); });
                request(drive, [&] { drive.unlisten(); });
                break;
            }
            case 14: {  // read a channel to its end (or a while)
                auto secondary = static_cast<std::uint8_t>(kSecondaryData + (program.byte() & 15));
                request(drive, [&] { drive.listenOrTalk(kTalk + kDevice); });
                request(drive, [&] { drive.secondaryAfterTalk(secondary); });
                for (int n = 0; n < 4096; ++n) {
                    std::int32_t v = 0;
                    request(drive, [&] { v = drive.byteIn(); });
                    if (v & kLastByte) break;
                }
                request(drive, [&] { drive.untalk(); });
                break;
            }
            default:
                break;
        }
    }
}

}  // namespace

// PC files are synced at CLOSE: keep the scratch directory in memory when the
// machine has a memory-backed file system.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (std::filesystem::is_directory("/dev/shm")) ::setenv("TMPDIR", "/dev/shm", 0);
    // Message boxes (the M-E refusal) go to the trace only, not the console.
    static platform::HeadlessDialogs quiet;
    platform::setUserDialogs(&quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    bool pcMode = (data[0] & 1) != 0;
    std::size_t programLength = std::min<std::size_t>(data[1] | (data[2] << 8), size - 3);
    Reader program{data + 3, programLength};

    const d64::DiskFormat* format = d64::kDiskFormats[((data[0] >> 3) & 3) % 3];
    const std::size_t imageSize = static_cast<std::size_t>(format->imageSize());
    std::vector<std::uint8_t> image(imageSize);
    d64::formatBlankImage(image.data(), *format);
    addFile(image.data(), *format, "FIRST", 0x82, 10);
    addFile(image.data(), *format, "SEQ", 0x81, 600);
    addFile(image.data(), *format, "THIRD", 0x82, 254);
    const std::size_t rest = 3 + programLength;
    std::size_t at = rest;
    bool tape = false;
    if ((data[0] & 0x40) != 0 && !pcMode) {
        std::optional<d64::TapeDisk> disk =
            d64::tapeAsDisk(d64::readTapeArchive(std::span<const std::uint8_t>(data + at, size - at)));
        if (!disk) return 0;
        format = disk->format;
        image = std::move(disk->image);
        tape = true;
        at = size;
    }
    if (size - at == imageSize) {
        std::memcpy(image.data(), data + at, size - at);  // a whole image of its own
        at = size;
    }
    while (at + 4 <= size) {
        std::size_t offset =
            ((std::size_t{data[at]} << 16) | (std::size_t{data[at + 1]} << 8) | data[at + 2]) %
            imageSize;
        std::size_t length = data[at + 3];
        at += 4;
        length = std::min({length, size - at, imageSize - offset});
        std::memcpy(image.data() + offset, data + at, length);
        at += length;
    }

    DualBackedDrive drive;
    if ((data[0] & 4) != 0) drive.setDosMode(DosMode::C1541);
    if (pcMode) {
        emptyScratchDirectory();
        drive.path = scratchDirectory() + "/";
        drive.hostMode = true;
        drive.setPc64Files((data[0] & 0x20) != 0);
        // PC64 files with the input's names and record lengths, and one
        // whose header is the input's.
        std::vector<std::uint8_t> pc64 = {'C', '6', '4', 'F', 'i', 'l', 'e', 0};
        pc64.insert(pc64.end(), data + rest, data + size);
        for (const auto& [name, bytes] :
             {std::pair{"/fuzz.p00", std::span<const std::uint8_t>(pc64)},
              std::pair{"/raw.s00", std::span<const std::uint8_t>(data + rest, size - rest)}})
            (void)platform::writeFileAtomically(scratchDirectory() + name, bytes.data(), bytes.size());
        drive.reset(nullptr);
    } else {
        drive.format = format;
        drive.writeProtected = tape;
        drive.reset(image.data());
    }
    run(drive, program);
    // Closing every channel writes what PC files are still open.
    for (std::uint8_t ch = 0; ch < kCommandChannel; ++ch) {
        request(drive, [&] { drive.listenOrTalk(kListen + kDevice); });
        request(drive, [&] {
            drive.secondaryAfterListen(static_cast<std::uint8_t>(kSecondaryClose + ch));
        });
    }
    drive.reset(nullptr);

    // Unpacking the image as it now stands, into the private directory.
    if (data[0] & 2) {
        emptyScratchDirectory();
        DriveUnit source;
        source.newImage(TextSlice(""), *format);
        std::memcpy(source.image, image.data(), image.size());
        DriveUnit target;
        target.mount(scratchDirectory(), true);
        request(source, [&] { (void)source.extractAll(target); });
        source.imageModified = false;  // nothing is saved
    }
    return 0;
}
