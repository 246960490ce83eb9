// Execute strings and settings text as anybody may send or type them: cut
// into their values, read as device numbers, and reset-sequence text
// unescaped and escaped again; and file names of any bytes (control bytes,
// quotes, carriage returns) handed to the commands that type them into the
// C64, which must type a name only as itself, in lines of at most 80
// characters. Nothing here writes a file: the typing commands only serve
// directories that do not exist.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "c64/vc64/virtual_setup.h"
#include "platform/trace_log.h"
#include "shell/command_string.h"
#include "shell/device_from_file_name.h"
#include "shell/settings_editor.h"
#include "shell/shell_commands.h"
#include "shell/typed_name.h"

namespace {

using namespace brimwick;

// Answers every dialog at once, and quietly.
struct QuietDialogs : platform::UserDialogs {
    int boxes = 0;  // message boxes shown
    platform::MessageAnswer messageBox(std::string_view, std::string_view,
                                       platform::MessageButtons buttons,
                                       platform::MessageIcon) override {
        ++boxes;
        return platform::defaultAnswer(buttons);
    }
    std::optional<int> selectDrive(int preselected) override { return preselected; }
};

void check(bool condition) {
    if (!condition) std::abort();
}

// Every line of a typed text fits into one C64 screen line.
bool linesFit(const std::string& text) {
    std::size_t length = 0;
    for (char c : text) {
        length = c == '\r' ? 0 : length + 1;
        if (length > shell::kLogicalLineLength) return false;
    }
    return true;
}

// L___ and ETF_ with a file of the given name in a directory that is not
// there: typed only when the name can be typed as itself.
void typeName(std::string_view name) {
    static c64::vc64::VirtualSetup setup;
    static shell::ShellCommands commands(setup.dispatcher);
    std::string file(name.substr(0, name.find_first_of(std::string_view("/\0", 2))));
    const std::string directory = "/nonexistent-brimwick-fuzz/";
    for (const char* code : {"L___", "ETF_"}) {
        setup.keyboard.feedActive = false;  // nothing waits from the last run
        std::string text = std::string(code) + directory + file + ".prg";
        if (shell::executeStringFault(text)) continue;
        commands.lastTypedText.clear();
        commands.lastTextTyped = false;
        shell::CommandResult result = commands.execute(text);
        shell::CommandString s = shell::parseCommandString(text);
        std::string_view typedName = std::string(code) == "L___" ? s.name4 : s.baseName;
        bool typeable = !shell::untypeableName(typedName);
        if (commands.lastTextTyped) {
            check(typeable);
            check(linesFit(commands.lastTypedText));
            check(result.outcome == shell::Outcome::Done);
            for (char c : typedName)
                check(static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '\r');
        } else if (!typeable) {
            check(result.outcome == shell::Outcome::Failed && commands.lastTypedText.empty());
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QuietDialogs quiet;
    platform::setUserDialogs(&quiet);
    std::string_view received(reinterpret_cast<const char*>(data), size);
    std::string text(received.substr(0, received.find('\0')).substr(0, shell::kExecuteStringLimit));
    check(!shell::executeStringFault(text) || text.size() < shell::kCodeLength);

    shell::CommandString s = shell::parseCommandString(text);
    check(s.text == text);
    check(s.code + s.fullArgument == text);
    check(s.code.size() == std::min<std::size_t>(text.size(), shell::kCodeLength));
    check(text.ends_with(s.rawExtension) && s.extension.size() == s.rawExtension.size());
    check(text.find(s.name4) != std::string::npos && text.find(s.baseName) != std::string::npos);
    check(s.fullArgument.starts_with(s.argument));

    QuietDialogs dialogs;
    TextSlice path(text.c_str());
    int device = shell::deviceFromFileName(path, dialogs);
    check((device >= 5 && device <= 14 && dialogs.boxes == 0) ||
          (device == -1 && dialogs.boxes == 1));

    try {
        std::string unescaped = shell::unescapeText(received);
        check(shell::unescapeText(shell::escapeText(unescaped)) == unescaped);
    } catch (const shell::SettingError&) {
        // A backslash that starts no escape: refused, as the settings command does.
    }

    typeName(received);
    return 0;
}
