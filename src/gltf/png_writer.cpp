// PNG files through stb_image_write, deflated by zlib. The library is
// compiled here as this file's own (static), as the BMP writer does, so the
// two cannot clash.
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include <zlib.h>

#include "gltf/gltf_pages.h"

namespace {

// Texture pages are made of flat runs and repeated rows: the fastest zlib
// level already shrinks them well, and the export stays quick.
unsigned char* zlib_deflate(unsigned char* data, int length, int* out_length, int /*quality*/)
{
    uLongf size = compressBound(static_cast<uLong>(length));
    auto* out = static_cast<unsigned char*>(std::malloc(size));
    if (!out) return nullptr;
    if (compress2(out, &size, data, static_cast<uLong>(length), Z_BEST_SPEED) != Z_OK) {
        std::free(out);
        return nullptr;
    }
    *out_length = static_cast<int>(size);
    return out;
}

}  // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STBIW_ZLIB_COMPRESS zlib_deflate
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace kelanim {

namespace {

void append_bytes(void* context, void* data, int size)
{
    auto& out = *static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

}  // namespace

std::vector<std::uint8_t> encode_png_page(const std::vector<std::uint8_t>& rgba)
{
    constexpr int side = repack_page_size;
    if (rgba.size() != static_cast<std::size_t>(side) * side * 4) throw std::invalid_argument("not a whole page");
    std::vector<std::uint8_t> out;
    // Rows unfiltered: choosing a filter per row costs more than zlib then
    // saves on pages of flat runs (a third of the export's time for Lara).
    stbi_write_force_png_filter = 0;
    if (!stbi_write_png_to_func(append_bytes, &out, side, side, 4, rgba.data(), side * 4))
        throw std::runtime_error("cannot encode a texture page as PNG");
    return out;
}

}  // namespace kelanim
