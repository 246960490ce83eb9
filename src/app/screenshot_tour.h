// A tour of the window for screenshots (scripts/screenshot.sh): the main
// window, the terminal after LOAD"$",8 and LIST, and the Preferences dialog,
// each saved as a PNG file; then the program ends.
#pragma once

#include <QString>

namespace brimwick::app {

class BrimwickApp;

// Starts the tour once the event loop runs; the files go into `directory`.
void startScreenshotTour(BrimwickApp& app, const QString& directory);

}  // namespace brimwick::app
