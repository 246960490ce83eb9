// S (SCRATCH): "S0:A*,B" deletes every file that one of the patterns finds;
// locked files stay. The answer is "01, FILES SCRATCHED,nn,00" with the count,
// also when it is 0. A file whose block chain is damaged leaves the directory
// all the same; the blocks past the damage stay taken until a VALIDATE.
#include "d64/block_cursor.h"
#include "drive/command_arguments.h"
#include "drive/drive_core.h"
#include "platform/trace_log.h"

namespace brimwick::drive {

void DriveCore::scratch() {
    std::vector<std::string> patterns = splitNames(commandArguments(commandLine()));
    filesScratched = scratchFiles(patterns);
    status = errorRow(kErrFilesScratched);
}

std::int32_t DriveCore::scratchFiles(const std::vector<std::string>& patterns) {
    requireWritableImage();
    std::int32_t count = 0;
    for (const std::string& pattern : patterns) {
        d64::BlockCursor dir(image, *format);
        dir.rewind();
        while (dir.findEntry(pattern.c_str())) {
            if (dir.entryType() & d64::kTypeLocked) continue;
            ++count;
            imageModified = true;
            try {
                dir.deleteFile();
            } catch (const c1541_error* e) {
                platform::traceLog() << "\n scratched file's chain: " << e->text;
            }
        }
    }
    return count;
}

}  // namespace brimwick::drive
