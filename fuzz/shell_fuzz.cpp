// Execute strings and settings text as anybody may send or type them: cut
// into their values, read as device numbers, and reset-sequence text
// unescaped and escaped again. Nothing here touches a file: the commands
// themselves would write wherever a string points.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "shell/command_string.h"
#include "shell/device_from_file_name.h"
#include "shell/settings_editor.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view received(reinterpret_cast<const char*>(data), size);
    std::string text = shell::takeExecuteString(received);
    check(text.size() <= shell::kExecuteStringLimit && text.find('\0') == std::string::npos);

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
    return 0;
}
