// Parsing the name of an OPEN into the drive's OPEN fields.
#include "drive/file_name.h"

#include <cstring>

#include "d64/file_types.h"
#include "drive/drive_core.h"
#include "platform/trace_log.h"

namespace brimwick::drive {

using platform::traceLog;

void DriveCore::parseFileName() {
    char* text = commandText();
    traceLog() << "\n" << text;
    accessMode = kAccessRead;
    fileType = d64::kFileTypePrg;

    CommandScanner options;
    options.init(text, kRamBufferSize, 0, fileOptionTable);
    while (options.skipPast(',')) {
        std::int32_t code = options.matchKeyword();
        if (code < 0) break;
        if (code < kFirstAccessCode)
            fileType = code;
        else
            accessMode = code;
    }
    // The kernal's LOAD uses channel 0 and SAVE channel 1, whatever the name says.
    if (channelNumber == 0) accessMode = kAccessRead;
    if (channelNumber == 1) accessMode = kAccessWrite;

    Channel& channel = current();
    replaceExisting = false;
    channel.isDirectory = false;
    channel.isBuffer = false;

    char* p = text;
    while (*p != '\0' && *p != ',') ++p;
    *p = '\0';
    p = text;
    if (*p == '@') {
        replaceExisting = true;
        ++p;
    } else if (*p == '$') {
        channel.isDirectory = true;
        ++p;
    } else if (*p == '#') {
        channel.isBuffer = true;
        ++p;
    }
    for (char* q = p; *q != '\0'; ++q) {
        if (*q == ':') {
            p = q + 1;
            break;
        }
    }
    fileName = p;
    traceLog() << "\n FILEACCES =" << accessMode << "\n FILETYPE =" << fileType;
}

void DriveCore::checkNameToWrite() const {
    // "*" and "?" choose among names that exist. A file written under such a
    // name could never be asked for by it again, and with "@" the pattern
    // would choose some other file to replace: the 1541 refuses them.
    if (accessMode == kAccessRead) return;
    if (std::strpbrk(fileName, "*?") != nullptr) throwDriveError(kErrSyntaxName);
}

}  // namespace brimwick::drive
