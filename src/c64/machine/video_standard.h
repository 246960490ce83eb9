// The two television standards a C64 is built for. The VIC-II's clock gives
// the processor's: a PAL C64 runs at 985,248 Hz with 312 raster lines of 63
// cycles (50 frames a second), an NTSC C64 at 1,022,727 Hz with 263 lines of
// 65 cycles (60 frames). The kernal tells them apart at power-on by whether
// a raster line 311 exists.
#pragma once

#include <optional>
#include <string_view>

namespace brimwick::c64 {

enum class VideoStandard { Pal, Ntsc };

struct VideoTiming {
    int clockHz;        // processor cycles a second
    int lines;          // raster lines a frame
    int cyclesPerLine;  // processor cycles a raster line
};

inline constexpr VideoTiming kPalTiming{985'248, 312, 63};
inline constexpr VideoTiming kNtscTiming{1'022'727, 263, 65};

constexpr const VideoTiming& timingOf(VideoStandard standard) {
    return standard == VideoStandard::Pal ? kPalTiming : kNtscTiming;
}

// Frames a second (50 or 60, as the mains the TOD clocks count).
constexpr int framesPerSecond(VideoStandard standard) {
    return standard == VideoStandard::Pal ? 50 : 60;
}

// "pal" / "ntsc" (any case) as the settings and options write them.
std::optional<VideoStandard> parseVideoStandard(std::string_view text);
constexpr const char* videoStandardName(VideoStandard standard) {
    return standard == VideoStandard::Pal ? "pal" : "ntsc";
}

}  // namespace brimwick::c64
