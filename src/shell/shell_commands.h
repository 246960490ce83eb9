// The shell commands: what happens when the person opens a file of a type
// the desktop associates with Brimwick. The desktop hands over an execute
// string, a four-character code and the file's path, and the handler mounts
// an image or directory in a drive, redirects a device to a real drive,
// fills, unpacks or converts files, assembles a source, and starts programs
// in the C64 by resetting it and typing LOAD and RUN into its keyboard buffer.
//
//   ID__ IDS_   serve an image (or a program's directory) on device 8 / a chosen device
//   UD__        unpack an image into a new directory beside it
//   L___        serve a program's directory and LOAD and RUN it
//   CT__        a raw file as a program loading at $0801 (the first 1024 bytes dropped)
//   ADD_        add a file to ADD.d64 in its directory
//   CDD_        copy a real disk into drv8.d64 with the disk copier
//   CASC        a C64 text file as a PC text file (".a64")
//   ASS_        assemble a TurboAss source, then LOAD and RUN it if asked to
//   ETF_        start TurboAss on the C64 and load the file into it
//   IPD_ IPDS   pass device 8 / a chosen device to the real drive the file names
//
// Each command runs to its end before the next string is taken, between two
// requests of the C64, never during one. Every question and every failure
// goes to the person through the user dialogs, and the command's result
// says whether it did its work (exec exits with it).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/request_dispatcher.h"
#include "platform/user_dialogs.h"
#include "shell/command_string.h"

namespace brimwick::shell {

// Where the C64 programs that CDD_ and ETF_ load live, below the person's
// data directory or, when the person has none, the installed one. A drive
// serves the whole directory, so the two are never mixed.
inline constexpr const char* kC64ProgramsDirectory = "c64/";
inline constexpr const char* kAddImageName = "ADD.d64";    // ADD_'s image
inline constexpr const char* kCopyImageName = "drv8.d64";  // CDD_'s new image
inline constexpr std::size_t kConvertInputLimit = 65536;   // CT__ reads this much at most
inline constexpr std::size_t kConvertSkippedBytes = 1024;  // CT__ drops this many first
inline constexpr std::size_t kTextInputLimit = 64u << 20;  // CASC refuses larger files

// The dialogs of the person, counting how many are open: a string that
// arrives while one is open is dropped.
class TrackedDialogs : public platform::UserDialogs {
  public:
    platform::MessageAnswer messageBox(std::string_view text, std::string_view caption,
                                       platform::MessageButtons buttons,
                                       platform::MessageIcon icon) override;
    platform::MessageAnswer messageBoxWithDetail(std::string_view text, std::string_view detail,
                                                 std::string_view caption,
                                                 platform::MessageButtons buttons,
                                                 platform::MessageIcon icon) override;
    std::optional<int> selectDrive(int preselected = platform::kPreselectedDrive) override;
    // Read from the socket's thread while the link thread shows them.
    bool anyOpen() const { return open_.load() > 0; }

  private:
    std::atomic<int> open_{0};  // dialogs shown and not yet closed
};

// What became of one execute string.
enum class Outcome {
    Done,      // the command did its work
    Failed,    // it could not (the person has been told why)
    NotTyped,  // it did its work, but no C64 took the keys it was to type
};

struct CommandResult {
    Outcome outcome = Outcome::Done;
    std::string message;  // for Failed and NotTyped: why, in one line or a few
    bool shown = false;   // the message has been shown in a message box
};

// Why a file cannot be read, as the system says it.
std::string readFailure(const std::string& path);

class ShellCommands {
  public:
    // Works on the dispatcher's drives, settings, cable and keyboard feed.
    explicit ShellCommands(link::RequestDispatcher& dispatcher);

    // Runs one execute string to its end.
    CommandResult execute(std::string_view executeString);

    // True while one of the commands' message boxes or the drive selection
    // is open.
    bool dialogOpen() const { return dialogs_.anyOpen(); }

    // Shows an assembler listing (the desktop's opener unless replaced).
    std::function<void(const std::string&)> documentOpener;
    // The text the last command typed, and whether the C64 got it (no port,
    // or a text still being typed, refuse it).
    std::string lastTypedText;
    bool lastTextTyped = false;

  private:
    using Command = void (ShellCommands::*)(const CommandString&);
    struct Entry {
        const char* code;  // four characters
        Command run;       // what it does
    };
    static const Entry kCommands[];

    void insertDisk(const CommandString& s);
    void insertDiskSelected(const CommandString& s);
    void unpackDisk(const CommandString& s);
    void loadAndRun(const CommandString& s);
    void convertToProgram(const CommandString& s);
    void addToImage(const CommandString& s);
    void copyRealDisk(const CommandString& s);
    void convertText(const CommandString& s);
    void assemble(const CommandString& s);
    void editInTurboAss(const CommandString& s);
    void redirectDefault(const CommandString& s);
    void redirectSelected(const CommandString& s);

    // Serves drive `index` and mounts `path` on it (a directory when
    // `directory`). False, and the command failed, when the image or the
    // directory cannot be read (reported; the drive, the device and the
    // stored path stay as they were), or when the drive keeps a modified
    // image it could not save (the drive has told the person): it serves
    // that image on. Nothing should be typed for it then. `ownPrograms`: the
    // directory of the C64 programs, served with a warning when missing.
    bool serveDrive(int index, const std::string& path, bool directory,
                    bool ownPrograms = false);
    // The c64/ directory the commands serve: the person's when it exists,
    // else the installed one when that exists, else the person's.
    std::string c64ProgramsDirectory() const;
    // A drive of a command's own speaks the DOS the served drives speak.
    void speakServedDos(drive::DriveUnit& unit) const;
    // Resets the C64 and types the reset sequence and `text`, when every
    // line of it fits into a C64 screen line.
    void typeText(const std::string& text);
    // True when `name`, the C64 name of `file`, can be typed; otherwise the
    // command fails with a message naming the file and why.
    bool typeable(const std::string& name, const std::string& file);
    // True when every line of `text` fits into a C64 screen line after the
    // reset sequence; otherwise the command fails naming `file`.
    bool linesFit(const std::string& text, const std::string& file);
    // The command fails with `text` (the first failure counts), shown to
    // the person when `show`.
    void fail(const std::string& text, bool show = true);
    // The same with a message box whose text stays as it always was and
    // whose detail line names the path and the reason.
    void failWithDetail(const std::string& text, const std::string& detail);
    // The command fails with `text`, which the person has seen already.
    void told(const std::string& text);
    // The device number the C64 uses for a drive index.
    static int deviceOf(int index) { return index + config::kFirstDevice; }
    // Message boxes of the commands.
    void showError(const std::string& text);
    // Writes a whole output file, or reports why it could not and leaves
    // what was there; never writes over `input`.
    bool writeOutput(const std::string& output, const std::string& input,
                     const std::vector<std::uint8_t>& bytes);
    // Saves a local drive's modified image, or tells the person which file
    // could not be written and why.
    void saveLocalImage(drive::DriveUnit& unit);

    link::RequestDispatcher& dispatcher_;  // the drives, settings, cable and keyboard
    TrackedDialogs dialogs_;               // the person's dialogs, counted
    CommandResult result_;                 // of the command running now
};

}  // namespace brimwick::shell
