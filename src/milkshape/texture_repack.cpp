#include "milkshape/texture_repack.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>

#include "render/texture_pages.h"

namespace kelanim {

namespace {

constexpr int row_bytes = repack_page_size * 3;

// The meshes a selection is made of, in collection order.
std::vector<std::int32_t> selection_meshes(const Ttrlevel& level, const Tmesh_list& meshes, std::int32_t view_mode,
                                           std::int32_t index)
{
    std::vector<std::int32_t> result;
    if (view_mode == export_static_mesh) {
        if (index < 0 || static_cast<std::size_t>(index) >= level.static_meshes.size()) return result;
        const std::size_t pointer = level.static_meshes[static_cast<std::size_t>(index)].mesh;
        if (pointer < meshes.mesh_index.size() && meshes.mesh_index[pointer] < meshes.meshes.size())
            result.push_back(static_cast<std::int32_t>(meshes.mesh_index[pointer]));
        return result;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= level.moveables.size()) return result;
    const std::int32_t bones = level.moveables[static_cast<std::size_t>(index)].num_meshes;
    for (std::int32_t b = 0; b < bones; ++b) {
        const std::int32_t mesh = meshes.bone_mesh(level, index, b);
        if (mesh >= 0 && static_cast<std::size_t>(mesh) < meshes.meshes.size()) result.push_back(mesh);
    }
    return result;
}

// Calls visit(texture word&) for every textured face of the mesh: first the
// rectangles, then the triangles.
template <class Visit>
void for_each_textured_face(tmesh& mesh, Visit visit)
{
    for (tmesh_face4& face : mesh.textured_rects) visit(face);
    for (tmesh_face3& face : mesh.textured_tris) visit(face);
}

class Collector {
public:
    explicit Collector(const Ttrlevel& level) : level_(level) {}

    // Notes the object texture a textured face names, and its region.
    void collect_texture(std::uint16_t word)
    {
        const std::uint16_t t = word & 0x7FFF;
        if (t >= level_.object_textures.size()) return;  // names nothing: the face keeps no texture
        const tobject_texture& texture = level_.object_textures[t];
        const bool triangle = is_triangle_texture(level_, t);
        const texture_rect bounds = texture_bounds(level_, t);
        const region_identity identity{static_cast<std::uint8_t>(texture.tile & 0xFF),
                                       static_cast<std::uint8_t>(bounds.min_x), static_cast<std::uint8_t>(bounds.min_y),
                                       static_cast<std::uint8_t>(bounds.max_x), static_cast<std::uint8_t>(bounds.max_y)};
        if (!regions.contains(identity)) {
            texture_region region;
            region.page = identity[0];
            region.min_x = identity[1];
            region.min_y = identity[2];
            region.max_x = identity[3];
            region.max_y = identity[4];
            region.height = static_cast<std::int16_t>(region.max_y - region.min_y + 1);
            region.width = static_cast<std::int16_t>(region.max_x - region.min_x + 1);
            regions.emplace(identity, region);
        }
        if (!textures.contains(t)) {
            packed_texture entry;
            entry.old_index = t;
            entry.region = identity;
            entry.triangle = triangle;
            entry.texture = texture;
            textures.emplace(t, entry);
        }
    }

    // Regions and textures in their identity and old-index orders.
    std::map<region_identity, texture_region> regions;
    std::map<std::uint16_t, packed_texture> textures;

private:
    const Ttrlevel& level_;
};

// The shelf packer's state: the destination pages and where the next row goes.
class ShelfPacker {
public:
    ShelfPacker(std::vector<texture_region*> order, const std::vector<std::uint8_t>& source)
        : order_(std::move(order)), source_(source)
    {
        pages_.page_count = 1;
        pages_.rgb.assign(static_cast<std::size_t>(row_bytes) * repack_page_size, 0);
        cursor_ = static_cast<std::int64_t>(order_.size()) - 1;
    }

