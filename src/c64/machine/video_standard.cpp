// Names of the television standards.
#include "c64/machine/video_standard.h"

#include <cctype>
#include <string>

namespace brimwick::c64 {

std::optional<VideoStandard> parseVideoStandard(std::string_view text) {
    std::string lower;
    for (char c : text) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (lower == "pal") return VideoStandard::Pal;
    if (lower == "ntsc") return VideoStandard::Ntsc;
    return std::nullopt;
}

}  // namespace brimwick::c64
