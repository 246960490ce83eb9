// Writing and removing the desktop's file associations.
#include "shell/desktop_install.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/file.h"
#include "platform/paths.h"
#include "platform/trace_log.h"
#include "platform/xdg_directories.h"
#include "shell/typed_name.h"

extern char** environ;

namespace brimwick::shell {

using platform::MessageButtons;
using platform::MessageIcon;
using platform::traceLog;

namespace {

constexpr std::string_view kFileMarker = "@file ";
constexpr std::string_view kDefaultMarker = "@default ";
constexpr std::size_t kTemplateLimit = 1 << 20;  // a template is a few kilobytes

std::string baseName(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string parentOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A relative path that stays below the data directory: no "..", no leading '/'.
bool safeRelativePath(const std::string& path) {
    if (path.empty() || path.front() == '/') return false;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string_view part(path.data() + start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

std::string fileList(const std::vector<std::string>& paths) {
    std::string list;
    for (const auto& p : paths) list += "\n" + p;
    return list;
}

}  // namespace

std::string execArgumentText(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            // Escaped inside a quoted argument: \" \` \$ \\; then every
            // backslash is doubled again, as in any string value.
            case '"':
            case '`':
            case '$':
                out += "\\\\";
                out += c;
                break;
            case '\\':
                out += "\\\\\\\\";
                break;
            // Not a field code.
            case '%':
                out += "%%";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string expandTemplate(std::string_view text, std::string_view programDirectory) {
    std::string out;
    out.reserve(text.size() + programDirectory.size() * 8);
    // In an Exec line the directory stands inside a quoted argument of a
    // command line, and is escaped as such.
    const std::string inExec = execArgumentText(programDirectory);
    bool execLine = text.starts_with(kExecKey);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '?')
            out += execLine ? inExec : std::string(programDirectory);
        else
            out += c;
        if (c == '\n') execLine = text.substr(i + 1).starts_with(kExecKey);
    }
    return out;
}

std::optional<std::string> unusableProgramDirectory(std::string_view programDirectory) {
    for (char c : programDirectory)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "its path " + displayName(programDirectory) +
                   " holds a line break or control byte, which no desktop entry can hold";
    return std::nullopt;
}

Associations parseAssociations(std::string_view expanded) {
    Associations result;
    AssociationFile* current = nullptr;
    int lineNumber = 0;
    std::size_t pos = 0;
    while (pos < expanded.size()) {
        std::size_t end = expanded.find('\n', pos);
        std::size_t next = end == std::string_view::npos ? expanded.size() : end + 1;
        std::string_view line = expanded.substr(pos, next - pos);
        std::string_view bare = line.substr(0, line.find('\n'));
        pos = next;
        ++lineNumber;
        auto fail = [&](const std::string& why) {
            throw TemplateError{"line " + std::to_string(lineNumber) + ": " + why};
        };
        if (bare.starts_with(kFileMarker)) {
            std::string path(bare.substr(kFileMarker.size()));
            if (!safeRelativePath(path)) fail("\"" + path + "\" is no path below the data directory");
            if (!baseName(path).starts_with(kAssociationPrefix))
                fail("\"" + path + "\" does not begin with " + kAssociationPrefix);
            for (const auto& f : result.files)
                if (f.relativePath == path) fail("\"" + path + "\" is named twice");
            result.files.push_back({path, ""});
            current = &result.files.back();
        } else if (bare.starts_with(kDefaultMarker)) {
            std::string_view rest = bare.substr(kDefaultMarker.size());
            auto space = rest.find(' ');
            if (space == std::string_view::npos) fail("@default needs a MIME type and an entry");
            result.defaults.emplace_back(std::string(rest.substr(0, space)),
                                         std::string(rest.substr(space + 1)));
            current = nullptr;
        } else if (bare.starts_with("@")) {
            fail("unknown line \"" + std::string(bare) + "\"");
        } else if (current != nullptr) {
            current->content += line;
        } else if (!bare.empty() && !bare.starts_with("#")) {
            fail("text outside of an @file");
        }
    }
    for (const auto& [mime, entry] : result.defaults) {
        bool named = false;
        for (const auto& f : result.files) named = named || baseName(f.relativePath) == entry;
        if (!named) throw TemplateError{"@default " + mime + ": " + entry + " is no file of the template"};
    }
    if (result.files.empty()) throw TemplateError{"it names no file"};
    return result;
}

std::string userDataDirectory() {
    std::string data = platform::xdgDataHome();
    return data.empty() ? data : platform::withTrailingSeparator(data);
}

int runInstalledTool(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return -1;
    std::vector<char*> argv;
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    // 127: the shell's "not found" for a tool that could not be executed.
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool DesktopInstaller::readAssociations(platform::UserDialogs& dialogs, const char* caption,
                                        Associations& associations) {
    std::string path =
        (templateDirectory.empty() ? programDirectory : templateDirectory) + kRegisterTemplate;
    std::string text;
    try {
        auto bytes = platform::readFile(path, kTemplateLimit);
        text.assign(bytes.begin(), bytes.end());
    } catch (const platform::FileError& e) {
        traceLog() << "\n Install: " << e.message();
        dialogs.messageBox("Cannot read " + path + ": " + e.reason() + "\nNothing was changed.",
                           caption, MessageButtons::Ok, MessageIcon::Stop);
        return false;
    }
    try {
        associations = parseAssociations(expandTemplate(text, programDirectory));
    } catch (const TemplateError& e) {
        dialogs.messageBox("The template " + path + " cannot be used: " + e.message +
                               "\nNothing was changed.",
                           caption, MessageButtons::Ok, MessageIcon::Stop);
        return false;
    }
    if (dataDirectory.empty()) {
        dialogs.messageBox("Neither XDG_DATA_HOME nor HOME is set: there is no place for the "
                           "desktop's file associations.\nNothing was changed.",
                           caption, MessageButtons::Ok, MessageIcon::Stop);
        return false;
    }
    return true;
}

void DesktopInstaller::install(platform::UserDialogs& dialogs) {
    auto answer = dialogs.messageBox(
        "This installation does only associate certain file extensions (*.d64,*.prg,...) to "
        "this program.\n\t\tThe associations are files in the desktop's file associations "
        "below " +
            dataDirectory + "; Uninstall removes them again.\n\n\t\tAre you realy sure you want "
                            "to ''install'' Brimwick?",
        kInstallCaption, MessageButtons::OkCancel, MessageIcon::Question);
    if (answer != platform::MessageAnswer::Ok) return;
    traceLog() << "\n path = " << programDirectory;
    if (std::optional<std::string> why = unusableProgramDirectory(programDirectory)) {
        dialogs.messageBox("Brimwick cannot be installed from here: " + *why +
                               ".\nNothing was installed.",
                           kInstallCaption, MessageButtons::Ok, MessageIcon::Stop);
        return;
    }
    Associations associations;
    if (!readAssociations(dialogs, kInstallCaption, associations)) return;

    for (const auto& f : associations.files) {
        std::string target = dataDirectory + f.relativePath;
        if (platform::exists(target)) {
            dialogs.messageBox("Brimwick's file associations are already installed (" + target +
                                   " exists).\nNothing was changed; Uninstall removes them.",
                               kInstallCaption, MessageButtons::Ok, MessageIcon::Warning);
            return;
        }
    }

    // All or nothing: on a failure, what this install made goes again.
    std::vector<std::string> written;
    std::vector<std::string> madeDirectories;
    auto undo = [&] {
        for (auto it = written.rbegin(); it != written.rend(); ++it) ::unlink(it->c_str());
        for (auto it = madeDirectories.rbegin(); it != madeDirectories.rend(); ++it)
            ::rmdir(it->c_str());
    };
    for (const auto& f : associations.files) {
        std::string target = dataDirectory + f.relativePath;
        try {
            // The missing directories, outermost first, to remove them on a failure.
            std::vector<std::string> missing;
            for (std::string dir = parentOf(target); !dir.empty() && !platform::exists(dir);
                 dir = parentOf(dir))
                missing.push_back(dir);
            for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
                if (::mkdir(it->c_str(), 0755) != 0) throw platform::FileError("mkdir", *it, errno);
                madeDirectories.push_back(*it);
            }
            platform::writeFileAtomically(target, f.content.data(), f.content.size());
            written.push_back(target);
        } catch (const platform::FileError& e) {
            undo();
            traceLog() << "\n Install: " << e.message();
            dialogs.messageBox("Cannot write " + e.path() + ": " + e.reason() +
                                   "\nNothing was installed.",
                               kInstallCaption, MessageButtons::Ok, MessageIcon::Stop);
            return;
        }
    }
    updateDatabases(associations, true);
    dialogs.messageBox("Brimwick's file associations are installed:" + fileList(written),
                       kInstallCaption, MessageButtons::Ok, MessageIcon::Information);
}

void DesktopInstaller::uninstall(platform::UserDialogs& dialogs) {
    Associations associations;
    if (!readAssociations(dialogs, kUninstallCaption, associations)) return;
    std::vector<std::string> present;
    for (const auto& f : associations.files) {
        std::string target = dataDirectory + f.relativePath;
        struct stat st {};
        if (::lstat(target.c_str(), &st) == 0) present.push_back(target);
    }
    if (present.empty()) {
        dialogs.messageBox("Brimwick's file associations are not installed below " +
                               dataDirectory + ": there is nothing to remove.",
                           kUninstallCaption, MessageButtons::Ok, MessageIcon::Information);
        return;
    }
    auto answer = dialogs.messageBox(
        "This removes Brimwick's file associations from the desktop:" + fileList(present) +
            "\n\nRemove them?",
        kUninstallCaption, MessageButtons::OkCancel, MessageIcon::Question);
    if (answer != platform::MessageAnswer::Ok) return;
    // Every directory must let the files go before any goes.
    for (const auto& target : present) {
        std::string dir = parentOf(target);
        if (::access(dir.c_str(), W_OK | X_OK) != 0) {
            int cause = errno;
            dialogs.messageBox("Cannot remove " + target + ": " + std::strerror(cause) +
                                   "\nNothing was removed.",
                               kUninstallCaption, MessageButtons::Ok, MessageIcon::Stop);
            return;
        }
    }
    std::string failures;
    for (const auto& target : present) {
        if (::unlink(target.c_str()) != 0)
            failures += "\n" + target + ": " + std::strerror(errno);
    }
    updateDatabases(associations, false);
    if (!failures.empty()) {
        dialogs.messageBox("These files could not be removed:" + failures, kUninstallCaption,
                           MessageButtons::Ok, MessageIcon::Stop);
        return;
    }
    dialogs.messageBox("Brimwick's file associations are removed.", kUninstallCaption,
                       MessageButtons::Ok, MessageIcon::Information);
}

DesktopInstaller installerForThisProgram() {
    DesktopInstaller installer;
    installer.programDirectory = platform::executableDirectory();
    installer.templateDirectory = platform::installedDataDirectory();
    installer.dataDirectory = userDataDirectory();
    return installer;
}

void DesktopInstaller::updateDatabases(const Associations& associations, bool installing) {
    bool mime = false, applications = false;
    for (const auto& f : associations.files) {
        mime = mime || f.relativePath.starts_with("mime/");
        applications = applications || f.relativePath.starts_with("applications/");
    }
    auto run = [&](const std::vector<std::string>& arguments) {
        int status = runTool(arguments);
        traceLog() << "\n SHELL = " << arguments[0] << " " << status;
    };
    if (mime) run({"update-mime-database", dataDirectory + "mime"});
    if (applications) run({"update-desktop-database", dataDirectory + "applications"});
    if (installing)
        for (const auto& [type, entry] : associations.defaults)
            run({"xdg-mime", "default", entry, type});
}

}  // namespace brimwick::shell
