// Finding and reading the person's ROMs.
#include "c64/machine/rom_set.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/xdg_directories.h"

namespace brimwick::c64 {

namespace {

namespace fs = std::filesystem;

enum class RomKind { Kernal, Basic, Characters };

struct KindInfo {
    const char* what;                      // for messages
    std::size_t size;                      // its bytes
    std::vector<std::string> names;        // name stems
    std::vector<std::string> chipNumbers;  // the C64's own, best first
};

const KindInfo& info(RomKind kind) {
    static const KindInfo kKernal{"KERNAL", kKernalRomBytes, {"kernal"}, {"901227-03", "901227-02", "901227-01"}};
    static const KindInfo kBasic{"BASIC", kBasicRomBytes, {"basic"}, {"901226-01"}};
    static const KindInfo kCharacters{"character", kCharacterRomBytes, {"chargen", "characters"}, {"901225-01"}};
    switch (kind) {
        case RomKind::Kernal: return kKernal;
        case RomKind::Basic: return kBasic;
        default: return kCharacters;
    }
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A chip number in a name: six digits, a dash or separator, two digits.
bool findChipNumber(const std::string& name, std::string& number) {
    for (std::size_t i = 0; i + 9 <= name.size(); ++i) {
        bool digits = true;
        for (std::size_t k : {0, 1, 2, 3, 4, 5, 7, 8})
            digits = digits && std::isdigit(static_cast<unsigned char>(name[i + k])) != 0;
        if (digits && (name[i + 6] == '-' || name[i + 6] == '_' || name[i + 6] == '.')) {
            number = name.substr(i, 6) + "-" + name.substr(i + 7, 2);
            return true;
        }
    }
    return false;
}

// How good a file named `file` is for `kind`: 0 best, none when not one.
std::optional<int> rank(RomKind kind, const std::string& file) {
    std::string name = lower(file);
    for (const char* ext : {".bin", ".rom"}) {
        const std::string e = ext;
        if (name.size() > e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0) {
            name.resize(name.size() - e.size());
            break;
        }
    }
    const KindInfo& k = info(kind);
    for (const std::string& stem : k.names) {
        if (name.rfind(stem, 0) != 0) continue;
        if (name.size() > stem.size()) {
            const char sep = name[stem.size()];
            if (sep != '-' && sep != '_' && sep != '.' && sep != ' ') continue;
        }
        std::string number;
        if (!findChipNumber(name, number)) return static_cast<int>(k.chipNumbers.size());
        auto it = std::find(k.chipNumbers.begin(), k.chipNumbers.end(), number);
        if (it == k.chipNumbers.end()) return std::nullopt;  // another machine's chip
        return static_cast<int>(it - k.chipNumbers.begin());
    }
    return std::nullopt;
}

std::vector<std::uint8_t> readRom(RomKind kind, const std::string& path) {
    const KindInfo& k = info(kind);
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        throw RomError(path + ": no such file (looked for the " + std::string(k.what) + " ROM)");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw RomError(path + ": cannot be read");
    std::vector<std::uint8_t> bytes;
    bytes.reserve(k.size);
    char c;
    while (bytes.size() <= k.size && in.get(c)) bytes.push_back(static_cast<std::uint8_t>(c));
    if (bytes.size() != k.size)
        throw RomError(path + ": not a " + std::string(k.what) + " ROM (a " + k.what + " ROM has " +
                       std::to_string(k.size) + " bytes" +
                       (bytes.size() > k.size ? ", this has more)" : ", this has " + std::to_string(bytes.size()) + ")"));
    return bytes;
}

std::string namesLookedFor() { return "kernal, basic and chargen or characters (.bin, .rom or none)"; }

}  // namespace

std::vector<std::string> romSearchDirectories() {
    std::vector<std::string> dirs;
    const char* home = std::getenv("HOME");
    const std::string dataHome = platform::xdgDataHome();
    if (!dataHome.empty()) dirs.push_back(dataHome + "/brimwick/roms");
    dirs.push_back("/usr/share/vice/C64");
    dirs.push_back("/usr/lib/vice/C64");
    dirs.push_back("/usr/local/share/vice/C64");
    if (home != nullptr && *home != '\0') dirs.push_back(std::string(home) + "/.local/share/vice/C64");
    return dirs;
}

bool romSearchEnabled() {
    const char* off = std::getenv(kNoRomSearchVariable);
    return off == nullptr || *off == '\0';
}

RomChoice romsInDirectory(const std::string& directory) {
    RomChoice found;
    found.directory = directory;
    std::error_code error;
    std::array<int, 3> best{1000, 1000, 1000};
    std::array<std::string*, 3> slots{&found.kernal, &found.basic, &found.characters};
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        std::error_code sizeError;
        if (!it->is_regular_file(sizeError)) continue;
        const std::uintmax_t size = it->file_size(sizeError);
        const std::string name = it->path().filename().string();
        for (RomKind kind : {RomKind::Kernal, RomKind::Basic, RomKind::Characters}) {
            const auto index = static_cast<std::size_t>(kind);
            auto r = rank(kind, name);
            if (!r || sizeError || size != info(kind).size) continue;
            // The better revision, and between equals the first name in order.
            if (*r < best[index] || (*r == best[index] && it->path().string() < *slots[index])) {
                best[index] = *r;
                *slots[index] = it->path().string();
            }
        }
    }
    return found;
}

RomSet loadRoms(const RomChoice& choice) {
    RomChoice files = choice.directory.empty() ? RomChoice{} : romsInDirectory(choice.directory);
    std::error_code error;
    if (!choice.directory.empty() && !fs::is_directory(choice.directory, error))
        throw RomError(choice.directory + ": no such directory (looked for the C64's ROMs)");
    auto pick = [&](const std::string& named, const std::string& found, RomKind kind) {
        if (!named.empty()) return named;
        if (found.empty()) {
            throw RomError(std::string("no ") + info(kind).what + " ROM in " +
                           (choice.directory.empty() ? std::string("the files named") : choice.directory) +
                           " (looked for " + namesLookedFor() + ")");
        }
        return found;
    };
    RomSet set;
    set.kernalPath = pick(choice.kernal, files.kernal, RomKind::Kernal);
    set.basicPath = pick(choice.basic, files.basic, RomKind::Basic);
    set.charactersPath = pick(choice.characters, files.characters, RomKind::Characters);
    set.kernal = readRom(RomKind::Kernal, set.kernalPath);
    set.basic = readRom(RomKind::Basic, set.basicPath);
    set.characters = readRom(RomKind::Characters, set.charactersPath);
    return set;
}

std::optional<RomSet> searchRoms(const RomChoice& choice, const std::vector<std::string>& directories,
                                 std::string& lookedFor) {
    for (const std::string& dir : directories) {
        RomChoice here = romsInDirectory(dir);
        RomChoice use{dir, choice.kernal.empty() ? here.kernal : choice.kernal,
                      choice.basic.empty() ? here.basic : choice.basic,
                      choice.characters.empty() ? here.characters : choice.characters};
        if (use.kernal.empty() || use.basic.empty() || use.characters.empty()) continue;
        try {
            use.directory.clear();
            return loadRoms(use);
        } catch (const RomError&) {
            continue;  // unreadable: try the next place
        }
    }
    lookedFor = "no C64 ROMs found (looked for " + namesLookedFor() + " in ";
    for (std::size_t i = 0; i < directories.size(); ++i)
        lookedFor += (i == 0 ? "" : ", ") + directories[i];
    lookedFor += directories.empty() ? "nowhere: the search is off)" : ")";
    return std::nullopt;
}

}  // namespace brimwick::c64