    repacked_pages run()
    {
        skip_placed();
        while (cursor_ >= 0) {
            int x = 0;
            const int row_height = order_[cursor_]->height;
            while (cursor_ >= 0 && order_[cursor_]->width + x <= repack_page_size) {
                texture_region& region = *order_[cursor_];
                if (!region.placed) {
                    place(region, x, y_);
                    x += region.width;
                }
                --cursor_;
            }
            skip_placed();
            if (cursor_ >= 0 && x < repack_page_size) fill_row(row_height, y_, x);
            y_ += row_height;
            page_y_ += row_height;
            skip_placed();
            if (cursor_ >= 0 && order_[cursor_]->height + page_y_ > repack_page_size) {
                // The strip left at the bottom of the page takes what fits,
                // then packing goes on at the top of a new page.
                if (page_y_ <= repack_page_size) fill_row(repack_page_size - page_y_, y_, 0);
                skip_placed();
                if (cursor_ < 0) break;
                if (page_ + 1 >= max_repack_pages)
                    throw std::runtime_error("The textures need more than " + std::to_string(max_repack_pages) +
                                             " pages.");
                ++page_;
                y_ = repack_page_size * page_;
                page_y_ = 0;
                pages_.page_count = page_ + 1;
                pages_.rgb.resize(pages_.rgb.size() + static_cast<std::size_t>(row_bytes) * repack_page_size, 0);
            }
        }
        return std::move(pages_);
    }

private:
    // Regions that an earlier fill placed are passed over, so that rows and
    // page breaks are decided by the regions still to place.
    void skip_placed()
    {
        while (cursor_ >= 0 && order_[cursor_]->placed) --cursor_;
    }

    // Walks from the cursor toward smaller regions without moving it, placing
    // every region that is no taller than max_height and still fits the row.
    void fill_row(int max_height, int y, int x)
    {
        for (std::int64_t i = cursor_; i >= 0 && x < repack_page_size; --i) {
            texture_region& region = *order_[i];
            if (region.placed || region.height > max_height || x + region.width > repack_page_size) continue;
            place(region, x, y);
            x += region.width;
        }
    }

    void place(texture_region& region, int x, int y)
    {
        const std::size_t source_rows = source_.size() / row_bytes;
        for (int r = 0; r < region.height; ++r) {
            const std::size_t from_row = std::size_t{region.page} * repack_page_size + region.min_y + r;
            if (from_row >= source_rows) break;  // a page the level lacks stays black
            const std::uint8_t* from = source_.data() + from_row * row_bytes + std::size_t{region.min_x} * 3;
            std::uint8_t* to = pages_.rgb.data() + static_cast<std::size_t>(y + r) * row_bytes + std::size_t(x) * 3;
            std::memcpy(to, from, static_cast<std::size_t>(region.width) * 3);
        }
        region.new_page = static_cast<std::uint8_t>(page_);
        region.new_min_x = static_cast<std::uint8_t>(x);
        region.new_min_y = static_cast<std::uint8_t>(y % repack_page_size);
        region.new_max_x = static_cast<std::uint8_t>(x + region.width);
        region.new_max_y = static_cast<std::uint8_t>((y + region.height) % repack_page_size);
        region.placed = true;
    }

