// brimwick-cli d64: D64 image tools on the command line. They use the same
// drive code that serves the C64: a new image is exactly what the drive
// formats, the listing is what LOAD "$" delivers (shown the way the C64's
// LIST prints it), files go in and out as the drive's image tools copy
// them, and `cmd` sends DOS commands to channel 15 exactly as a C64 program
// does. The image file is only written when every step succeeded; `cmd`
// keeps what the commands before a failing one did, as a drive would.
#include <cctype>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/commands.h"
#include "config/side_settings.h"
#include "d64/c1541_error.h"
#include "drive/drive_unit.h"
#include "platform/file.h"
#include "platform/paths.h"

namespace brimwick::cli {

namespace {

using drive::DriveUnit;

constexpr std::uint8_t kDevice = 8;           // the device number the tools talk to
constexpr std::uint8_t kLoadChannel = 0;      // LOAD's channel: the only one that lists
constexpr std::size_t kLoadAddressBytes = 2;  // a program file starts with its load address
constexpr std::size_t kLineHeaderBytes = 4;   // a BASIC line starts with its link and number
constexpr std::uint8_t kCommandChannel = 15;  // DOS commands in, status out
constexpr int kFirstErrorCode = 20;           // status codes from 20 on are errors...
constexpr int kDosVersionCode = 73;           // ...but for the answer to a reset

// A failure of a tool: one line for stderr.
struct ToolError {
    std::string message;  // what went wrong
};

[[noreturn]] void fail(std::string message) {
    throw ToolError{std::move(message)};
}

// The tool's drives speak the DOS the settings choose (settings set
// dos=1541), as the served drives do.
void speakChosenDos(DriveUnit& unit) {
    unit.setDosMode(config::readDosMode(platform::settingsDirectory()));
}

// Mounts an existing image or fails; a file of no D64 image's size is refused.
void mountImage(DriveUnit& unit, const std::string& image) {
    if (!unit.mount(image, false)) fail("cannot read image " + image + ": " + unit.loadFailure);
}

// Saves the image or fails; the drive then lets go of it, so nothing tries
// to save it again.
void saveImage(DriveUnit& unit, const std::string& image) {
    if (unit.saveImage()) return;
    unit.imageModified = false;
    fail("cannot write image " + image + ": " + unit.saveFailure);
}

// LOAD "$..." through the bus: the whole BASIC program with its load address.
std::vector<std::uint8_t> loadListing(DriveUnit& unit, const std::string& pattern) {
    std::string name = pattern.empty() ? "$" : "$:" + pattern;
    unit.listenOrTalk(drive::kListen + kDevice);
    unit.secondaryAfterListen(drive::kSecondaryOpen + kLoadChannel);
    for (char c : name) unit.byteOut(static_cast<std::uint8_t>(c));
    unit.unlisten();
    unit.listenOrTalk(drive::kTalk + kDevice);
    unit.secondaryAfterTalk(drive::kSecondaryData + kLoadChannel);
    std::int32_t length = 0;
    std::vector<std::uint8_t> program = unit.loadWholeFile(length);
    unit.untalk();
    program.resize(static_cast<std::size_t>(length));
    return program;
}

// C64 text for a PC terminal: printable ASCII as it is, any other byte as
// \xNN.
std::string printable(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t b = bytes[i];
        if (b >= 0x20 && b <= 0x7E) {
            text += static_cast<char>(b);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
            text += escaped;
        }
    }
    return text;
}

std::string printable(const std::string& text) {
    return printable(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// The C64's reverse-video switches: RVS ON lasts to RVS OFF or the end of
// the line, as LIST prints it.
constexpr std::uint8_t kReverseOn = 0x12;
constexpr std::uint8_t kReverseOff = 0x92;
constexpr const char* kTerminalReverse = "\x1b[7m";  // the terminal's own
constexpr const char* kTerminalPlain = "\x1b[27m";

// A listing line's text: the reverse-video switches as the terminal's own
// when `terminal`, else left out (a pipe or file gets the plain text).
std::string listingText(const std::uint8_t* bytes, std::size_t count, bool terminal) {
    std::string text;
    bool reverse = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= count; ++i) {
        if (i < count && bytes[i] != kReverseOn && bytes[i] != kReverseOff) continue;
        text += printable(bytes + start, i - start);
        if (i < count && terminal && (bytes[i] == kReverseOn) != reverse) {
            reverse = bytes[i] == kReverseOn;
            text += reverse ? kTerminalReverse : kTerminalPlain;
        }
        start = i + 1;
    }
    // Reverse video to the line's end, but not over LIST's trailing blanks.
    if (reverse) {
        while (!text.empty() && text.back() == ' ') text.pop_back();
        text += kTerminalPlain;
    }
    return text;
}

// The program as LIST prints it: line number, a space, the line's bytes.
// Each line starts with the C64 address of the next one, and LIST follows
// that link: a 0 byte inside a line (a file name may hold one) does not end
// the line early.
std::string listProgram(const std::vector<std::uint8_t>& program, bool terminal) {
    std::string out;
    if (program.size() < kLoadAddressBytes) return out;
    const std::size_t loadAddress = program[0] | (program[1] << 8);
    std::size_t pos = kLoadAddressBytes;
    while (pos + kLineHeaderBytes <= program.size()) {
        std::size_t link = program[pos] | (program[pos + 1] << 8);
        if (link == 0) break;
        unsigned number = program[pos + 2] | (program[pos + 3] << 8);
        // The line's text ends with the 0 just before the next line.
        if (link < loadAddress) break;
        std::size_t next = link - loadAddress + kLoadAddressBytes;
        if (next <= pos + kLineHeaderBytes || next > program.size()) break;
        std::string text = listingText(&program[pos + kLineHeaderBytes],
                                       next - 1 - (pos + kLineHeaderBytes), terminal);
        while (!text.empty() && text.back() == ' ') text.pop_back();
        out += std::to_string(number) + " " + text + "\n";
        pos = next;
    }
    return out;
}

// Sends one DOS command to channel 15 (PRINT#15): a drive error becomes the
// status, as the link dispatcher makes it.
void sendCommand(DriveUnit& unit, const std::string& command) {
    try {
        unit.listenOrTalk(drive::kListen + kDevice);
        unit.secondaryAfterListen(drive::kSecondaryData + kCommandChannel);
        for (char c : command) unit.byteOut(static_cast<std::uint8_t>(c));
        unit.unlisten();
    } catch (const c1541_error* e) {
        unit.setError(e);
    }
}

// Reads channel 15 up to the byte with the end flag: the status line (its
// carriage return dropped), or the bytes of an M-R.
std::string readCommandChannel(DriveUnit& unit) {
    unit.listenOrTalk(drive::kTalk + kDevice);
    unit.secondaryAfterTalk(drive::kSecondaryData + kCommandChannel);
    std::string bytes;
    for (std::int32_t v = 0; (v & drive::kLastByte) == 0 && bytes.size() < drive::kRamBufferSize;) {
        v = unit.byteIn();
        bytes += static_cast<char>(v & 0xFF);
    }
    unit.untalk();
    if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    return bytes;
}

// "\xNN" in a command given on the command line stands for the byte NN, so
// M-R and M-W can be typed ("M-R\xC6\xE5\x01").
std::string commandBytes(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\x") == 0 && i + 3 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 3]))) {
            bytes += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// The number a status line begins with ("62,FILE NOT FOUND" is 62).
int statusCode(const std::string& status) {
    int code = 0;
    for (std::size_t i = 0; i < status.size() && std::isdigit(static_cast<unsigned char>(status[i])); ++i)
        code = code * 10 + (status[i] - '0');
    return code;
}

// A disk name or id as the C64 types it: PC letters become the C64's
// unshifted letters (PETSCII capitals).
std::string petsciiText(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

void newImage(const std::string& image, bool force, const std::string& name,
              const std::string& id, const d64::DiskFormat& format) {
    if (!force && platform::exists(image)) fail(image + " exists (use --force to replace it)");
    DriveUnit unit;
    speakChosenDos(unit);
    unit.newImage(TextSlice(image.c_str()), format);
    if (!name.empty() || !id.empty()) {
        // Formatted by the drive's own NEW command.
        std::string command = "N:" + petsciiText(name);
        if (!id.empty()) command += "," + petsciiText(id);
        sendCommand(unit, command);
        std::string status = readCommandChannel(unit);
        if (statusCode(status) >= kFirstErrorCode) fail(status);
    }
    saveImage(unit, image);
}

// Prints the status after each command (or the bytes of an M-R, in hex);
// true when no command failed.
bool runCommands(const std::string& image, const std::vector<std::string>& commands) {
    DriveUnit unit;
    speakChosenDos(unit);
    mountImage(unit, image);
    bool allWorked = true;
    for (const std::string& command : commands) {
        std::string bytes = commandBytes(command);
        sendCommand(unit, bytes);
        std::string answer = readCommandChannel(unit);
        if (bytes.rfind("M-R", 0) == 0 && unit.status == errorRow(kErrOk)) {
            std::string hex;
            for (char c : answer) {
                char part[4];
                std::snprintf(part, sizeof part, "%02X ", static_cast<unsigned char>(c));
                hex += part;
            }
            if (!hex.empty()) hex.pop_back();
            std::cout << hex << "\n";
            continue;
        }
        std::cout << printable(answer) << "\n";
        int code = statusCode(answer);
        if (code >= kFirstErrorCode && code != kDosVersionCode) allWorked = false;
    }
    saveImage(unit, image);
    return allWorked;
}

void listImage(const std::string& image, const std::string& pattern, bool as1541) {
    DriveUnit unit;
    speakChosenDos(unit);
    mountImage(unit, image);
    if (as1541) unit.setDosMode(drive::DosMode::C1541);
    // A D64 lists as it always has; any other medium is named first.
    if (unit.medium() != d64::kD64Format.name) std::cout << unit.medium() << " " << image << "\n";
    std::cout << listProgram(loadListing(unit, pattern), ::isatty(STDOUT_FILENO) == 1);
}

void addFiles(const std::string& image, const std::vector<std::string>& files) {
    // Every PC file must be readable before the image is touched.
    for (const std::string& file : files) {
        try {
            platform::File(file, platform::File::Mode::Read);
        } catch (const platform::FileError& e) {
            fail("cannot " + e.message());
        }
    }
    DriveUnit unit;
    speakChosenDos(unit);
    if (platform::exists(image))
        mountImage(unit, image);
    else
        unit.newImage(TextSlice(image.c_str()));
    try {
        for (const std::string& file : files) {
            drive::AddResult added = unit.addHostFile(file);
            if (added == drive::AddResult::WriteProtected)
                fail(image + " is a " + unit.medium() + ", which is read-only (" +
                     errorRow(kErrWriteProtect)->text + ")");
            if (added != drive::AddResult::Added) fail("cannot read file " + file);
        }
    } catch (...) {
        unit.imageModified = false;  // leave the image file as it was
        throw;
    }
    saveImage(unit, image);
}

void extractFiles(const std::string& image, const std::string& directory, bool force) {
    DriveUnit unit;
    speakChosenDos(unit);
    mountImage(unit, image);
    try {
        platform::createDirectory(directory);
    } catch (const platform::FileError& e) {
        fail("cannot " + e.message());
    }
    DriveUnit target;
    target.mount(directory, true);
    std::vector<drive::ExtractedFile> files = unit.extractFiles(
        target, force ? drive::ExistingFiles::Replace : drive::ExistingFiles::Keep);
    std::size_t missing = 0;
    for (const drive::ExtractedFile& file : files) {
        std::string name = "\"" + printable(file.name) + "\"";
        switch (file.outcome) {
            case drive::ExtractOutcome::Written:
                if (!file.nameTakenBy.empty())
                    std::cerr << "d64 extract: " << name << " written as " << file.hostFile
                              << ": its own name went to \"" << printable(file.nameTakenBy)
                              << "\"\n";
                continue;
            case drive::ExtractOutcome::KeptExisting:
                std::cerr << "d64 extract: " << file.hostFile << " exists, " << name
                          << " not extracted (--force replaces it)\n";
                break;
            case drive::ExtractOutcome::Unreadable:
                std::cerr << "d64 extract: cannot read " << name << " from " << image << ": "
                          << file.reason << "\n";
                break;
            case drive::ExtractOutcome::Unwritable:
                std::cerr << "d64 extract: cannot write " << file.hostFile << ": " << file.reason
                          << "\n";
                break;
        }
        ++missing;
    }
    if (missing != 0)
        fail(std::to_string(missing) + " of " + std::to_string(files.size()) +
             " files not extracted into " + directory);
}

// Runs a tool and turns its failure into one line on stderr and exit status 1.
template <typename Tool>
void run(CommandRegistry& registry, const char* name, Tool&& tool) {
    try {
        tool();
        registry.exitCode = 0;
    } catch (const ToolError& e) {
        std::cerr << "d64 " << name << ": " << e.message << "\n";
        registry.exitCode = 1;
    } catch (const c1541_error* e) {
        // A drive error on the image: "72,DISK FULL", a damaged chain, ...
        std::cerr << "d64 " << name << ": " << e->text << "\n";
        registry.exitCode = 1;
    }
}

// The options of the subcommands, alive while the app parses and runs.
struct D64Options {
    std::string image;               // the D64 image file
    std::string pattern;             // the listing's name pattern
    std::string directory;           // where extract writes
    std::vector<std::string> files;  // what add copies in
    std::vector<std::string> commands;  // what cmd sends to channel 15
    std::string diskName;               // new: the disk name
    std::string diskId;                 // new: the disk id
    bool force = false;              // new and extract may replace existing files
    bool as1541 = false;             // list: the 1541's listing
    bool d71 = false;                // new: a D71 image
    bool d81 = false;                // new: a D81 image
};

}  // namespace

void addD64Command(CLI::App& app, CommandRegistry& registry) {
    auto options = std::make_shared<D64Options>();
    CLI::App* d64 = app.add_subcommand("d64", "Disk image tools: D64, D71, D81 images and T64 tapes");
    d64->require_subcommand(1);

    CLI::App* create = d64->add_subcommand("new", "Create an empty disk image");
    create->add_option("IMAGE", options->image, "the image file")->required();
    create->add_flag("--force", options->force, "replace an existing file");
    create->add_option("--name", options->diskName, "the disk name (up to 16 characters)");
    create->add_option("--id", options->diskId, "the disk id (2 characters)");
    CLI::Option* d71 = create->add_flag("--d71", options->d71, "a 1571's double-sided D71 image");
    create->add_flag("--d81", options->d81, "a 1581's D81 image")->excludes(d71);
    create->callback([options, &registry] {
        run(registry, "new", [&] {
            const d64::DiskFormat& format = options->d81   ? d64::kD81Format
                                            : options->d71 ? d64::kD71Format
                                                           : d64::kD64Format;
            newImage(options->image, options->force, options->diskName, options->diskId, format);
        });
    });

    CLI::App* cmd = d64->add_subcommand(
        "cmd", "Send DOS commands to the image's channel 15 and print each status");
    cmd->add_option("IMAGE", options->image, "the image file")->required();
    cmd->add_option("COMMAND", options->commands,
                    "DOS commands (\"S:NAME\", \"R:NEW=OLD\", \"V\", ...); \\xNN is a byte")
        ->required();
    cmd->callback([options, &registry] {
        run(registry, "cmd", [&] {
            if (!runCommands(options->image, options->commands))
                fail("a command failed (its status is above)");
        });
    });

    CLI::App* list = d64->add_subcommand("list", "Show the directory as the C64 lists it");
    list->add_option("IMAGE", options->image, "the image file")->required();
    list->add_option("PATTERN", options->pattern,
                     "names to list as the listing shows them, with * and ? (default all)");
    list->add_flag("--1541", options->as1541,
                   "list as a 1541 does: header line, free blocks without track 18");
    list->callback([options, &registry] {
        run(registry, "list",
            [&] { listImage(options->image, options->pattern, options->as1541); });
    });

    CLI::App* add =
        d64->add_subcommand("add", "Copy PC files into an image (created when missing)");
    add->add_option("IMAGE", options->image, "the image file")->required();
    add->add_option("FILE", options->files, "PC files; the extension gives the type")->required();
    add->callback([options, &registry] {
        run(registry, "add", [&] { addFiles(options->image, options->files); });
    });

    CLI::App* extract = d64->add_subcommand("extract",
                                            "Copy every closed file of an image into a directory; "
                                            "PC files already there are kept unless --force");
    extract->add_option("IMAGE", options->image, "the image file")->required();
    extract->add_option("DIR", options->directory, "the target directory (created when missing)")
        ->required();
    extract->add_flag("--force", options->force, "replace PC files that are there already");
    extract->callback([options, &registry] {
        run(registry, "extract",
            [&] { extractFiles(options->image, options->directory, options->force); });
    });
}

}  // namespace brimwick::cli
