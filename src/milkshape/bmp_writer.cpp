// 24-bit BMP files through stb_image_write. Its functions are compiled here
// as this file's own (static), so no other part of the program that uses the
// library can clash with them.
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "milkshape/texture_repack.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
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

std::vector<std::uint8_t> encode_bmp24(const std::uint8_t* rgb, int width, int height)
{
    std::vector<std::uint8_t> out;
    if (!stbi_write_bmp_to_func(append_bytes, &out, width, height, 3, rgb))
        throw std::runtime_error("cannot encode a " + std::to_string(width) + " x " + std::to_string(height) +
                                 " bitmap");
    return out;
}

}  // namespace kelanim
