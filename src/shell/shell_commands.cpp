// The command table, the steps every execute string goes through, and the
// commands that act on the drives and the C64.
#include "shell/shell_commands.h"

#include <filesystem>

#include "asm/assembler.h"
#include "platform/file.h"
#include "platform/paths.h"
#include "platform/shell_open.h"
#include "platform/trace_log.h"
#include "shell/device_from_file_name.h"

namespace brimwick::shell {

using platform::traceLog;

namespace {

// The drives that some commands use whatever the C64 addressed.
constexpr int kDrive9 = 4;   // device 9
constexpr int kDrive10 = 5;  // device 10

// Counts a dialog as open while it is shown.
class OpenDialog {
  public:
    explicit OpenDialog(int& open) : open_(open) { ++open_; }
    ~OpenDialog() { --open_; }
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;

  private:
    int& open_;  // the dialogs' count
};

}  // namespace

platform::MessageAnswer TrackedDialogs::messageBox(std::string_view text, std::string_view caption,
                                                   platform::MessageButtons buttons,
                                                   platform::MessageIcon icon) {
    OpenDialog shown(open_);
    return platform::userDialogs().messageBox(text, caption, buttons, icon);
}

std::optional<int> TrackedDialogs::selectDrive(int preselected) {
    OpenDialog shown(open_);
    std::optional<int> chosen = platform::userDialogs().selectDrive(preselected);
    if (chosen && (*chosen < 0 || *chosen >= config::kDriveCount)) return std::nullopt;
    return chosen;
}

const ShellCommands::Entry ShellCommands::kCommands[] = {
    {"ID__", &ShellCommands::insertDisk},       {"IDS_", &ShellCommands::insertDiskSelected},
    {"UD__", &ShellCommands::unpackDisk},       {"L___", &ShellCommands::loadAndRun},
    {"CT__", &ShellCommands::convertToProgram}, {"ADD_", &ShellCommands::addToImage},
    {"CDD_", &ShellCommands::copyRealDisk},     {"CASC", &ShellCommands::convertText},
    {"ASS_", &ShellCommands::assemble},         {"ETF_", &ShellCommands::editInTurboAss},
    {"IPD_", &ShellCommands::redirectDefault},  {"IPDS", &ShellCommands::redirectSelected},
};

ShellCommands::ShellCommands(link::RequestDispatcher& dispatcher)
    : documentOpener([](const std::string& path) { platform::openDocument(path); }),
      dispatcher_(dispatcher) {}

void ShellCommands::execute(std::string_view executeString) {
    CommandString s = parseCommandString(executeString);
    traceLog() << s.text << "***\n";
    traceLog() << "\n\n DDE-Command:\n"
               << s.fullArgument << "\n"
               << s.code << "\n"
               << s.rawExtension;
    for (const Entry& entry : kCommands) {
        if (s.code == entry.code) {
            (this->*entry.run)(s);
            return;
        }
    }
}

bool ShellCommands::serveDrive(int index, const std::string& path, bool directory) {
    dispatcher_.settings.realDevice[index] = 0;
    // A program named without any directory lies in the working directory,
    // not in the root.
    std::string where = path;
    if (directory && where.empty()) {
        std::error_code ec;
        where = std::filesystem::current_path(ec).string();
    }
    drive::DriveUnit& unit = dispatcher_.drives[static_cast<std::size_t>(index)];
    if (!unit.mount(where, directory)) {
        // Either the old image could not be saved (it is still there) or the
        // new one could not be read.
        if (unit.image != nullptr) return false;
        showError(unit.loadFailureText(deviceOf(index)));
    } else if (directory && !platform::isDirectory(where)) {
        showWarning("Device " + std::to_string(deviceOf(index)) + " serves the directory " + where +
                    ", which does not exist.");
    }
    return true;
}

void ShellCommands::speakServedDos(drive::DriveUnit& unit) const {
    unit.setDosMode(dispatcher_.drives[config::kDefaultDrive].dos1541 ? drive::DosMode::C1541
                                                                      : drive::DosMode::Original);
}

std::string ShellCommands::c64ProgramsDirectory() const {
    std::string own = platform::withTrailingSeparator(dispatcher_.programDirectory) + kC64ProgramsDirectory;
    if (platform::isDirectory(own)) return own;
    std::string installed = platform::installedDataFile(kC64ProgramsDirectory);
    return platform::isDirectory(installed) ? installed : own;
}

void ShellCommands::typeText(const std::string& text) {
    lastTypedText = text;
    lastTextTyped = dispatcher_.keyboard.typeText(dispatcher_.link, dispatcher_.settings,
                                                  TextSlice(text.c_str()));
}

void ShellCommands::showError(const std::string& text) {
    dialogs_.messageBox(text, kAppTitle, platform::MessageButtons::Ok, platform::MessageIcon::Stop);
}

void ShellCommands::showWarning(const std::string& text) {
    dialogs_.messageBox(text, kAppTitle, platform::MessageButtons::Ok,
                        platform::MessageIcon::Warning);
}

void ShellCommands::insertDisk(const CommandString& s) {
    serveDrive(config::kDefaultDrive, s.argument, s.programFile);
}

void ShellCommands::insertDiskSelected(const CommandString& s) {
    if (std::optional<int> chosen = dialogs_.selectDrive())
        serveDrive(*chosen, s.argument, s.programFile);
}

void ShellCommands::loadAndRun(const CommandString& s) {
    int index = dispatcher_.addressedDrive;
    if (!serveDrive(index, s.argument, s.programFile)) return;
    // LOAD from the device that now serves the program (device 8 unless the
    // C64 last talked to another of the PC's drives).
    typeText("load\"" + s.name4 + "\"," + std::to_string(deviceOf(index)) + ",1:\rrun:\r");
}

void ShellCommands::copyRealDisk(const CommandString& s) {
    TextSlice name(s.text.c_str());
    int device = deviceFromFileName(name, dialogs_);
    if (device < 0) return;
    std::string copy = directoryOf(s.fullArgument) + kCopyImageName;
    // The new image replaces the file at the next save: never an earlier copy.
    if (platform::exists(copy)) {
        showError("The disk copy would replace " + copy +
                  ", which exists already.\nMove it away and open the file again.");
        return;
    }
    // The copier writes the copy to device 9: never onto an image that
    // device 9 still holds because it could not be saved.
    drive::DriveUnit& target = dispatcher_.drives[kDrive9];
    if (!target.newImage(TextSlice(copy.c_str()))) {
        showError("The disk was not copied: device 9 keeps " + target.path +
                  ", which could not be saved.");
        return;
    }
    dispatcher_.settings.realDevice[kDrive9] = 0;
    if (!serveDrive(
            kDrive10,
            c64ProgramsDirectory(),
            true))
        return;
    // The copier reads the real disk as device 8 and writes device 9.
    dispatcher_.settings.realDevice[config::kDefaultDrive] = device;
    typeText("load\"diskcopier0801\",10,1:\rrun:\ryes\r");
}

void ShellCommands::assemble(const CommandString& s) {
    const config::Settings& settings = dispatcher_.settings;
    assembler::AssemblerOptions options = assembler::optionsFromSettings(settings);
    int errors = 0;
    {
        auto assembler = std::make_unique<assembler::Assembler>(options);
        assembler->setDocumentOpener(documentOpener);
        // A refused run (unreadable source, or an output that would replace
        // it) says why in its one message.
        std::string refusal;
        assembler->setMessageSink([&refusal](const assembler::AssemblerMessage& m) {
            if (!refusal.empty()) return;
            refusal = std::string(m.text);
            if (!m.detail.empty()) refusal += ": " + std::string(m.detail);
        });
        errors = assembler->assembleFile(s.argument);
        if (assembler->refused()) {
            if (!platform::exists(s.argument))
                showError("The source " + s.argument + " could not be read (" +
                          readFailure(s.argument) + ").");
            else
                showError("The source " + s.argument + " was not assembled: " + refusal + ".");
        }
    }
    if (errors != 0 || settings.startAssembled == 0) return;
    int index = dispatcher_.addressedDrive;
    if (!serveDrive(index, directoryOf(s.argument), true)) return;
    // The object file of a program at $0801: name0801.prg, or name.prg
    // when object names carry no address.
    std::string object = s.name4 + (options.addressInObjectName ? "0801" : "");
    typeText("load\"" + object + "\"," + std::to_string(deviceOf(index)) + ",1:\rrun:\r");
}

void ShellCommands::editInTurboAss(const CommandString& s) {
    bool served = serveDrive(
        kDrive9,
        c64ProgramsDirectory(),
        true);
    // Device 8 serves the directory the file lies in.
    served = serveDrive(config::kDefaultDrive,
                        s.programFile ? s.argument : directoryOf(s.fullArgument), true) &&
             served;
    if (!served) return;
    // LOAD and start TurboAss, then its commands: <- l NAME (load the
    // source), F2, <- ms, F8, <- me, <- w NAME. 0x5F is the <- key, 0x89
    // F2 and 0x8C F8.
    constexpr char kReturn = '\r';
    constexpr char kArrowLeft = '\x5f';
    constexpr char kF2 = '\x89';
    constexpr char kF8 = '\x8c';
    std::string text = "load\"turbo ass+*\",9,1:";
    text += kReturn;
    text += "sys4096*8";
    text += kReturn;
    text += kArrowLeft;
    text += "l" + s.baseName + kReturn;
    text += kF2;
    text += kArrowLeft;
    text += "ms";
    text += kF8;
    text += kArrowLeft;
    text += "me";
    text += kArrowLeft;
    text += "w" + s.baseName + kReturn;
    typeText(text);
}

void ShellCommands::redirectDefault(const CommandString& s) {
    TextSlice name(s.text.c_str());
    int device = deviceFromFileName(name, dialogs_);
    if (device >= 0) dispatcher_.settings.realDevice[config::kDefaultDrive] = device;
}

void ShellCommands::redirectSelected(const CommandString& s) {
    TextSlice name(s.text.c_str());
    int device = deviceFromFileName(name, dialogs_);
    if (device < 0) return;
    if (std::optional<int> chosen = dialogs_.selectDrive())
        dispatcher_.settings.realDevice[*chosen] = device;
}

}  // namespace brimwick::shell
