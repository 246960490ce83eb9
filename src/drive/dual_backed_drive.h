// A drive that serves either its D64 image or a directory of the PC. In PC
// mode every C64 file is one PC file named after it, with an extension for
// its type (GAME as a PRG is game.prg); a channel holds the whole file in
// memory from OPEN to CLOSE and the PC file is written only at CLOSE.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drive/drive_core.h"
#include "platform/file_finder.h"

namespace brimwick::drive {

class DualBackedDrive : public DriveCore {
  public:
    void openFile() override;
    void openDirectory() override;
    void closeFile() override;
    void fillDirectoryLine() override;
    std::int32_t readByte() override;
    void writeByte(std::uint8_t b) override;
    void reset(std::uint8_t* newImage) override;
    void setError(const c1541_error* error) override;
    std::int32_t scratchFiles(const std::vector<std::string>& patterns) override;
    void renameFile(const std::string& newName, const std::string& oldName) override;
    void copyFiles(const std::string& newName, const std::vector<std::string>& sources) override;
    void formatDisk(const std::string& name, const std::string& id) override;
    void initializeDisk() override;
    void validateDisk() override;

    // The PC file of the current channel: path, converted name, extension.
    std::string hostPath() const;
    // Files this drive writes become PC64 files (.p00, ...) that keep the
    // C64 name whole; PC64 files are read in either case.
    void setPc64Files(bool on) { pc64Files = on; }

    // One PC64 file of the directory.
    struct Pc64Entry {
        std::string path;  // the PC file
        std::string name;  // the C64 name in its header
        int type;          // the type its extension names
    };
    // The PC64 files whose C64 names match `pattern`, of `type` (any for -1).
    std::vector<Pc64Entry> pc64FilesMatching(const std::string& pattern, int type) const;

    std::array<std::int32_t, kChannelCount> hostAccess{};  // accessMode at the channel's OPEN
    std::array<std::int32_t, kChannelCount> hostType{};    // fileType at the channel's OPEN
    std::array<std::string, kChannelCount> hostName;       // the converted name at the OPEN
    std::array<std::string, kChannelCount> hostC64Name;    // the C64 name at the OPEN, as sent
    std::array<std::unique_ptr<std::uint8_t[]>, kChannelCount> hostBuffer;  // whole file, or none
    std::array<std::int32_t, kChannelCount> hostPos{};     // read or write position in hostBuffer
    std::array<std::int32_t, kChannelCount> hostLength{};  // bytes read from the PC file at OPEN
    bool hostListingDone = false;  // the PC directory enumeration delivered its last file
    platform::FileFinder finder;   // enumerates the PC directory for "$"
    std::optional<platform::FoundFile> upcoming;  // the entry the next listing line shows
    std::string path;       // the image file, or the PC directory with its trailing separator
    bool hostMode = false;  // serves a PC directory instead of the image
    bool pc64Files = false;  // files written to the PC directory are PC64 files

  private:
    void openHostFile();
    void closeHostFile();
    std::int32_t readHostByte();
    void writeHostByte(std::uint8_t b);
    void openHostDirectory();
    void fillHostDirectoryLine();
    void putHostHeaderLine();
    void freeHostBuffer(std::int32_t channel);
    // Writes the C64 file `name` of `type` into the PC directory whole: as a
    // PC64 file when pc64Files (the one that holds that name and type, or a
    // new one), else as name.ext (an existing one whatever its case).
    // Appends instead when `append`. Throws "25,WRITE ERROR".
    void writeHostFile(const std::string& name, std::int32_t type, const std::uint8_t* data,
                       std::size_t count, bool append);
    // The C64 files of the PC directory that a C64 name or pattern finds:
    // PC files with a type's extension whose names match regardless of case.
    std::vector<platform::FoundFile> hostFilesMatching(const std::string& pattern) const;
};

}  // namespace brimwick::drive
