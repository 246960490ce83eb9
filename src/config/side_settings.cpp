// The key=value text file beside Status.ini.
#include "config/side_settings.h"

#include <cerrno>

#include "platform/file.h"
#include "platform/paths.h"

namespace brimwick::config {

namespace {

constexpr std::string_view kSpaces = " \t\r";

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kSpaces);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(kSpaces);
    return text.substr(first, last - first + 1);
}

}  // namespace

std::string sideSettingsPath(const std::string& directory) {
    return platform::withTrailingSeparator(directory) + kSideSettingsFileName;
}

SideSettings SideSettings::parse(std::string_view text) {
    SideSettings settings;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::string_view content = trimmed(line);
        const std::size_t equals = content.find('=');
        const bool comment = content.empty() || content[0] == '#' || content[0] == ';';
        if (comment || equals == std::string_view::npos || trimmed(content.substr(0, equals)).empty()) {
            settings.lines_.push_back({"", std::string(line)});
        } else {
            settings.lines_.push_back({std::string(trimmed(content.substr(0, equals))),
                                       std::string(trimmed(content.substr(equals + 1)))});
        }
    }
    return settings;
}

SideSettings SideSettings::read(const std::string& directory) {
    const std::string path = sideSettingsPath(directory);
    if (!platform::exists(path)) return {};
    std::vector<std::uint8_t> bytes = platform::readFile(path, kSideSettingsLimit + 1);
    if (bytes.size() > kSideSettingsLimit) throw platform::FileError("read", path, EFBIG);
    return parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::optional<std::string> SideSettings::get(std::string_view key) const {
    for (auto line = lines_.rbegin(); line != lines_.rend(); ++line)
        if (!line->key.empty() && line->key == key) return line->text;
    return std::nullopt;
}

void SideSettings::set(std::string_view key, std::string_view value) {
    bool placed = false;
    for (auto line = lines_.begin(); line != lines_.end();) {
        if (line->key == key && !key.empty()) {
            if (placed) {
                line = lines_.erase(line);
                continue;
            }
            line->text = std::string(value);
            placed = true;
        }
        ++line;
    }
    if (!placed) lines_.push_back({std::string(key), std::string(value)});
}

void SideSettings::erase(std::string_view key) {
    std::erase_if(lines_, [&](const Line& line) { return !line.key.empty() && line.key == key; });
}

std::string SideSettings::text() const {
    std::string out;
    for (const Line& line : lines_) {
        if (line.key.empty())
            out += line.text;
        else
            out += line.key + "=" + line.text;
        out += '\n';
    }
    return out;
}

bool SideSettings::write(const std::string& directory, std::string& failure) const {
    const std::string contents = text();
    try {
        platform::writeFileAtomically(sideSettingsPath(directory), contents.data(), contents.size());
    } catch (const platform::FileError& e) {
        failure = e.message();
        return false;
    }
    return true;
}

drive::DosMode readDosMode(const std::string& directory) {
    try {
        const std::optional<std::string> value = SideSettings::read(directory).get(kDosKey);
        if (value == drive::dosModeName(drive::DosMode::C1541)) return drive::DosMode::C1541;
    } catch (const platform::FileError&) {
    }
    return drive::DosMode::Original;
}

bool writeDosMode(const std::string& directory, drive::DosMode mode, std::string& failure) {
    SideSettings settings;
    try {
        settings = SideSettings::read(directory);
    } catch (const platform::FileError& e) {
        failure = e.message();
        return false;
    }
    settings.set(kDosKey, drive::dosModeName(mode));
    return settings.write(directory, failure);
}

}  // namespace brimwick::config
