// Opens a document in the desktop's default application (the listing after
// an assembly). Stands in until the platform layer offers the same call.
#pragma once

#include <string>

namespace brimwick::assembler {

// Starts xdg-open on `path` without waiting for the application; false when
// the helper could not be started.
bool openWithDesktop(const std::string& path);

}  // namespace brimwick::assembler
