// The shell commands that make files: unpacking an image into a directory,
// adding a file to ADD.d64, and converting a raw file to a program or a C64
// text to a PC text. Each output file is written whole or not at all, and
// never over the command's own input; every failure is told to the person
// with the file and the reason.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "d64/c1541_error.h"
#include "drive/host_files.h"
#include "platform/file.h"
#include "platform/trace_log.h"
#include "shell/shell_commands.h"

namespace brimwick::shell {

using platform::traceLog;

namespace {

constexpr std::uint8_t kReturn = 0x0D;
constexpr std::uint8_t kLineFeed = 0x0A;
constexpr std::uint8_t kBasicStartLow = 0x01;  // $0801, low byte first
constexpr std::uint8_t kBasicStartHigh = 0x08;

// The path with the extension of its file name replaced by another one, or
// the other one appended when the name has none (a dot that begins the name
// starts no extension). It stays in the directory of the path: cutting four
// characters off "sub/ab" would name "su.prg" in the parent.
std::string withExtension(const std::string& argument, const char* extension) {
    std::string directory = directoryOf(argument);
    std::string name = argument.substr(directory.size());
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return directory + name + extension;
}

// The directory an image is unpacked into: the image's path without the
// extension of its file name (the name ends at its first '.' after the
// first character).
std::string unpackDirectory(const std::string& argument) {
    std::string directory = directoryOf(argument);
    std::string name = argument.substr(directory.size());
    std::size_t dot = name.find('.', 1);
    return directory + (dot == std::string::npos ? name : name.substr(0, dot));
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return a == b || std::filesystem::equivalent(a, b, ec);
}

}  // namespace

std::string readFailure(const std::string& path) {
    try {
        platform::File file(path, platform::File::Mode::Read);
    } catch (const platform::FileError& e) {
        return e.reason();
    }
    return "it could not be read whole";
}

bool ShellCommands::writeOutput(const std::string& output, const std::string& input,
                                const std::vector<std::uint8_t>& bytes) {
    if (sameFile(output, input)) {
        showError("Converting " + input +
                  " would write over the file itself.\nNothing was written.");
        return false;
    }
    // Only a regular file is replaced: never a link (it would write where
    // it points), a FIFO, a device or a directory.
    if (std::string kind = platform::specialFileKind(output, platform::Links::Refuse);
        !kind.empty()) {
        showError("Could not write " + output + ": it is " + kind +
                  ", not a regular file.\nNothing was written.");
        return false;
    }
    try {
        platform::writeFileAtomically(output, bytes.data(), bytes.size());
    } catch (const platform::FileError& e) {
        showError("Could not write " + output + ": " + e.reason() +
                  ".\nNothing was written.");
        return false;
    }
    return true;
}

void ShellCommands::saveLocalImage(drive::DriveUnit& unit) {
    if (unit.saveImage()) return;
    showError(unit.saveFailureText() + "The file is as it was.");
    // The person has been told; the unit goes with the command.
    unit.imageModified = false;
    unit.ramModified = false;
}

void ShellCommands::unpackDisk(const CommandString& s) {
    drive::DriveUnit source;
    speakServedDos(source);
    if (!source.mount(s.argument, s.programFile)) {
        showError("The image " + s.argument + " could not be read: " + source.loadFailure +
                  ".\nNothing was unpacked.");
        return;
    }
    std::string directory = unpackDirectory(s.argument);
    if (::mkdir(directory.c_str(), 0777) != 0) {
        int cause = errno;
        traceLog() << "\n ERROR makedir: \n    errno =" << cause << "   eacces =" << EACCES
                   << "    enoent = " << ENOENT << "\n   eexist =" << EEXIST;
        if (cause == EEXIST)
            failWithDetail("Directory Already Exists. Aborted.",
                           directory + ": " + std::strerror(cause));
        else
            showError("The directory " + directory +
                      " could not be created: " + std::strerror(cause) + ". Aborted.");
        return;
    }
    drive::DriveUnit target;
    target.mount(directory + "/", true);
    // The files that did not come out, each with the reason.
    std::string failures;
    for (const drive::ExtractedFile& file :
         source.extractFiles(target, drive::ExistingFiles::Replace))
        if (file.outcome != drive::ExtractOutcome::Written)
            failures += (failures.empty() ? "" : "\n") + file.hostFile + ": " + file.reason;
    if (!failures.empty())
        failWithDetail("An Error Occured During Unpacking Diskimage.",
                       s.argument + " into " + directory + "/:\n" + failures);
}

void ShellCommands::convertToProgram(const CommandString& s) {
    std::string output = withExtension(s.argument, ".prg");
    std::vector<std::uint8_t> input;
    try {
        input = platform::readFile(s.argument, kConvertInputLimit);
    } catch (const platform::FileError& e) {
        showError("Could not read " + s.argument + ": " + e.reason() + ".");
        return;
    }
    // A C64 program loading at $0801, from the input's byte 1024 on.
    std::vector<std::uint8_t> program = {kBasicStartLow, kBasicStartHigh};
    if (input.size() > kConvertSkippedBytes)
        program.insert(program.end(), input.begin() + kConvertSkippedBytes, input.end());
    writeOutput(output, s.argument, program);
}

void ShellCommands::addToImage(const CommandString& s) {
    // ADD.d64 lies beside the file.
    std::string imagePath = directoryOf(s.fullArgument) + kAddImageName;
    // ADD.d64 is a name of ours: a link, FIFO or device in its place would
    // make the command write elsewhere or hang.
    if (std::string kind = platform::specialFileKind(imagePath, platform::Links::Refuse);
        !kind.empty() && kind != "a directory") {
        showError("The image " + imagePath + " is " + kind +
                  ", not a regular file.\nNothing was added.");
        return;
    }
    drive::DriveUnit unit;
    speakServedDos(unit);
    // A drive of the command's own: it holds nothing, so only the image can fail.
    bool ready = platform::exists(imagePath) ? unit.mount(imagePath, false)
                                             : unit.newImage(TextSlice(imagePath.c_str()));
    if (!ready) {
        showError("The image " + imagePath + " could not be read: " + unit.loadFailure +
                  ".\nNothing was added.");
        return;
    }
    try {
        if (unit.addHostFile(s.fullArgument) == drive::AddResult::Unreadable) {
            unit.imageModified = false;
            showError("Could not read " + s.fullArgument + " (" + readFailure(s.fullArgument) +
                      ").\nNothing was added to " + imagePath + ".");
            return;
        }
    } catch (const c1541_error* e) {
        // "72,DISK FULL" and the like: the image file stays as it was.
        unit.imageModified = false;
        showError("Could not add " + s.fullArgument + " to " + imagePath + ": " + e->text +
                  ".\nThe image is unchanged.");
        return;
    }
    saveLocalImage(unit);
}

void ShellCommands::convertText(const CommandString& s) {
    std::string output = withExtension(s.argument, ".a64");
    std::vector<std::uint8_t> input;
    try {
        input = platform::readFile(s.argument, kTextInputLimit + 1);
    } catch (const platform::FileError& e) {
        showError("Could not read " + s.argument + ": " + e.reason() + ".");
        return;
    }
    if (input.size() > kTextInputLimit) {
        showError(s.argument + " is too large for a C64 text file.\nNothing was written.");
        return;
    }
    std::vector<std::uint8_t> text;
    text.reserve(input.size() * 2);
    for (std::uint8_t c : input) {
        std::uint8_t pc = drive::petsciiToPc(c);
        text.push_back(pc);
        if (pc == kReturn) text.push_back(kLineFeed);
    }
    writeOutput(output, s.argument, text);
}

}  // namespace brimwick::shell
