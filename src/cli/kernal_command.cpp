// brimwick-cli kernal patch STOCK.ROM -o ks.rom: puts the link kernal into a
// person's own 8 KB C64 kernal image. The result is both the EPROM image for
// the C64 and the kernels/ks.rom that request 255 uploads. The link kernal
// comes from kernels/link.prg in the program directory (built beside the
// program), or from --link.
//
// brimwick-cli kernal loader: the RAM kernal loader, for a C64 without an
// EPROM, as a BASIC listing to type in, or with -o as a program file and
// with --d64 on a new disk image. It comes from kernels/ram_loader.prg, or
// from --loader.
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "c64/kernal/kernal_patcher.h"
#include "c64/kernal/kernal_preparer.h"
#include "c64/kernal/loader_listing.h"
#include "cli/commands.h"
#include "d64/c1541_error.h"
#include "drive/drive_core.h"
#include "drive/drive_unit.h"
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

struct LoaderArguments {
    std::string loader;  // the assembled loader, "" for the default
    std::string output;  // the listing as a program file, or ""
    std::string d64;     // a new image to put it on, or ""
};

// The name of the program on the image, and the image's name.
constexpr const char* kLoaderName = "LOADER";
constexpr const char* kLoaderDiskName = "BRIMWICK";
constexpr std::uint8_t kDevice = 8;
constexpr std::uint8_t kSaveChannel = 1;

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

int runPatch(const KernalArguments& args) {
    std::string linkPath = args.link;
    if (linkPath.empty()) linkPath = c64::kernelsPath(platform::programDirectory(), c64::kLinkProgramFile);
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

// The program as SAVE"LOADER",8 leaves it on a new image.
void writeLoaderImage(const std::string& image, const std::vector<std::uint8_t>& program) {
    if (platform::exists(image)) throw std::runtime_error(image + " exists; --d64 makes a new image");
    drive::DriveUnit unit;
    unit.newImage(TextSlice(image.c_str()));
    std::string command = std::string("N:") + kLoaderDiskName;
    try {
        unit.listenOrTalk(drive::kListen + kDevice);
        unit.secondaryAfterListen(drive::kSecondaryOpen + 15);
        for (char c : command) unit.byteOut(static_cast<std::uint8_t>(c));
        unit.unlisten();
        unit.listenOrTalk(drive::kListen + kDevice);
        unit.secondaryAfterListen(drive::kSecondaryOpen + kSaveChannel);
        for (const char* c = kLoaderName; *c != '\0'; ++c) unit.byteOut(static_cast<std::uint8_t>(*c));
        unit.unlisten();
        unit.listenOrTalk(drive::kListen + kDevice);
        unit.secondaryAfterListen(drive::kSecondaryData + kSaveChannel);
        for (std::uint8_t b : program) unit.byteOut(b);
        unit.unlisten();
        unit.listenOrTalk(drive::kListen + kDevice);
        unit.secondaryAfterListen(drive::kSecondaryClose + kSaveChannel);
        unit.unlisten();
    } catch (const c1541_error* e) {
        unit.imageModified = false;
        throw std::runtime_error(image + ": " + e->text);
    }
    if (!unit.saveImage()) {
        unit.imageModified = false;
        throw std::runtime_error("cannot write image " + image + ": " + unit.saveFailure);
    }
}

int runLoader(const LoaderArguments& args) {
    std::string loaderPath = args.loader;
    if (loaderPath.empty())
        loaderPath = c64::kernelsPath(platform::programDirectory(), c64::kRamLoaderFile);
    try {
        std::vector<std::uint8_t> loader = platform::readFile(loaderPath, kLargestInput);
        std::vector<c64::ListingLine> lines = c64::loaderListing(loader);
        if (args.output.empty() && args.d64.empty()) {
            std::cout << c64::listingText(lines);
            return 0;
        }
        std::vector<std::uint8_t> program = c64::listingProgram(lines);
        if (!args.output.empty()) {
            platform::writeFileAtomically(args.output, program.data(), program.size());
            std::cout << "wrote " << args.output << '\n';
        }
        if (!args.d64.empty()) {
            writeLoaderImage(args.d64, program);
            std::cout << "wrote " << args.d64 << " with " << kLoaderName << '\n';
        }
    } catch (const platform::FileError& e) {
        std::cerr << "kernal loader: " << e.message() << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "kernal loader: " << e.what() << '\n';
        return 1;
    }
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

    auto loaderArgs = std::make_shared<LoaderArguments>();
    CLI::App* loader = cmd->add_subcommand(
        "loader",
        "Print the RAM kernal loader as a BASIC listing to type into a C64 that has no EPROM");
    loader->add_option("-o,--output", loaderArgs->output, "Write it as a program file instead");
    loader->add_option("--d64", loaderArgs->d64, "Put it on a new disk image as LOADER");
    loader->add_option("--loader", loaderArgs->loader,
                       "The assembled loader (default: kernels/ram_loader.prg)");
    loader->callback([loaderArgs, &registry] { registry.exitCode = runLoader(*loaderArgs); });
}

}  // namespace brimwick::cli
