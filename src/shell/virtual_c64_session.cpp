// Polling the virtual C64's keyboard and printing what arrives.
#include "shell/virtual_c64_session.h"

#include <cstdio>

#include "link/keyboard_feed.h"

namespace brimwick::shell {

namespace {
constexpr int kReturn = 0x0D;
constexpr const char* kReturnSign = "\u23CE";  // ⏎
}  // namespace

std::string keysAsTyped(const std::vector<int>& keys) {
    std::string text;
    for (int key : keys) {
        int c = link::translateKey(key);
        if (c == kReturn) {
            text += kReturnSign;
        } else if (c >= 0x20 && c < 0x7F) {
            text += static_cast<char>(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c & 0xFF);
            text += hex;
        }
    }
    return text;
}

void VirtualC64Session::pollKeyboard() {
    auto& k = setup_.kernal;
    k.keys.clear();
    setup_.jiffy();
    if (setup_.c64.cable.resets != resetsShown_) {
        resetsShown_ = setup_.c64.cable.resets;
        keys_.clear();
        out_ << "reset" << std::endl;
    }
    int key = k.keys.empty() ? 0 : k.keys.back();
    if (key != 0) {
        keys_.push_back(key);
    } else if (!keys_.empty()) {
        out_ << "keys: " << keysAsTyped(keys_) << std::endl;
        keys_.clear();
    }
}

}  // namespace brimwick::shell
