// Texture repacking for the MilkShape export: the texture areas that the
// exported faces use are cut out of the level's pages, packed into as few new
// 256 x 256 pages as a shelf packing finds, and saved as 24-bit BMP files
// beside the exported model. The export gets a new object texture list whose
// corners point into the new pages; the level itself is not changed, but the
// decoded meshes' textured faces receive the new texture numbers in their
// effects words, which is where the export reads them from.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/mesh_list.h"
#include "level/staged_files.h"
#include "level/ttrlevel.h"

namespace kelanim {

inline constexpr int repack_page_size = 256;
// New page numbers are bytes; a selection whose textures need more pages
// than that cannot be exported.
inline constexpr int max_repack_pages = 256;

// What is exported: a moveable with its bones, or one static mesh.
enum export_view_mode : std::int32_t { export_moveable = 0, export_static_mesh = 1 };

// One distinct source rectangle of a level page (bounds inclusive).
struct texture_region {
    std::uint8_t page = 0;  // low byte of the object texture's `tile`
    std::uint8_t min_x = 0, min_y = 0, max_x = 0, max_y = 0;
    std::int16_t height = 0, width = 0;
    std::uint8_t new_page = 0;
    std::uint8_t new_min_x = 0, new_min_y = 0;
    std::uint8_t new_max_x = 0, new_max_y = 0;  // min + size, kept to 8 bits
    bool placed = false;
};

// Page and bounds: object textures with the same identity share one region.
using region_identity = std::array<std::uint8_t, 5>;

// One object texture the exported faces use.
struct packed_texture {
    std::uint16_t old_index = 0;
    std::uint16_t new_index = 0;
    region_identity region{};
    bool triangle = false;
    tobject_texture texture{};
};

using tarraytexture = std::vector<tobject_texture>;

// The new pages as one 24-bit image, 256 wide, 256 rows per page, RGB bytes.
struct repacked_pages {
    int page_count = 0;
    std::vector<std::uint8_t> rgb;  // 256 * 3 bytes a row, page_count * 256 rows
};

struct repack_result {
    tarraytexture textures;  // entry i is the repacked object texture i
    std::int32_t new_page_count = 0;
    std::int32_t new_texture_count = 0;
    repacked_pages pages;
    std::vector<texture_region> regions;  // in identity order, with their places
};

// The text cut to its first `width` characters, or preceded by `fill`
// repeated up to `width` characters.
std::string pad_left(const std::string& text, std::size_t width, const std::string& fill);

// Name of the BMP file of page k: prefix + ".bmp" when there is one page,
// otherwise prefix + "_" + the page number in at least two digits + ".bmp".
// (Page numbers are never cut: page 100 is "_100", not a second "_10".)
std::string page_file_name(const std::string& prefix, std::int32_t page, std::int32_t page_count);

// Packs the textures of the selection (view mode 0: moveable `index` with
// its bones' meshes; view mode 1: the static mesh `index` of the level's
// list) and writes their new indices into the faces' effects words. Nothing
// is written to disk. An index outside the level packs nothing. Throws
// std::runtime_error when the textures need more than max_repack_pages.
repack_result pack_textures(const Ttrlevel& level, Tmesh_list& meshes, std::int32_t view_mode, std::int32_t index);

// Writes the packed pages as 24-bit 256 x 256 BMP files named by
// page_file_name, all of them or none; throws std::system_error when one
// cannot be written. Returns the file names.
std::vector<std::string> save_pages(const repacked_pages& pages, const std::string& prefix);
// The same pages staged in `files`, to be committed with other files.
std::vector<std::string> stage_pages(const repacked_pages& pages, const std::string& prefix, StagedFiles& files);

// pack_textures, then save_pages: the whole repacking step of the export.
repack_result repack_textures(const Ttrlevel& level, Tmesh_list& meshes, std::int32_t view_mode,
                              std::int32_t index, const std::string& prefix);

// The shelf packing on its own: places every region (sorted by height, then
// width, tallest first) on pages of `repack_page_size` rows, copying its
// pixels from `source` (RGB, 256 wide, 256 rows per level page) to the new
// pages. Exposed for tests. Throws std::runtime_error when more than
// max_repack_pages pages would be needed.
repacked_pages pack_regions(std::vector<texture_region>& regions, const std::vector<std::uint8_t>& source);

// The level's pages as one RGB image, 256 wide and 256 rows per page: TR1
// pages through the level palette, later ones from their 1-5-5-5 texels
// (transparent texels magenta).
std::vector<std::uint8_t> level_pages_rgb(const Ttrlevel& level);

// A 24-bit BMP file of an RGB image (rows from the top), in memory.
std::vector<std::uint8_t> encode_bmp24(const std::uint8_t* rgb, int width, int height);

}  // namespace kelanim
