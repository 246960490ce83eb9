// Writes a picture as a PNG file (8-bit RGB, through Debian's libpng). The
// file is written whole or not at all (platform/file.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brimwick::platform {

// `pixels` holds width x height colours, 0xRRGGBB, row by row. Throws
// FileError when the file cannot be written, std::runtime_error when the
// picture cannot be encoded.
void writePng(const std::string& path, int width, int height, const std::vector<std::uint32_t>& pixels);

// The PNG file's bytes.
std::vector<std::uint8_t> encodePng(int width, int height, const std::vector<std::uint32_t>& pixels);

}  // namespace brimwick::platform
