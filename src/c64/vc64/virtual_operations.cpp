// press, run, wait and screenshot on the virtual C64.
#include "c64/vc64/virtual_operations.h"

#include <cctype>
#include <stdexcept>

#include "c64/machine/keyboard_matrix.h"
#include "c64/machine/vic_palette.h"
#include "c64/vc64/virtual_picture.h"
#include "link/screen_mirror.h"

namespace brimwick::c64::vc64 {

namespace {

constexpr int kJiffiesPerKey = 2;  // a key pressed and released

struct NamedKey {
    std::string_view name;  // as written between braces
    int petscii;            // what the keyboard scan gives
};
constexpr NamedKey kNamedKeys[] = {
    {"clr", 0x93},        {"home", 0x13},     {"del", 0x14},   {"inst", 0x94},  {"return", 0x0D},
    {"space", 0x20},      {"up", 0x91},       {"down", 0x11},  {"left", 0x9D},  {"right", 0x1D},
    {"f1", 0x85},         {"f3", 0x86},       {"f5", 0x87},    {"f7", 0x88},    {"f2", 0x89},
    {"f4", 0x8A},         {"f6", 0x8B},       {"f8", 0x8C},    {"run/stop", 0x03},
    {"pound", 0x5C},      {"arrow-left", 0x5F}, {"arrow-up", 0x5E},
};
// CTRL with 1-8 gives the first eight colours, 9 and 0 reverse on and
// off; C= with 1-8 the other eight colours.
constexpr int kCtrlDigits[10] = {0x92, 0x90, 0x05, 0x1C, 0x9F, 0x9C, 0x1E, 0x1F, 0x9E, 0x12};
constexpr int kCommodoreDigits[10] = {-1, 0x81, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B, -1};

int petsciiOfChar(char c) {
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';        // unshifted letters
    if (c >= 'A' && c <= 'Z') return c - 'A' + 0xC1;       // shifted letters
    if (c == '\r') return 0x0D;
    if (c >= 0x20 && c < 0x7F) return static_cast<unsigned char>(c);
    return -1;
}

int petsciiNamed(const std::string& name) {
    for (const NamedKey& key : kNamedKeys)
        if (key.name == name) return key.petscii;
    auto modified = [&](std::string_view prefix) -> const char* {
        if (name.rfind(prefix, 0) != 0 || name.size() != prefix.size() + 1) return nullptr;
        return name.c_str() + prefix.size();
    };
    if (const char* c = modified("shift-")) {
        if (*c >= 'a' && *c <= 'z') return *c - 'a' + 0xC1;
        if (*c == ' ') return 0xA0;
    }
    if (const char* c = modified("ctrl-")) {
        if (*c >= '0' && *c <= '9') return kCtrlDigits[*c - '0'];
        if (*c >= 'a' && *c <= 'z') return *c - 'a' + 1;
    }
    if (const char* c = modified("c=-")) {
        if (*c >= '1' && *c <= '8') return kCommodoreDigits[*c - '0'];
    }
    throw std::invalid_argument("the virtual C64 has no key {" + name + "}");
}

}  // namespace

std::vector<int> petsciiKeysFor(std::string_view text) {
    keyStrokesFor(text);  // the same text the emulated C64 takes, the same errors
    std::vector<int> keys;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '{') {
            keys.push_back(petsciiOfChar(text[i]));
            continue;
        }
        std::size_t end = text.find('}', i);
        std::string name;
        for (char c : text.substr(i + 1, end - i - 1))
            name.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        i = end;
        if (name == "restore") {
            bool withStop = !keys.empty() && keys.back() == 0x03;
            if (withStop) keys.pop_back();
            keys.push_back(withStop ? kStopRestoreKey : kRestoreKey);
            continue;
        }
        keys.push_back(petsciiNamed(name));
    }
    return keys;
}

int pressKeys(VirtualSetup& setup, std::string_view text) {
    std::vector<int> keys = petsciiKeysFor(text);
    C64Memory& memory = setup.c64.memory;
    for (int key : keys) {
        if (key == kRestoreKey || key == kStopRestoreKey) {
            setup.basic.restoreKey(key == kStopRestoreKey);
        } else {
            // A full buffer takes no more keys: wait (a while) for room.
            for (int i = 0; i < kJiffiesPerSecond && memory.read(link::kC64KeyCount) >= link::kC64KeyBufferSize;
                 ++i)
                setup.jiffy();
            int count = memory.read(link::kC64KeyCount);
            if (count < link::kC64KeyBufferSize) {
                memory.write(link::kC64KeyBuffer + count, static_cast<std::uint8_t>(key));
                memory.write(link::kC64KeyCount, static_cast<std::uint8_t>(count + 1));
            }
            // RUN/STOP is also down while it is held.
            if (key == kRunStop) setup.basic.machine.stopHeld = kJiffiesPerKey;
        }
        runJiffies(setup, kJiffiesPerKey);
    }
    return static_cast<int>(keys.size());
}

void runJiffies(VirtualSetup& setup, long jiffies) {
    for (long i = 0; i < jiffies; ++i) setup.jiffy();
}

std::vector<std::uint8_t> virtualScreenCodes(const VirtualSetup& setup) {
    std::vector<std::uint8_t> codes(static_cast<std::size_t>(kVirtualColumns * kVirtualRows));
    for (std::size_t i = 0; i < codes.size(); ++i)
        codes[i] = link::screenCodeToDisplay(setup.c64.memory.ram[link::kC64Screen + i]);
    return codes;
}

bool waitForText(VirtualSetup& setup, const std::string& text, long jiffies) {
    auto shown = [&] {
        std::vector<std::uint8_t> screen = virtualScreenCodes(setup);
        for (int row = 0; row < kVirtualRows; ++row) {
            std::string line(screen.begin() + row * kVirtualColumns, screen.begin() + (row + 1) * kVirtualColumns);
            if (line.find(text) != std::string::npos) return true;
        }
        return false;
    };
    for (long i = 0; i < jiffies && !shown(); ++i) setup.jiffy();
    return shown();
}

std::vector<std::uint32_t> virtualScreenshot(const VirtualSetup& setup) {
    const MachineCode& machine = setup.basic.machine;
    CursorView cursor{machine.cursorShown() && cursorBlinkOn(machine.jiffies), setup.kernal.screen.row,
                      setup.kernal.screen.column};
    std::vector<std::uint8_t> picture = virtualPicture(setup.c64.memory, cursor);
    std::vector<std::uint32_t> pixels(picture.size());
    for (std::size_t i = 0; i < picture.size(); ++i) pixels[i] = kPalette[picture[i] & 0x0F];
    return pixels;
}

}  // namespace brimwick::c64::vc64
