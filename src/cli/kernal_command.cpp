// brimwick-cli kernal patch STOCK.ROM -o ks.rom: puts the link kernal into a
// person's own 8 KB C64 kernal image. The result is both the EPROM image for
// the C64 and the kernels/ks.rom that request 255 uploads. The link kernal
// comes from kernels/link.prg in the program directory (built beside the
// program), or from --link.
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "c64/kernal/kernal_patcher.h"
#include "cli/commands.h"
#include "platform/file.h"
#include "platform/paths.h"

namespace brimwick::cli {

namespace {

constexpr std::size_t kLargestInput = 1 << 16;  // far more than any kernal or link program

struct KernalArguments {
    std::string stock;   // the person's kernal image
    std::string output;  // where the patched image goes
    std::string link;    // the assembled link kernal, "" for the default
};

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

int runPatch(const KernalArguments& args) {
    std::string linkPath = args.link;
    if (linkPath.empty())
        linkPath = platform::programDirectory() + "kernels" + platform::kPathSeparator + "link.prg";
    if (sameFile(args.stock, args.output) || sameFile(linkPath, args.output)) {
        std::cerr << "kernal patch: " << args.output
                  << ": will not write over one of its own inputs\n";
        return 1;
    }
    try {
        std::vector<std::uint8_t> stock = platform::readFile(args.stock, kLargestInput);
        std::vector<std::uint8_t> link = platform::readFile(linkPath, kLargestInput);
        std::vector<std::uint8_t> patched;
        try {
            patched = c64::patchKernal(stock, link);
        } catch (const c64::PatchError& e) {
            std::cerr << "kernal patch: " << args.stock << ": not a C64 kernal image this can patch: "
                      << e.what() << '\n';
            return 1;
        }
        platform::writeFileAtomically(args.output, patched.data(), patched.size());
    } catch (const platform::FileError& e) {
        std::cerr << "kernal patch: " << e.message() << '\n';
        return 1;
    }
    std::cout << "patched " << args.stock << " -> " << args.output << '\n';
    return 0;
}

}  // namespace

void addKernalCommand(CLI::App& app, CommandRegistry& registry) {
    CLI::App* cmd = app.add_subcommand("kernal", "The C64 link kernal");
    cmd->require_subcommand(1);
    auto args = std::make_shared<KernalArguments>();
    CLI::App* patch = cmd->add_subcommand(
        "patch", "Put the link kernal into your own 8 KB C64 kernal image (for an EPROM and ks.rom)");
    patch->add_option("STOCK", args->stock, "Your C64 kernal image (8192 bytes)")
        ->required();
    patch->add_option("-o,--output", args->output, "The patched image to write")->required();
    patch->add_option("--link", args->link, "The assembled link kernal (default: kernels/link.prg)");
    patch->callback([args, &registry] { registry.exitCode = runPatch(*args); });
}

}  // namespace brimwick::cli
