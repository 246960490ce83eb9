// Reading, checking and describing settings given by name.
#include "shell/settings_editor.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "config/side_settings.h"
#include "drive/dos_mode.h"
#include "drive/pc64_file.h"
#include "platform/file.h"
#include "platform/paths.h"
#include "shell/shell_commands.h"
#include "shell/typed_name.h"

namespace brimwick::shell {

namespace {

constexpr std::string_view kDrivePrefix = "drive.";
constexpr std::string_view kResetPrefix = "reset.";
constexpr std::string_view kPass = "pass";

// The yes/no options by key.
struct FlagKey {
    const char* key;                        // as typed
    const char* words;                      // as printed
    std::int32_t config::Settings::*field;  // where it lives
};
constexpr FlagKey kFlags[] = {
    {"show-on-errors", "show the listing after errors", &config::Settings::showResultsOnErrors},
    {"show-on-success", "show the listing after success", &config::Settings::showResultsOnSuccess},
    {"start-assembled", "start the assembled program", &config::Settings::startAssembled},
    {"address-in-name", "start address in object names", &config::Settings::addressInObjectName},
    {"start-minimized", "start minimized", &config::Settings::startMinimized},
};

[[noreturn]] void refuse(std::string message) {
    throw SettingError{std::move(message)};
}

// A whole decimal number in [low, high] without leading zeros, or nothing.
std::optional<int> numberIn(std::string_view text, int low, int high) {
    if (text.size() > 1 && text[0] == '0') return std::nullopt;
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
        value > high)
        return std::nullopt;
    return value;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string absolute(std::string_view path) {
    std::error_code ec;
    std::string whole =
        std::filesystem::absolute(std::string(path), ec).lexically_normal().string();
    return ec ? std::string(path) : whole;
}

std::string keysHint() {
    std::string keys = "port, drive.N, reset, reset.K";
    for (const FlagKey& f : kFlags) keys += std::string(", ") + f.key;
    return keys + ", dos";
}

}  // namespace

std::string escapeText(std::string_view text) {
    std::string out;
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (b < 0x20 || b >= 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string unescapeText(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == 'r') {
            out += '\r';
            ++i;
        } else if (i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (i + 3 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
                   hexDigit(text[i + 2]) >= 0 && hexDigit(text[i + 3]) >= 0) {
            out += static_cast<char>(hexDigit(text[i + 2]) * 16 + hexDigit(text[i + 3]));
            i += 3;
        } else {
            refuse("unknown escape in '" + std::string(text) + "' (use \\r, \\\\ or \\xNN)");
        }
    }
    return out;
}

DriveAssignment parseDriveAssignment(std::string_view device, std::string_view value) {
    std::optional<int> number =
        numberIn(device, config::kFirstDevice, config::kFirstDevice + config::kDriveCount - 1);
    if (!number) refuse("no drive for device '" + std::string(device) + "': devices are 5 to 14");
    DriveAssignment a;
    a.index = *number - config::kFirstDevice;
    if (value == kPass) {
        a.kind = DriveAssignment::Kind::PassThrough;
        a.realDevice = *number;
    } else if (value.starts_with(std::string(kPass) + ":")) {
        std::string_view real = value.substr(kPass.size() + 1);
        std::optional<int> bus = numberIn(real, kFirstBusDevice, kLastBusDevice);
        if (!bus)
            refuse("no real device '" + std::string(real) + "': the serial bus has devices " +
                   std::to_string(kFirstBusDevice) + " to " + std::to_string(kLastBusDevice));
        a.kind = DriveAssignment::Kind::PassThrough;
        a.realDevice = *bus;
    } else if (value.empty()) {
        refuse("device " + std::to_string(*number) + " needs a D64 image, a directory/, or pass");
    } else if (value.back() == platform::kPathSeparator) {
        a.kind = DriveAssignment::Kind::Directory;
        a.path = platform::withTrailingSeparator(absolute(value));
    } else {
        a.kind = DriveAssignment::Kind::Image;
        a.path = absolute(value);
    }
    return a;
}

DriveAssignment parseDriveOption(std::string_view option) {
    std::size_t equals = option.find('=');
    if (equals == std::string_view::npos)
        refuse("'" + std::string(option) + "' is not N=PATH, N=pass or N=pass:M");
    return parseDriveAssignment(option.substr(0, equals), option.substr(equals + 1));
}

void applyDriveAssignment(const DriveAssignment& a, config::Settings& settings, Drives drives) {
    drive::DriveUnit& unit = drives[static_cast<std::size_t>(a.index)];
    switch (a.kind) {
        case DriveAssignment::Kind::PassThrough:
            settings.realDevice[a.index] = a.realDevice;
            return;
        case DriveAssignment::Kind::Directory:
            if (!platform::isDirectory(a.path)) refuse(a.path + " is not a directory");
            break;
        case DriveAssignment::Kind::Image: {
            // Read it once aside, so that a refused image leaves the drive as it was.
            drive::DriveUnit probe;
            if (!probe.mount(a.path, false))
                refuse("cannot read the image " + a.path + ": " + probe.loadFailure);
            break;
        }
    }
    // A drive that keeps an image it could not save has said so and serves it on.
    if (!unit.mount(a.path, a.kind == DriveAssignment::Kind::Directory))
        refuse("device " + std::to_string(a.index + config::kFirstDevice) + " keeps " + unit.path);
    settings.realDevice[a.index] = 0;
}

void applySetting(std::string_view keyValue, config::Settings& settings, Drives drives,
                  SideSettings& side) {
    std::size_t equals = keyValue.find('=');
    if (equals == std::string_view::npos)
        refuse("'" + std::string(keyValue) + "' is not KEY=VALUE (keys: " + keysHint() + ")");
    std::string_view key = keyValue.substr(0, equals);
    std::string_view value = keyValue.substr(equals + 1);
    auto bad = [&](const std::string& allowed) {
        refuse("bad value '" + std::string(value) + "' for " + std::string(key) + ": " + allowed);
    };
    if (key == "port") {
        std::optional<int> port = numberIn(value, 0, 3);
        if (!port) bad("0 (none), 1 (0x278), 2 (0x378) or 3 (0x3BC)");
        settings.portChoice = *port;
    } else if (key == "dos") {
        if (value == drive::dosModeName(drive::DosMode::C1541))
            side.dos = drive::DosMode::C1541;
        else if (value == drive::dosModeName(drive::DosMode::Original))
            side.dos = drive::DosMode::Original;
        else
            bad("1541 (answer as a 1541) or original");
        side.dosChanged = true;
    } else if (key.starts_with(kDrivePrefix)) {
        applyDriveAssignment(parseDriveAssignment(key.substr(kDrivePrefix.size()), value), settings,
                             drives);
    } else if (key == "reset") {
        std::optional<int> index = numberIn(value, 0, config::kResetSequenceCount - 1);
        if (!index) bad("a reset sequence 0 to 4");
        settings.resetSequenceIndex = *index;
    } else if (key.starts_with(kResetPrefix)) {
        std::string_view k = key.substr(kResetPrefix.size());
        std::optional<int> index = numberIn(k, 0, config::kResetSequenceCount - 1);
        if (!index) refuse("no reset sequence '" + std::string(k) + "': they are 0 to 4");
        std::string text = unescapeText(value);
        if (text.size() > kResetTextLimit || text.find('\0') != std::string::npos)
            bad("at most " + std::to_string(kResetTextLimit) + " characters, no \\x00");
        char* slot = settings.resetSequences[*index];
        std::memset(slot, 0, config::kResetSequenceSize);
        std::memcpy(slot, text.data(), text.size());
    } else {
        for (const FlagKey& flag : kFlags) {
            if (key != flag.key) continue;
            std::optional<int> on = numberIn(value, 0, 1);
            if (!on) bad("0 or 1");
            settings.*flag.field = *on;
            return;
        }
        refuse("unknown setting '" + std::string(key) + "' (keys: " + keysHint() + ")");
    }
}

std::string describeSettings(const config::Settings& settings, Drives drives,
                             const SideSettings& side) {
    std::string out = "port: ";
    int base = config::portBaseFor(settings.portChoice);
    if (base == 0) {
        out += "none\n";
    } else {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%X", base);
        out += std::to_string(settings.portChoice) + " (" + hex + ")\n";
    }
    for (int i = 0; i < config::kDriveCount; ++i) {
        const drive::DriveUnit& unit = drives[static_cast<std::size_t>(i)];
        out += "device " + std::to_string(i + config::kFirstDevice) + ": ";
        if (settings.realDevice[i] != 0)
            out += "passed through to the real device " + std::to_string(settings.realDevice[i]);
        else
            out += (unit.hostMode ? "directory " : "image ") + displayName(unit.path);
        out += "\n";
    }
    for (int k = 0; k < config::kResetSequenceCount; ++k) {
        const char* slot = settings.resetSequences[k];
        std::string_view text(slot, strnlen(slot, config::kResetSequenceSize));
        out += "reset sequence " + std::to_string(k) + ": \"" + escapeText(text) + "\"";
        if (k == settings.resetSequenceIndex) out += " (typed after a reset)";
        out += "\n";
    }
    for (const FlagKey& flag : kFlags)
        out += std::string(flag.words) + ": " + (settings.*flag.field != 0 ? "yes" : "no") + "\n";
    out += std::string("DOS of the drives: ") + drive::dosModeName(side.dos) + "\n";
    return out;
}

void DriveOverrides::apply(const DriveAssignment& a, config::Settings& settings, Drives drives) {
    const drive::DriveUnit& unit = drives[static_cast<std::size_t>(a.index)];
    Override before{a, settings.realDevice[a.index], {unit.path, unit.hostMode}};
    applyDriveAssignment(a, settings, drives);
    auto& slot = overrides_[static_cast<std::size_t>(a.index)];
    // A second override of the same drive keeps the first one's "before".
    if (slot) {
        slot->assignment = a;
    } else {
        slot = before;
    }
}

std::array<config::ServedPath, config::kDriveCount> DriveOverrides::toSave(config::Settings& record,
                                                                           Drives drives) const {
    std::array<config::ServedPath, config::kDriveCount> served;
    for (std::size_t i = 0; i < served.size(); ++i) {
        served[i] = {drives[i].path, drives[i].hostMode};
        const auto& o = overrides_[i];
        if (!o) continue;
        const DriveAssignment& a = o->assignment;
        bool unchanged =
            a.kind == DriveAssignment::Kind::PassThrough
                ? record.realDevice[i] == a.realDevice
                : record.realDevice[i] == 0 && drives[i].path == a.path &&
                      drives[i].hostMode == (a.kind == DriveAssignment::Kind::Directory);
        if (!unchanged) continue;
        record.realDevice[i] = o->realDevice;
        served[i] = o->previous;
    }
    return served;
}

void applyPc64Options(Drives drives, const std::string& programDirectory) {
    std::optional<config::SideSettings> side;
    try {
        side = config::SideSettings::read(programDirectory);
    } catch (const platform::FileError&) {
        return;  // an unreadable file names no option
    }
    for (std::size_t i = 0; i < drives.size(); ++i) {
        auto device = static_cast<int>(i) + config::kFirstDevice;
        drives[i].setPc64Files(side->get(drive::pc64OptionKey(device)) == drive::kPc64OptionValue);
    }
}

void loadServedDrives(config::Settings& settings, Drives drives, const std::string& programDirectory,
                      const std::vector<std::string>& driveOptions, DriveOverrides& overrides) {
    config::loadSettings(settings, drives, programDirectory);
    const drive::DosMode dos = config::readDosMode(programDirectory);
    for (drive::DriveUnit& unit : drives) unit.setDosMode(dos);
    applyPc64Options(drives, programDirectory);
    for (const std::string& option : driveOptions)
        overrides.apply(parseDriveOption(option), settings, drives);
}

}  // namespace brimwick::shell