    std::vector<texture_region*> order_;
    const std::vector<std::uint8_t>& source_;
    repacked_pages pages_;
    std::int64_t cursor_ = -1;
    int page_ = 0;
    int y_ = 0;       // row top in the destination image
    int page_y_ = 0;  // row top within the current page
};

}  // namespace

std::string pad_left(const std::string& text, std::size_t width, const std::string& fill)
{
    if (text.size() >= width) return text.substr(0, width);
    std::string padding;
    while (padding.size() + text.size() < width && !fill.empty()) padding += fill;
    return padding.substr(0, width - text.size()) + text;
}

std::string page_file_name(const std::string& prefix, std::int32_t page, std::int32_t page_count)
{
    if (page_count == 1) return prefix + ".bmp";
    const std::string number = std::to_string(page);
    return prefix + "_" + (number.size() < 2 ? pad_left(number, 2, "0") : number) + ".bmp";
}

std::vector<std::uint8_t> level_pages_rgb(const Ttrlevel& level)
{
    std::vector<std::uint8_t> rgb;
    if (level.version_code == code_tr1 || level.version_code == code_tr1_ub) {
        const auto palette = make_palette(level.palette);
        // Whole rows only, of the pages the level announces and holds.
        const std::size_t announced = std::size_t{level.num_texture_pages} * texture_page_bytes8;
        const std::size_t whole_rows = std::min(announced, level.textile8.size()) / repack_page_size;
        rgb.resize(whole_rows * row_bytes);
        for (std::size_t i = 0; i < whole_rows * repack_page_size; ++i) {
            const palette_entry& colour = palette[level.textile8[i]];
            rgb[3 * i] = colour.red;
            rgb[3 * i + 1] = colour.green;
            rgb[3 * i + 2] = colour.blue;
        }
        return rgb;
    }
    const page_bitmap bitmap = level_page_bitmap(level);  // 5-6-5, transparent texels magenta
    rgb.resize(bitmap.pixels.size() * 3);
    for (std::size_t i = 0; i < bitmap.pixels.size(); ++i) {
        const unsigned p = bitmap.pixels[i];
        const unsigned red = p >> 11, green = (p >> 5) & 0x3F, blue = p & 0x1F;
        rgb[3 * i] = static_cast<std::uint8_t>(red << 3 | red >> 2);
        rgb[3 * i + 1] = static_cast<std::uint8_t>(green << 2 | green >> 4);
        rgb[3 * i + 2] = static_cast<std::uint8_t>(blue << 3 | blue >> 2);
    }
    return rgb;
}

repacked_pages pack_regions(std::vector<texture_region>& regions, const std::vector<std::uint8_t>& source)
{
    if (regions.empty()) return {};
    std::vector<texture_region*> order;
    order.reserve(regions.size());
    for (texture_region& region : regions) order.push_back(&region);
    std::stable_sort(order.begin(), order.end(), [](const texture_region* a, const texture_region* b) {
        return a->height != b->height ? a->height < b->height : a->width < b->width;
    });
    return ShelfPacker(std::move(order), source).run();
}

repack_result pack_textures(const Ttrlevel& level, Tmesh_list& meshes, std::int32_t view_mode, std::int32_t index)
{
    repack_result result;
    const std::vector<std::int32_t> selected = selection_meshes(level, meshes, view_mode, index);

    Collector collector(level);
    for (std::int32_t m : selected)
        for_each_textured_face(meshes.meshes[static_cast<std::size_t>(m)],
                               [&](const auto& face) { collector.collect_texture(face.texture); });

    result.regions.reserve(collector.regions.size());
    for (const auto& [identity, region] : collector.regions) result.regions.push_back(region);
    result.pages = pack_regions(result.regions, level_pages_rgb(level));
    result.new_page_count = result.pages.page_count;

    // Result entry i is the i-th used texture in ascending old index, moved
    // onto its region's new place.
    std::map<region_identity, const texture_region*> placed;
    for (const texture_region& region : result.regions)
        placed.emplace(region_identity{region.page, region.min_x, region.min_y, region.max_x, region.max_y}, &region);
    std::uint16_t next = 0;
    for (auto& [old_index, entry] : collector.textures) {
        const texture_region& region = *placed.at(entry.region);
        entry.new_index = next++;
        tobject_texture texture = entry.texture;
        texture.tile = region.new_page;
        for (ttexture_corner& corner : texture.corners) {
            corner.x_pixel = static_cast<std::uint8_t>(corner.x_pixel - region.min_x + region.new_min_x);
            corner.y_pixel = static_cast<std::uint8_t>(corner.y_pixel - region.min_y + region.new_min_y);
        }
        result.textures.push_back(texture);
    }
    result.new_texture_count = static_cast<std::int32_t>(result.textures.size());

    // The faces learn their new texture numbers. A face whose texture the
    // level lacks gets a number past the result, which the export reads as
    // no texture.
    for (std::int32_t m : selected)
        for_each_textured_face(meshes.meshes[static_cast<std::size_t>(m)], [&](auto& face) {
            const auto found = collector.textures.find(face.texture & 0x7FFF);
            face.effects = found != collector.textures.end() ? found->second.new_index : 0xFFFF;
        });
    return result;
}

std::vector<std::string> stage_pages(const repacked_pages& pages, const std::string& prefix, StagedFiles& files)
{
    // Every page is encoded before the first file is written, so a failure
    // to encode leaves no pages behind.
    std::vector<std::vector<std::uint8_t>> bitmaps;
    const std::size_t page_bytes = static_cast<std::size_t>(row_bytes) * repack_page_size;
    for (int k = 0; k < pages.page_count; ++k)
        bitmaps.push_back(encode_bmp24(pages.rgb.data() + page_bytes * static_cast<std::size_t>(k), repack_page_size,
                                       repack_page_size));
    std::vector<std::string> names;
    for (int k = 0; k < pages.page_count; ++k) {
        names.push_back(page_file_name(prefix, k, pages.page_count));
        files.stage(names.back(), bitmaps[static_cast<std::size_t>(k)]);
    }
    return names;
}

std::vector<std::string> save_pages(const repacked_pages& pages, const std::string& prefix)
{
    StagedFiles files;
    std::vector<std::string> names = stage_pages(pages, prefix, files);
    files.commit();
    return names;
}

repack_result repack_textures(const Ttrlevel& level, Tmesh_list& meshes, std::int32_t view_mode,
                              std::int32_t index, const std::string& prefix)
{
    repack_result result = pack_textures(level, meshes, view_mode, index);
    save_pages(result.pages, prefix);
    return result;
}

}  // namespace kelanim
