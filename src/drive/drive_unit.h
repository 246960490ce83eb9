// A drive with its backing: the D64 image file it was mounted from (read
// whole into memory, written back whole when it has changed) or a PC
// directory. Also the image tools built on a drive: new empty images, adding
// a PC file to an image, unpacking every file of an image into a directory.
// A drive saves a modified image when it is unmounted, remounted or destroyed;
// drive RAM changed by DOS commands is dumped to RAM_C1541.prg beside it.
//
// The image in memory is the only copy of the user's changes. An image that
// cannot be saved is therefore never dropped while the program runs: the
// drive keeps it (and refuses to take another one), tells the person which
// file could not be written and why, and tries again at the next save.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/text_slice.h"
#include "drive/dual_backed_drive.h"
#include "platform/file.h"

namespace brimwick::drive {

// Where saveImage dumps drive RAM that DOS commands changed: a C64 program
// loading at $1000.
inline constexpr const char* kRamFileName = "RAM_C1541.prg";

// The outcome of addHostFile.
enum class AddResult {
    NoImage,     // the drive holds no image (or serves a PC directory)
    Added,       // the file is in the image
    Unreadable,  // the PC file could not be read; the image is unchanged
    WriteProtected,  // the image is a T64 tape, which takes no files
};

// What extractFiles did with one closed file of the image.
enum class ExtractOutcome {
    Written,       // the PC file holds the C64 file
    KeptExisting,  // a PC file of that name was there and was kept
    Unreadable,    // the file's block chain is damaged; `reason` is the drive status
    Unwritable,    // the PC file could not be written; `reason` is the system's
};

// How extractFiles treats a PC file that is there already.
enum class ExistingFiles { Replace, Keep };

// One closed file of an image and where it went.
struct ExtractedFile {
    std::string name;                                  // its C64 name, as in the directory
    std::string hostFile;                              // the PC file it went to, or would have
    ExtractOutcome outcome = ExtractOutcome::Written;  // what happened
    std::string reason;                                // why it was not written
    std::string nameTakenBy;  // the C64 file that took the PC name first, if any
};

class DriveUnit : public DualBackedDrive {
  public:
    DriveUnit() = default;
    ~DriveUnit() override;

    // Serves the image file at `newPath`, or the PC directory there when
    // `serveDirectory`; a modified image held so far is saved first. False
    // when the old image could not be saved (the drive keeps it and serves
    // it on), or when the new image cannot be read (loadFailure says why; the
    // drive is then without an image).
    bool mount(const std::string& newPath, bool serveDirectory);
    // Saves a modified image and drops the backing: the drive then has neither
    // an image nor a PC directory. When the image cannot be saved the person
    // is told, the drive keeps it as it is, and the result is false.
    bool unmount();
    // The last save before the drive goes: like unmount, but a modified image
    // that cannot be saved is given up (the person is told its changes are
    // lost). True when nothing was lost.
    bool release();
    // Writes the RAM dump when DOS commands changed RAM and the image file
    // when the image changed; true when everything needed was written
    // (otherwise saveFailure and ramSaveFailure say why).
    bool saveImage();
    // Reads the image file named by `path` into a new image, its format told
    // by its size; a T64 tape (told by its signature) is laid out as a
    // read-only disk. False, with no image, when the file cannot be read or
    // is neither.
    bool loadImage();
    // A new empty image of the format `disk`, to be written to `newPath` at
    // the next save; false when the old image could not be saved (the drive
    // keeps it).
    bool newImage(TextSlice newPath, const d64::DiskFormat& disk = d64::kD64Format);
    // Copies a PC file into the image under its base name, typed by its
    // extension; an existing file of that name is replaced.
    AddResult addHostFile(const std::string& hostFile);
    // Writes every closed file of the image into the PC directory that
    // `target` serves; true when every file was written.
    bool extractAll(DriveUnit& target);
    // The same, file by file: each closed file is written whole or not at
    // all, an existing PC file is replaced or kept, and a C64 name whose PC
    // name another file of the image took first gets a numbered PC name
    // instead ("p~q~2.prg"), so no file overwrites another. Empty when
    // there is nothing to extract from or to.
    std::vector<ExtractedFile> extractFiles(DriveUnit& target, ExistingFiles existing);
    // The file type that a PC file's extension names (.seq, .prg, ...), DEL
    // for any other.
    static std::int32_t typeFromExtension(const std::string& hostFile);
    void markImageModified() { imageModified = true; }
    // What the drive holds: "D64", "D71", "D81" or "T64".
    const char* medium() const { return writeProtected ? kTapeMedium : format->name; }
    static constexpr const char* kTapeMedium = "T64";
    // What the person is told when the last save failed: each file that could
    // not be written and the system's reason, one line each.
    std::string saveFailureText() const;
    // What the person is told when the image file could not be read for
    // device `device`: the file, the reason and that the drive has no disk.
    std::string loadFailureText(int device) const;

    std::string ramFilePath = kRamFileName;  // where the RAM dump goes
    std::string loadFailure;     // why the image file could not be read ("" when it was)
    std::string saveFailure;     // why the image file could not be written ("" when it was)
    std::string ramSaveFailure;  // why the RAM dump could not be written ("" when it was)

  private:
    // The longest file read to see whether it is a T64 tape.
    static constexpr std::int64_t kLongestTapeFile = 4 << 20;
    // Reads a T64 tape from `file` and lays it out as a read-only disk.
    bool loadTape(platform::File& file, std::int64_t length);
    // Tells the person what the last save could not write; `outcome` says
    // what becomes of the image.
    void reportSaveFailure(const char* outcome) const;

    std::unique_ptr<std::uint8_t[]> imageBuffer_;  // the image file's bytes; `image` is their start
    std::int32_t imageFileSize_ = 0;  // bytes in imageBuffer_: the image and what followed it
};

// The last save of a set of drives (the end of serving): every drive is
// released; true when no image was lost.
bool releaseAll(std::span<DriveUnit> drives);

}  // namespace brimwick::drive
