// A device number written as a file name: the desktop redirects device 8 to
// the real drive 9 when the person opens a file named 9.dev, say, and the
// disk copier reads from the real drive named the same way. Only 5 to 14
// written in decimal without leading zeros name a device.
#pragma once

#include "base/text_slice.h"
#include "platform/user_dialogs.h"

namespace brimwick::shell {

inline constexpr const char* kAppTitle = "Brimwick";
inline constexpr const char* kIllegalDeviceText =
    "Illegal Device \n \nDevice number must be in the range 5-14";

// The device number 5..14 that the base name of `path` (between its last '/'
// and its last '.') spells; the slice is left holding that base name. Any
// other name shows the "Illegal Device" box and gives -1.
int deviceFromFileName(TextSlice& path, platform::UserDialogs& dialogs);

}  // namespace brimwick::shell
