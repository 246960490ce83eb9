// One Brimwick at a time: `brimwick FILE...` and `brimwick --exec STRING`
// hand their execute strings to a window that runs already (the desktop's
// file associations call it so); only when none runs does this one open a
// window and run them there.
#pragma once

#include <string>
#include <vector>

namespace brimwick::app {

// The execute string for a file opened without a code: an image is served
// (ID__), a program loaded and run (L___), a source assembled (ASS_); ""
// for any other file.
std::string executeStringForFile(const std::string& path, const std::string& code = "");

enum class HandOff {
    Delivered,  // a running window took every string
    StartHere,  // none runs: open a window and run them there
    Failed,     // it runs but refused (said on stderr)
};

// Hands `strings` to the running window.
HandOff handToRunningWindow(const std::vector<std::string>& strings);

}  // namespace brimwick::app
