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
#include "shell/typed_name.h"

namespace brimwick::shell {

using platform::traceLog;

namespace {

// The drives that some commands use whatever the C64 addressed.
constexpr int kDrive9 = 4;   // device 9
constexpr int kDrive10 = 5;  // device 10

}  // namespace

platform::MessageAnswer TrackedDialogs::messageBox(std::string_view text, std::string_view caption,
                                                   platform::MessageButtons buttons,
                                                   platform::MessageIcon icon) {
    platform::ShownDialog shown(open_);
    return platform::userDialogs().messageBox(text, caption, buttons, icon);
}

platform::MessageAnswer TrackedDialogs::messageBoxWithDetail(std::string_view text,
                                                             std::string_view detail,
                                                             std::string_view caption,
                                                             platform::MessageButtons buttons,
                                                             platform::MessageIcon icon) {
    platform::ShownDialog shown(open_);
    return platform::userDialogs().messageBoxWithDetail(text, detail, caption, buttons, icon);
}

std::optional<int> TrackedDialogs::selectDrive(int preselected) {
    platform::ShownDialog shown(open_);
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

CommandResult ShellCommands::execute(std::string_view executeString) {
    result_ = {};
    CommandString s = parseCommandString(executeString);
    traceLog() << s.text << "***\n";
    traceLog() << "\n\n DDE-Command:\n"
               << s.fullArgument << "\n"
               << s.code << "\n"
               << s.rawExtension;
    // A string that is too long is refused whole: cut, it would name
    // another file.
    if (std::optional<std::string> fault = executeStringFault(executeString)) {
        fail(*fault, false);
        return result_;
    }
    for (const Entry& entry : kCommands) {
        if (s.code == entry.code) {
            (this->*entry.run)(s);
            return result_;
        }
    }
    fail("unknown code '" + displayName(s.code) + "'", false);
    return result_;
}

void ShellCommands::fail(const std::string& text, bool show) {
    if (result_.outcome != Outcome::Failed) result_ = {Outcome::Failed, text, show};
    if (show)
        dialogs_.messageBox(text, kAppTitle, platform::MessageButtons::Ok,
                            platform::MessageIcon::Stop);
}

void ShellCommands::failWithDetail(const std::string& text, const std::string& detail) {
    if (result_.outcome != Outcome::Failed) result_ = {Outcome::Failed, text + " " + detail, true};
    dialogs_.messageBoxWithDetail(text, detail, kAppTitle, platform::MessageButtons::Ok,
                                  platform::MessageIcon::Stop);
}

void ShellCommands::told(const std::string& text) {
    if (result_.outcome != Outcome::Failed) result_ = {Outcome::Failed, text, true};
}

bool ShellCommands::typeable(const std::string& name, const std::string& file) {
    std::optional<std::string> why = untypeableName(name);
    if (!why) return true;
    fail("The name of " + displayName(file) + " cannot be typed into the C64: " + *why +
         ".\nNothing was typed.");
    return false;
}

bool ShellCommands::serveDrive(int index, const std::string& path, bool directory,
                               bool ownPrograms) {
    // A program named without any directory lies in the working directory,
    // not in the root.
    std::string where = path;
    if (directory && where.empty()) {
        std::error_code ec;
        where = std::filesystem::current_path(ec).string();
    }
    // What cannot be served changes nothing: the drive keeps what it
    // served, the device stays where it was, Status.ini keeps its path.
    if (directory) {
        // c64/ of the program directory holds the person's C64 programs:
        // missing, it is served all the same, with a warning.
        if (!platform::isDirectory(where) && ownPrograms) {
            dialogs_.messageBox("Device " + std::to_string(deviceOf(index)) +
                                    " serves the directory " + where + ", which does not exist.",
                                kAppTitle, platform::MessageButtons::Ok,
                                platform::MessageIcon::Warning);
        } else if (!platform::isDirectory(where)) {
            showError("The directory " + displayName(where) +
                      " does not exist.\nDevice " + std::to_string(deviceOf(index)) +
                      " is as it was.");
            return false;
        }
    } else {
        drive::DriveUnit probe;
        if (!probe.mount(where, false)) {
            showError("The disk image " + displayName(where) + " could not be read: " +
                      probe.loadFailure + ".\nDevice " + std::to_string(deviceOf(index)) +
                      " is as it was.");
            return false;
        }
    }
    drive::DriveUnit& unit = dispatcher_.drives[static_cast<std::size_t>(index)];
    if (!unit.mount(where, directory)) {
        // The old image could not be saved (it is still there; the drive
        // has told the person), or the new one went away meanwhile.
        if (unit.image != nullptr) {
            // It serves the image it keeps, so that nothing more is lost.
            dispatcher_.settings.realDevice[index] = 0;
            told(unit.saveFailureText() + "Device " + std::to_string(deviceOf(index)) +
                 " keeps it.");
            return false;
        }
        showError(unit.loadFailureText(deviceOf(index)));
        return false;
    }
    dispatcher_.settings.realDevice[index] = 0;
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

bool ShellCommands::linesFit(const std::string& text, const std::string& file) {
    std::optional<std::string> why =
        untypeableLines(text, config::selectedResetSequence(dispatcher_.settings));
    if (!why) return true;
    fail("The name of " + displayName(file) + " cannot be typed into the C64: " + *why +
         ".\nNothing was typed.");
    return false;
}

void ShellCommands::typeText(const std::string& text) {
    lastTypedText = text;
    lastTextTyped = false;
    if (!linesFit(text, text)) return;
    lastTextTyped = dispatcher_.keyboard.typeText(dispatcher_.link, dispatcher_.settings,
                                                  TextSlice(text.c_str()));
    if (lastTextTyped || result_.outcome != Outcome::Done) return;
    if (dispatcher_.link.dataPort == 0)
        result_ = {Outcome::NotTyped, "nothing was typed: no C64 is served here"};
    else
        fail("nothing was typed: the C64 is still being typed an earlier text", false);
}

void ShellCommands::showError(const std::string& text) {
    fail(text);
}


void ShellCommands::insertDisk(const CommandString& s) {
    serveDrive(config::kDefaultDrive, s.argument, s.programFile);
}

void ShellCommands::insertDiskSelected(const CommandString& s) {
    if (std::optional<int> chosen = dialogs_.selectDrive())
        serveDrive(*chosen, s.argument, s.programFile);
    else
        fail("no drive was chosen", false);
}

void ShellCommands::loadAndRun(const CommandString& s) {
    int index = dispatcher_.addressedDrive;
    // LOAD from the device that now serves the program (device 8 unless the
    // C64 last talked to another of the PC's drives).
    std::string text =
        "load\"" + s.name4 + "\"," + std::to_string(deviceOf(index)) + ",1:\rrun:\r";
    // Nothing happens for a name that cannot be typed as itself.
    if (!typeable(s.name4, s.fullArgument) || !linesFit(text, s.fullArgument)) return;
    if (!serveDrive(index, s.argument, s.programFile)) return;
    typeText(text);
}

void ShellCommands::copyRealDisk(const CommandString& s) {
    TextSlice name(s.text.c_str());
    int device = deviceFromFileName(name, dialogs_);
    if (device < 0) {
        told(kIllegalDeviceText);
        return;
    }
    std::string copy = directoryOf(s.fullArgument) + kCopyImageName;
    // The new image replaces the file at the next save: never an earlier copy,
    // nor what a link in its place points to.
    if (platform::exists(copy) || !platform::specialFileKind(copy, platform::Links::Refuse).empty()) {
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
            true, true))
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
    if (errors != 0) {
        fail("the source " + displayName(s.argument) + " has " + std::to_string(errors) +
                 " errors",
             false);
        return;
    }
    if (settings.startAssembled == 0) return;
    // The object file of a program at $0801: name0801.prg, or name.prg
    // when object names carry no address.
    std::string object = s.name4 + (options.addressInObjectName ? "0801" : "");
    int index = dispatcher_.addressedDrive;
    std::string text =
        "load\"" + object + "\"," + std::to_string(deviceOf(index)) + ",1:\rrun:\r";
    if (!typeable(object, s.argument) || !linesFit(text, s.argument)) return;
    if (!serveDrive(index, directoryOf(s.argument), true)) return;
    typeText(text);
}

void ShellCommands::editInTurboAss(const CommandString& s) {
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
    if (!typeable(s.baseName, s.fullArgument) || !linesFit(text, s.fullArgument)) return;
    bool served = serveDrive(
        kDrive9,
        c64ProgramsDirectory(),
        true, true);
    // Device 8 serves the directory the file lies in.
    served = serveDrive(config::kDefaultDrive,
                        s.programFile ? s.argument : directoryOf(s.fullArgument), true) &&
             served;
    if (!served) return;
    typeText(text);
}

void ShellCommands::redirectDefault(const CommandString& s) {
    TextSlice name(s.text.c_str());
    int device = deviceFromFileName(name, dialogs_);
    if (device >= 0)
        dispatcher_.settings.realDevice[config::kDefaultDrive] = device;
    else
        told(kIllegalDeviceText);
}

void ShellCommands::redirectSelected(const CommandString& s) {
    TextSlice name(s.text.c_str());
    int device = deviceFromFileName(name, dialogs_);
    if (device < 0) {
        told(kIllegalDeviceText);
        return;
    }
    if (std::optional<int> chosen = dialogs_.selectDrive())
        dispatcher_.settings.realDevice[*chosen] = device;
    else
        fail("no drive was chosen", false);
}

}  // namespace brimwick::shell
