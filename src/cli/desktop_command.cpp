// brimwick-cli desktop install|uninstall|export: the Preferences dialog's
// Install and Uninstall buttons for a terminal or a machine without a
// window. Both use the same template (register.txt of the installation)
// and the same installer, so they write the same files to the same place.
// `export DIR` writes the template's files for a system-wide installation
// (the packaging step: applications/ and mime/packages/ below DIR), whose
// Exec lines find brimwick on PATH.
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "platform/file.h"
#include "platform/paths.h"
#include "shell/desktop_install.h"

namespace brimwick::cli {

namespace {

constexpr std::size_t kTemplateLimit = 1 << 20;  // a template is a few kilobytes

// The installer's questions answered as the command line already did (the
// command is the person's yes); what it tells goes to stdout, its
// warnings and refusals to stderr.
class TerminalDialogs : public platform::UserDialogs {
  public:
    platform::MessageAnswer messageBox(std::string_view text, std::string_view,
                                       platform::MessageButtons buttons,
                                       platform::MessageIcon icon) override {
        if (buttons == platform::MessageButtons::Ok) {
            bool bad =
                icon == platform::MessageIcon::Stop || icon == platform::MessageIcon::Warning;
            (bad ? std::cerr : std::cout) << text << '\n';
            if (icon == platform::MessageIcon::Stop) failed = true;
        }
        return platform::defaultAnswer(buttons);
    }
    std::optional<int> selectDrive(int preselected) override { return preselected; }
    bool failed = false;  // a refusal or failure was told
};

int install(bool removing) {
    TerminalDialogs dialogs;
    shell::DesktopInstaller installer = shell::installerForThisProgram();
    if (removing)
        installer.uninstall(dialogs);
    else
        installer.install(dialogs);
    return dialogs.failed ? 1 : 0;
}

// The template's files with Exec lines for brimwick on PATH, below `into`.
int exportFiles(const std::string& into) {
    std::string path = platform::installedDataFile(shell::kRegisterTemplate);
    try {
        std::vector<std::uint8_t> bytes = platform::readFile(path, kTemplateLimit);
        shell::Associations associations = shell::parseAssociations(
            shell::expandTemplate(std::string(bytes.begin(), bytes.end()), ""));
        std::string base = platform::withTrailingSeparator(into);
        for (const shell::AssociationFile& f : associations.files) {
            std::string target = base + f.relativePath;
            platform::createDirectory(target.substr(0, target.rfind('/')));
            platform::writeFileAtomically(target, f.content.data(), f.content.size());
        }
    } catch (const platform::FileError& e) {
        std::cerr << "brimwick-cli desktop export: cannot " << e.message() << '\n';
        return 1;
    } catch (const shell::TemplateError& e) {
        std::cerr << "brimwick-cli desktop export: " << path << ": " << e.message << '\n';
        return 1;
    }
    return 0;
}

}  // namespace

void addDesktopCommand(CLI::App& app, CommandRegistry& registry) {
    CLI::App* desktop = app.add_subcommand(
        "desktop",
        "Install or remove the desktop's file associations of this user (as the Preferences "
        "dialog's Install and Uninstall buttons do)");
    desktop->require_subcommand(1);
    desktop
        ->add_subcommand("install",
                         "Associate .d64, .prg and .a64 files with Brimwick below "
                         "$XDG_DATA_HOME (~/.local/share)")
        ->callback([&registry] { registry.exitCode = install(false); });
    desktop->add_subcommand("uninstall", "Remove exactly the files that install wrote")
        ->callback([&registry] { registry.exitCode = install(true); });
    auto into = std::make_shared<std::string>();
    CLI::App* exported =
        desktop->add_subcommand("export",
                                "Write the desktop entries and the MIME package for a system-wide "
                                "installation below DIR (applications/, mime/packages/)");
    exported->add_option("DIR", *into, "where to write them (e.g. /usr/share)")->required();
    exported->callback([into, &registry] { registry.exitCode = exportFiles(*into); });
}

}  // namespace brimwick::cli
