// Choosing between the emulated and the virtual C64.
#include "c64/emulated_choice.h"

#include "c64/emulated_setup.h"
#include "c64/kernal/kernal_patcher.h"
#include "config/side_settings.h"
#include "platform/file.h"

namespace brimwick::c64 {

namespace {
constexpr std::size_t kLargestLinkProgram = 0x10002;
}  // namespace

std::string EmulatedStart::summary() const {
    return "emulated C64 (" + std::string(standard == VideoStandard::Pal ? "PAL" : "NTSC") +
           ") with " + roms.kernalPath + " (" + how + "), " + roms.basicPath + ", " +
           roms.charactersPath;
}

std::optional<EmulatedStart> chooseEmulatedC64(const EmulatedOptions& options,
                                               const std::string& settingsDirectory,
                                               const std::string& linkPath, bool search,
                                               std::string& note) {
    note.clear();
    config::SideSettings side;
    try {
        side = config::SideSettings::read(settingsDirectory);
    } catch (const platform::FileError& e) {
        throw RomError("cannot " + e.message());
    }
    std::string video = options.video;
    if (video.empty()) video = side.get(kVideoKey).value_or("pal");
    std::optional<VideoStandard> standard = parseVideoStandard(video);
    if (!standard) throw RomError("unknown video standard '" + video + "' (pal or ntsc)");

    RomChoice choice = options.roms;
    std::optional<RomSet> roms;
    if (choice.explicitlyGiven()) {
        roms = loadRoms(choice);
    } else if (auto dir = side.get(kRomsKey); dir && !dir->empty()) {
        choice.directory = *dir;
        try {
            roms = loadRoms(choice);
        } catch (const RomError& e) {
            throw RomError(std::string(e.what()) + " (the setting " + kRomsKey + "= in " +
                           config::sideSettingsPath(settingsDirectory) + ")");
        }
    } else if (search && romSearchEnabled()) {
        roms = searchRoms(choice, romSearchDirectories(), note);
        if (!roms) return std::nullopt;
        // ROMs nobody named that cannot run are a note, not a failure.
        EmulatedOptions named = options;
        named.roms = RomChoice{"", roms->kernalPath, roms->basicPath, roms->charactersPath};
        try {
            return chooseEmulatedC64(named, settingsDirectory, linkPath, false, note);
        } catch (const RomError& e) {
            note = e.what();
            return std::nullopt;
        }
    } else {
        return std::nullopt;
    }

    EmulatedStart start;
    start.standard = *standard;
    std::vector<std::uint8_t> link;
    if (!options.asIs && !isLinkKernal(roms->kernal)) {
        // One that cannot be patched is told so, whether the link kernal is there or not.
        try {
            recogniseKernal(roms->kernal);
        } catch (const PatchError& e) {
            throw RomError(unpatchableMessage(roms->kernalPath, e.what()));
        }
        try {
            link = platform::readFile(linkPath, kLargestLinkProgram);
        } catch (const platform::FileError& e) {
            throw RomError("cannot " + e.message() + " (the assembled link kernal)");
        }
    }
    start.kernal = kernalToRun(roms->kernal, roms->kernalPath, link, options.asIs, start.how);
    start.roms = std::move(*roms);
    return start;
}

}  // namespace brimwick::c64
