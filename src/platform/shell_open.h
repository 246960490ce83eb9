// Hands a file to the desktop: opens it with the application that the
// desktop associates with its type (a listing in the text editor, say).
#pragma once

#include <string>

namespace brimwick::platform {

// Starts the desktop's default application on `path` without waiting for it.
// False when no opener could be started.
bool openDocument(const std::string& path);

}  // namespace brimwick::platform
