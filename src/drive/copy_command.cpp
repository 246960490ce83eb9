// C (COPY): "C0:NEW=OLD" copies a file, "C0:NEW=A,B,C" joins files into a
// new one (the type of the first). Every source is read whole before the new
// file is written, and a copy that does not fit ("72,DISK FULL") leaves the
// disk exactly as it was.
#include <vector>

#include "d64/block_cursor.h"
#include "d64/file_cursor.h"
#include "drive/command_arguments.h"
#include "drive/drive_core.h"

namespace brimwick::drive {

void DriveCore::copy() {
    TargetAndSources names = splitAssignment(commandArguments(commandLine()));
    copyFiles(names.target, names.sources);
    status = errorRow(kErrOk);  // a 1541 answers every disk command
}

void DriveCore::copyFiles(const std::string& newName, const std::vector<std::string>& sources) {
    requireWritableImage();
    d64::BlockCursor dir(image, *format);
    dir.layout = blockLayout();
    dir.rewind();
    if (dir.findEntry(newName.c_str())) throwDriveError(kErrFileExists);
    std::vector<std::uint8_t> data;
    std::uint8_t type = 0;
    for (const std::string& source : sources) {
        dir.rewind();
        if (!dir.findEntry(source.c_str())) throwDriveError(kErrFileNotFound);
        if (dir.isPartition()) throwDriveError(kErrFileTypeMismatch);  // no file to copy
        if (type == 0) type = dir.entryType() & d64::kTypeMask;
        d64::FileCursor file(image, *format);
        file.openAt(dir.entryFirstBlock());
        for (std::int32_t b = file.readNext(); b != d64::kEndOfChain; b = file.readNext())
            data.push_back(static_cast<std::uint8_t>(b));
    }
    std::vector<std::uint8_t> before(image, image + format->imageSize());
    try {
        dir.rewind();
        dir.findFreeEntry();
        dir.writeName(newName.c_str());
        dir.allocateFirstBlock();
        dir.setEntryType(type);
        d64::FileCursor out(image, *format);
        out.layout = blockLayout();
        out.openAt(dir.entryFirstBlock());
        for (std::uint8_t b : data) out.writeNext(b);
        out.finishWrite();
        dir.closeEntry();
    } catch (const c1541_error*) {
        std::copy(before.begin(), before.end(), image);
        throw;
    }
    imageModified = true;
}

}  // namespace brimwick::drive
