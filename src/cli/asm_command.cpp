// brimwick-cli asm SOURCE: assembles a TurboAss source into C64 program files
// and a listing beside it, and prints every message to stderr in the form
// compilers use (SOURCE:LINE: error: TEXT), so editors can jump to the line.
#include <iostream>
#include <memory>
#include <string>

#include "asm/assembler.h"
#include "cli/commands.h"
#include "config/settings.h"
#include "platform/shell_open.h"

namespace brimwick::cli {

namespace {

struct AsmArguments {
    std::string source;          // the source file
    bool addressName = false;    // --address-name given
    bool noAddressName = false;  // --no-address-name given
    bool show = false;           // open the listing afterwards
};

int runAsm(const AsmArguments& args) {
    using namespace brimwick::assembler;
    AssemblerOptions options = optionsFromSettings(config::settings());
    if (args.noAddressName) options.addressInObjectName = false;
    if (args.addressName) options.addressInObjectName = true;
    // The command line never opens the listing unless asked to.
    options.showResultsOnSuccess = args.show;
    options.showResultsOnErrors = args.show;
    auto assembler = std::make_unique<Assembler>(options);
    assembler->setMessageSink([&](const AssemblerMessage& m) {
        const char* kind = m.kind == MessageKind::Warning ? "warning" : "error";
        if (assembler->sourceUnreadable()) {
            std::cerr << args.source << ": error: " << m.text << '\n';
            return;
        }
        std::cerr << args.source << ':' << m.line << ": " << kind << ": " << m.text << '\n';
    });
    assembler->setDocumentOpener([](const std::string& path) { platform::openDocument(path); });
    const int errors = assembler->assembleFile(args.source);
    if (assembler->sourceUnreadable()) return 2;
    return errors == 0 ? 0 : 1;
}

}  // namespace

void addAsmCommand(CLI::App& app, CommandRegistry& registry) {
    auto args = std::make_shared<AsmArguments>();
    CLI::App* cmd = app.add_subcommand(
        "asm", "Assemble a TurboAss 6502 source into C64 program files and a listing");
    cmd->add_option("SOURCE", args->source, "TurboAss source file")->required();
    auto* on = cmd->add_flag("--address-name", args->addressName,
                             "Add the start address to object file names (the default setting)");
    auto* off = cmd->add_flag("--no-address-name", args->noAddressName,
                              "Name every object file after the source only");
    on->excludes(off);
    cmd->add_flag("--show", args->show, "Open the listing in the desktop's default application");
    cmd->callback([args, &registry] { registry.exitCode = runAsm(*args); });
}

}  // namespace brimwick::cli
