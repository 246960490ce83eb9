// Installing Brimwick's file associations in the desktop of this user, and
// removing them again. The template `register.txt` beside the program names
// the files to make; every '?' in it becomes the program directory (with its
// trailing '/'). Its lines:
//
//   # ...                  a comment (before the first @file only)
//   @file DIR/NAME         the lines up to the next @ line are the file
//                          DIR/NAME below the user's ~/.local/share; NAME
//                          must begin with "brimwick_"
//   @default MIME ENTRY    ENTRY (a desktop entry of the template) opens MIME
//
// Install writes all the files or none (a file already there means the
// associations are installed: nothing is written), then lets the desktop's
// own tools (update-mime-database, update-desktop-database, xdg-mime) know
// of them where they are installed. Uninstall removes exactly the files the
// template names.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/user_dialogs.h"

namespace brimwick::shell {

inline constexpr const char* kRegisterTemplate = "register.txt";
inline constexpr const char* kAssociationPrefix = "brimwick_";
inline constexpr const char* kInstallCaption = "INSTALLATION";
inline constexpr const char* kUninstallCaption = "Uninstall";

// A template that cannot be used, with the reason.
struct TemplateError {
    std::string message;  // what is wrong, with the line
};

// One file of the associations.
struct AssociationFile {
    std::string relativePath;  // below the data directory: "applications/brimwick_open.desktop"
    std::string content;       // the whole file
};

struct Associations {
    std::vector<AssociationFile> files;                         // in template order
    std::vector<std::pair<std::string, std::string>> defaults;  // (MIME type, desktop entry)
};

// The key of a desktop entry's command line.
inline constexpr std::string_view kExecKey = "Exec=";

// The template with every '?' replaced by `programDirectory`; in an Exec
// line, escaped for a quoted argument of a desktop entry's command line
// ("\\\"", "\\$", "%%", ...) so that any directory names the program and
// nothing else.
std::string expandTemplate(std::string_view text, std::string_view programDirectory);
// `text` as it is written inside a quoted argument of an Exec line.
std::string execArgumentText(std::string_view text);
// Why no desktop entry can name the program in `programDirectory` (a line
// break in it), or nothing.
std::optional<std::string> unusableProgramDirectory(std::string_view programDirectory);
// The files and defaults of an expanded template; throws TemplateError.
Associations parseAssociations(std::string_view expanded);

// The user's data directory (platform::xdgDataHome): $XDG_DATA_HOME, or ~/.local/share; with
// its trailing '/'; "" when neither is set.
std::string userDataDirectory();

// Runs a desktop tool with its arguments and waits; its exit status, or -1
// when it is not installed.
using ToolRunner = std::function<int(const std::vector<std::string>&)>;
int runInstalledTool(const std::vector<std::string>& arguments);

class DesktopInstaller {
  public:
    std::string programDirectory;              // what '?' becomes: brimwick's directory, with its '/'
    std::string templateDirectory;             // where register.txt is ("": programDirectory)
    std::string dataDirectory;                 // where the files go, with its '/'
    ToolRunner runTool = runInstalledTool;     // the desktop's tools

    // The Install button: asks, then installs and tells how it went.
    void install(platform::UserDialogs& dialogs);
    // The Uninstall button: asks, then removes and tells how it went.
    void uninstall(platform::UserDialogs& dialogs);

  private:
    // The template's associations; tells the person and returns false when
    // it cannot be read or used.
    bool readAssociations(platform::UserDialogs& dialogs, const char* caption,
                          Associations& associations);
    void updateDatabases(const Associations& associations, bool installing);
};

// The installer the Preferences dialog and `brimwick-cli desktop` both use:
// the template of this installation (PREFIX/share/brimwick/register.txt),
// '?' as the directory of the running executable, the files below the
// user's data directory.
DesktopInstaller installerForThisProgram();

}  // namespace brimwick::shell
