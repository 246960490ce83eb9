// Fetching and converting the mirrored screen.
#include "link/screen_mirror.h"

namespace brimwick::link {

std::uint8_t screenCodeToDisplay(std::uint8_t code) {
    int c = code & 0x7F;
    if (c < 0x20) return static_cast<std::uint8_t>(c + 0x40);
    if (c >= 0x40 && c < 0x60) return static_cast<std::uint8_t>(c + 0x20);
    return static_cast<std::uint8_t>(c);
}

void ScreenMirror::mirrorScreenStep(LinkPort& link, TerminalView* view) {
    link.saveRegisters();
    link.readMemory(screenMirror.data() + mirrorOffset, kC64Screen + mirrorOffset, kMirrorSlice);
    link.restoreRegisters();
    mirrorOffset += kMirrorSlice;
    if (mirrorOffset < kScreenBytes) return;
    mirrorOffset = 0;
    for (int i = kScreenBytes - 1; i >= 0; --i)
        screenMirror[static_cast<std::size_t>(i)] =
            screenCodeToDisplay(screenMirror[static_cast<std::size_t>(i)]);
    if (view != nullptr && !view->minimized()) view->invalidateTerminal();
}

}  // namespace brimwick::link
