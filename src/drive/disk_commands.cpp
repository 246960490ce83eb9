// The commands on the disk as a whole: N (NEW), I (INITIALIZE) and V
// (VALIDATE). "N0:NAME,ID" formats the disk afresh with that name and id,
// "N0:NAME" gives it an empty directory and a new name and keeps its id. A
// drive that reads its image from memory has nothing to initialize: I only
// answers. V makes the BAM anew from the directory (see d64/validate.h).
#include "d64/blank_image.h"
#include "d64/geometry.h"
#include "d64/validate.h"
#include "drive/command_arguments.h"
#include "drive/drive_core.h"

namespace brimwick::drive {

void DriveCore::newDisk() {
    std::string command = commandLine();
    std::string_view arguments = commandArguments(command);
    std::size_t comma = arguments.find(',');
    std::string name(withoutDrive(arguments.substr(0, comma)));
    std::string id(comma == std::string_view::npos ? std::string_view()
                                                   : arguments.substr(comma + 1, d64::kIdLength));
    formatDisk(name, id);
    status = errorRow(kErrOk);  // a 1541 answers every disk command
}

void DriveCore::initialize() {
    initializeDisk();
    status = errorRow(kErrOk);  // a 1541 answers every disk command
}

void DriveCore::validate() {
    validateDisk();
    status = errorRow(kErrOk);  // a 1541 answers every disk command
}

void DriveCore::formatDisk(const std::string& name, const std::string& id) {
    requireWritableImage();
    abandonChannels();
    if (id.empty()) {
        const std::uint8_t* idBytes = image + format->headerOffset() + format->idAt;
        std::string kept(reinterpret_cast<const char*>(idBytes), d64::kIdLength);
        d64::newDirectory(image, *format);
        d64::writeDiskHeader(image, name, kept, *format);
    } else {
        d64::formatBlankImage(image, *format);
        d64::writeDiskHeader(image, name, id, *format);
    }
    imageModified = true;
}

void DriveCore::initializeDisk() {
    requireImage();
}

void DriveCore::validateDisk() {
    requireWritableImage();
    d64::validateImage(image, *format);
    imageModified = true;
}

}  // namespace brimwick::drive
