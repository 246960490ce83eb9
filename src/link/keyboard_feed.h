// Typing into the C64. A text (a reset sequence, then LOAD and RUN commands)
// is fed one character per keyboard poll while the C64's keyboard buffer
// holds fewer than 10 characters, so nothing typed is lost; a single key
// typed into the terminal waits until no text is being fed. On the way,
// letters swap case (the C64 in upper-case mode shows PC lower case as
// capitals), backspace becomes the C64's DEL and tab its arrow-left key.
#pragma once

#include <cstdint>
#include <memory>

#include "base/text_slice.h"
#include "config/settings.h"
#include "link/link_port.h"

namespace brimwick::link {

class KeyboardFeed {
  public:
    bool feedActive = false;           // a typed text is being delivered
    std::unique_ptr<char[]> feedText;  // the text, NUL-terminated, owned until its NUL went out
    int feedPos = 0;                   // index of the next byte of feedText
    int pendingKey = 0;                // last character typed into the terminal
    bool keyPending = false;           // pendingKey waits for delivery

    // Queues a text; false when no port is configured or a feed is running.
    bool startKeyboardFeed(const LinkPort& link, const TextSlice& text);
    // Resets the C64 and queues the selected reset sequence plus the text.
    bool typeText(LinkPort& link, const config::Settings& settings, const TextSlice& text);
    // A key typed into the terminal; replaces one not yet delivered.
    void typeKey(int key) {
        pendingKey = key;
        keyPending = true;
    }
    // The next byte of the feed (advancing it; the NUL ends the feed).
    int takeFeedByte();
};

// The C64 key code for a PC character: letters swap case, 8 becomes 0x14
// (DEL) and 9 becomes 0x7F; everything else passes unchanged.
int translateKey(int key);

}  // namespace brimwick::link
