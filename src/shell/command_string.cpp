// Cutting an execute string with the text slice's moves and searches.
#include "shell/command_string.h"

#include <filesystem>

#include "base/text_slice.h"
#include "platform/paths.h"

namespace brimwick::shell {

namespace {

constexpr std::int32_t kCode = static_cast<std::int32_t>(kCodeLength);

std::string windowOf(const TextSlice& slice) {
    return std::string(slice.window());
}

}  // namespace

std::optional<std::string> executeStringFault(std::string_view text) {
    if (text.empty()) return "the execute string is empty";
    if (text.size() > kExecuteStringLimit)
        return "the execute string is too long: " + std::to_string(text.size()) +
               " characters, at most " + std::to_string(kExecuteStringLimit) + " are taken";
    if (text.find('\0') != std::string_view::npos) return "the execute string holds a NUL byte";
    if (text.size() < kCodeLength)
        return "the execute string is shorter than a code (four characters)";
    return std::nullopt;
}

std::string withAbsolutePath(const std::string& text) {
    if (text.size() <= kCodeLength) return text;
    std::string path = text.substr(kCodeLength);
    if (path.front() == platform::kPathSeparator) return text;
    std::error_code ec;
    std::string cwd = std::filesystem::current_path(ec).string();
    if (ec) return text;
    return text.substr(0, kCodeLength) + platform::withTrailingSeparator(cwd) + path;
}

std::string directoryOf(std::string_view path) {
    std::string copy(path);
    TextSlice slice(copy.c_str());
    return windowOf(selectDirectory(slice));
}

CommandString parseCommandString(std::string_view text) {
    CommandString s;
    s.text = std::string(text.substr(0, text.find('\0')));
    TextSlice slice(s.text.c_str());
    s.code = windowOf(slice.moveBack(kToEnd).extendForward(kCode));
    s.fullArgument = windowOf(slice.moveBack(kToEnd).moveForward(kCode).extendForward(kToEnd));
    s.rawExtension = windowOf(selectLastFour(slice));
    TextSlice extension(s.rawExtension.c_str());
    extension.foldLower();
    s.extension = windowOf(extension);
    s.programFile = s.extension == ".prg" || s.extension == ".154";
    s.argument = s.programFile ? directoryOf(s.fullArgument) : s.fullArgument;
    // From just after the last '/' to four characters before the end.
    s.name4 = windowOf(slice.moveForward(kToEnd).moveBack(kCode).inclusive().extendBackTo("/"));
    s.baseName = windowOf(selectBaseNameBeforeLastDot(slice));
    return s;
}

}  // namespace brimwick::shell
