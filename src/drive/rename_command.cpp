// R (RENAME): "R0:NEW=OLD" gives the file OLD the name NEW. "63,FILE EXISTS"
// when a file NEW is there, "62,FILE NOT FOUND" when OLD is not, checked in
// that order as on a 1541.
#include "d64/block_cursor.h"
#include "drive/command_arguments.h"
#include "drive/drive_core.h"

namespace brimwick::drive {

void DriveCore::rename() {
    TargetAndSources names = splitAssignment(commandArguments(commandLine()));
    if (names.sources.size() != 1) throwDriveError(kErrSyntax);
    renameFile(names.target, names.sources.front());
    status = errorRow(kErrOk);  // a 1541 answers every disk command
}

void DriveCore::renameFile(const std::string& newName, const std::string& oldName) {
    requireWritableImage();
    d64::BlockCursor dir(image, *format);
    dir.rewind();
    if (dir.findEntry(newName.c_str())) throwDriveError(kErrFileExists);
    dir.rewind();
    if (!dir.findEntry(oldName.c_str())) throwDriveError(kErrFileNotFound);
    dir.writeName(newName.c_str());
    imageModified = true;
}

}  // namespace brimwick::drive
