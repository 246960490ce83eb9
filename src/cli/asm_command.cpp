// brimwick-cli asm SOURCE: assembles a TurboAss source into C64 program files
// and a listing beside it, and prints every message to stderr in the form
// compilers use (SOURCE:LINE: error: TEXT), so editors can jump to the line.
// On request it also writes the label file that emulators' monitors load.
#include <iostream>
#include <memory>
#include <string>

#include "asm/assembler.h"
#include "cli/commands.h"
#include "config/settings.h"
#include "platform/shell_open.h"

namespace brimwick::cli {

namespace {

// The file name that stands for standard output.
constexpr const char* kStandardOutput = "-";

struct AsmArguments {
    std::string source;          // the source file
    bool addressName = false;    // --address-name given
    bool noAddressName = false;  // --no-address-name given
    bool show = false;           // open the listing afterwards
    std::string labels;          // --labels FILE, "-" for standard output
};

// Files on disk, where the label file "-" is standard output.
class CommandLineFiles : public assembler::DiskFiles {
  public:
    bool sameFile(const std::string& output, const std::string& input) override {
        return output != kStandardOutput && DiskFiles::sameFile(output, input);
    }
    bool writeOutput(const std::string& path, std::span<const std::uint8_t> bytes,
                     std::string& failure) override {
        if (path != kStandardOutput) return DiskFiles::writeOutput(path, bytes, failure);
        std::cout.write(reinterpret_cast<const char*>(bytes.data()),
                        static_cast<std::streamsize>(bytes.size()));
        if (std::cout.flush()) return true;
        failure = "standard output cannot be written";
        return false;
    }
};

int runAsm(const AsmArguments& args) {
    using namespace brimwick::assembler;
    AssemblerOptions options = optionsFromSettings(config::settings());
    if (args.noAddressName) options.addressInObjectName = false;
    if (args.addressName) options.addressInObjectName = true;
    // The command line never opens the listing unless asked to.
    options.showResultsOnSuccess = args.show;
    options.showResultsOnErrors = args.show;
    options.labelPath = args.labels;
    CommandLineFiles files;
    auto assembler = std::make_unique<Assembler>(options, &files);
    assembler->setMessageSink([&](const AssemblerMessage& m) {
        std::cerr << args.source;
        if (m.line > 0) std::cerr << ':' << m.line;
        std::cerr << ": " << (m.kind == MessageKind::Warning ? "warning" : "error") << ": "
                  << m.text;
        if (!m.detail.empty()) std::cerr << ": " << m.detail;
        std::cerr << '\n';
    });
    assembler->setDocumentOpener([](const std::string& path) { platform::openDocument(path); });
    const int errors = assembler->assembleFile(args.source);
    if (assembler->refused()) return 2;
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
    cmd->add_option("--labels", args->labels,
                    "Write every label and its value for an emulator's monitor "
                    "(al C:0801 .start) to FILE, or to stdout with -")
        ->type_name("FILE");
    cmd->callback([args, &registry] { registry.exitCode = runAsm(*args); });
}

}  // namespace brimwick::cli
