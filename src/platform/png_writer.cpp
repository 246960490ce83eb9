// PNG encoding into memory with libpng, then one whole-file write.
#include "platform/png_writer.h"

#include <png.h>

#include <stdexcept>

#include "platform/file.h"

namespace brimwick::platform {

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

[[noreturn]] void failEncoding(png_structp, png_const_charp message) {
    throw std::runtime_error(std::string("cannot encode the PNG picture: ") + message);
}

void ignoreWarning(png_structp, png_const_charp) {}

// The libpng write structures, released on every way out.
struct PngWriter {
    png_structp png = nullptr;  // the stream
    png_infop info = nullptr;   // its header
    PngWriter() {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, failEncoding, ignoreWarning);
        if (png == nullptr) throw std::runtime_error("cannot encode the PNG picture: out of memory");
        info = png_create_info_struct(png);
        if (info == nullptr) {
            png_destroy_write_struct(&png, nullptr);
            throw std::runtime_error("cannot encode the PNG picture: out of memory");
        }
    }
    ~PngWriter() { png_destroy_write_struct(&png, &info); }
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;
};

}  // namespace

std::vector<std::uint8_t> encodePng(int width, int height, const std::vector<std::uint32_t>& pixels) {
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        throw std::invalid_argument("a PNG picture needs width x height pixels");
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    PngWriter w;
    png_set_write_fn(w.png, &out, appendBytes, flushNothing);
    png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(w.png, w.info);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                           static_cast<std::size_t>(x)];
            row[static_cast<std::size_t>(x) * 3] = static_cast<std::uint8_t>(c >> 16);
            row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<std::uint8_t>(c >> 8);
            row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<std::uint8_t>(c);
        }
        png_write_row(w.png, row.data());
    }
    png_write_end(w.png, nullptr);
    return out;
}

void writePng(const std::string& path, int width, int height, const std::vector<std::uint32_t>& pixels) {
    const std::vector<std::uint8_t> bytes = encodePng(width, height, pixels);
    writeFileAtomically(path, bytes.data(), bytes.size());
}

}  // namespace brimwick::platform
