// Queueing and translating typed text.
#include "link/keyboard_feed.h"

namespace brimwick::link {

bool KeyboardFeed::startKeyboardFeed(const LinkPort& link, const TextSlice& text) {
    if (link.dataPort == 0 || feedActive) return false;
    TextSlice copy(text);  // an owned, NUL-terminated copy of the window
    copy.cstr();
    feedText = copy.release();
    if (!feedText) {
        // An empty text owns no buffer: the feed is just its NUL.
        feedText = std::make_unique<char[]>(1);
    }
    feedPos = 0;
    feedActive = true;
    return true;
}

bool KeyboardFeed::typeText(LinkPort& link, const config::Settings& settings,
                            const TextSlice& text) {
    if (link.dataPort == 0) return false;
    link.resetC64();
    link.goOnline();
    TextSlice whole(config::selectedResetSequence(settings));
    whole.append(text);
    return startKeyboardFeed(link, whole);
}

int KeyboardFeed::takeFeedByte() {
    int key = static_cast<unsigned char>(feedText[static_cast<std::size_t>(feedPos)]);
    ++feedPos;
    if (key == 0) {
        feedActive = false;
        feedText.reset();
    }
    return key;
}

int translateKey(int key) {
    if ((key >= 'a' && key <= 'z') || (key >= 'A' && key <= 'Z')) key ^= 0x20;
    if (key == 8) return 0x14;
    if (key == 9) return 0x7F;
    return key;
}

}  // namespace brimwick::link
