#include "tr5_rooms.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "level_output.h"

namespace kelanim {

namespace {

// Room counts are 16-bit: a merged room holds at most this many vertices,
// rectangles and triangles.
constexpr std::size_t max_room_elements = 65535;
constexpr std::uint32_t vertex_not_kept = std::numeric_limits<std::uint32_t>::max();

// Words that close the header of the single layer this program writes.
constexpr std::uint32_t layer_trailer_words[3] = {3552812, 36576740, 23403952};

// A room's parts lie within its declared size: whatever a count announces
// past that end belongs to the next room, so counts are cut there and the
// level is marked as damaged.
std::uint64_t count_within_room(LevelStream& in, std::uint64_t room_end, std::uint64_t count,
                                std::size_t element_size)
{
    std::uint64_t left = room_end > in.pos() ? room_end - in.pos() : 0;
    if (count * element_size > left) {
        in.mark_ended_early();
        count = left / element_size;
    }
    return count;
}

template <class T>
std::size_t read_room_array(LevelStream& in, std::uint64_t room_end, std::vector<T>& array, std::uint64_t count)
{
    return in.read_array(array, count_within_room(in, room_end, count, sizeof(T)));
}

// A float coordinate truncated toward zero and stored in 16 bits, as the
// common room arrays hold it.
std::int16_t truncated_coordinate(float v)
{
    if (!std::isfinite(v) || std::fabs(v) >= 9.0e18f) return 0;
    return static_cast<std::int16_t>(static_cast<std::int64_t>(std::trunc(v)));
}

std::uint64_t position_key(std::int16_t x, std::int16_t y, std::int16_t z)
{
    return std::uint64_t{static_cast<std::uint16_t>(x)} << 32 | std::uint64_t{static_cast<std::uint16_t>(y)} << 16 |
           std::uint64_t{static_cast<std::uint16_t>(z)};
}

// The 32-bit blue, green, red colour of a TR5 vertex as 5-5-5 red, green, blue.
std::uint16_t colour555(std::uint32_t colour)
{
    std::uint32_t blue = colour & 0xFF, green = colour >> 8 & 0xFF, red = colour >> 16 & 0xFF;
    return static_cast<std::uint16_t>((red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3));
}

// Replaces the layer's own vertex numbers in a face by merged ones; false if
// a corner names no vertex of the layer or one the merge could not keep.
template <std::size_t N>
bool map_corners(std::array<std::uint16_t, N>& corners, const std::vector<std::uint32_t>& merged_index)
{
    for (std::uint16_t& corner : corners) {
        if (corner >= merged_index.size() || merged_index[corner] == vertex_not_kept) return false;
        corner = static_cast<std::uint16_t>(merged_index[corner]);
    }
    return true;
}

// The header of a layer that holds the whole room: a bounding box from the
// room's heights and sector counts. The first layer gets it once the layers
// are merged; a room without layers is written with it too, so that a room
// read back from a saved file is written again with the same bytes.
void set_whole_room_layer_header(ttr5_layer_header& header, const troom& room)
{
    header.layer_word1 = 0;
    std::uint8_t* p = header.raw.data();
    auto put_raw = [&p](auto value) {
        std::memcpy(p, &value, sizeof value);
        p += sizeof value;
    };
    put_raw(std::uint16_t{0});
    put_raw(std::uint32_t{0});
    put_raw(0.0f);
    put_raw(static_cast<float>(room.y_top));
    put_raw(0.0f);
    put_raw(static_cast<float>(room.num_x_sectors) * 1024.0f);
    put_raw(static_cast<float>(room.y_bottom));
    put_raw(static_cast<float>(room.num_z_sectors) * 1024.0f);
    put_raw(std::uint32_t{0});
    for (std::uint32_t word : layer_trailer_words) put_raw(word);
}

void clear_merged_geometry(troom& room)
{
    room.num_vertices = room.num_rectangles = room.num_triangles = room.num_sprites = 0;
    room.vertices_tr1.clear();
    room.vertices.clear();
    room.tr5_vertices.clear();
    room.rectangles.clear();
    room.tr5_rectangles.clear();
    room.triangles.clear();
    room.tr5_triangles.clear();
    room.sprites.clear();
}

}  // namespace

bool merge_tr5_layers(troom& room)
{
    clear_merged_geometry(room);
    bool complete = true;

    std::size_t layer_vertices = 0;
    for (const ttr5_layer& layer : room.layers) layer_vertices += layer.vertices.size();
    const std::size_t expected = std::min(layer_vertices, max_room_elements);
    room.vertices_tr1.reserve(expected);
    room.vertices.reserve(expected);
    room.tr5_vertices.reserve(expected);

    // Every truncated position is kept once; the first vertex at a position
    // fixes its number and later ones at the same position overwrite its
    // file data and colour. The lighting stays 0: the merge adds no light.
    std::unordered_map<std::uint64_t, std::uint32_t> by_position;
    by_position.reserve(expected);
    std::vector<std::vector<std::uint32_t>> merged_index(room.layers.size());
    for (std::size_t l = 0; l < room.layers.size(); ++l) {
        merged_index[l].reserve(room.layers[l].vertices.size());
        for (const ttr5_vertex& v : room.layers[l].vertices) {
            std::int16_t x = truncated_coordinate(v.x), y = truncated_coordinate(v.y), z = truncated_coordinate(v.z);
            auto [it, added] = by_position.try_emplace(position_key(x, y, z), static_cast<std::uint32_t>(room.vertices.size()));
            if (added) {
                if (room.vertices.size() == max_room_elements) {
                    by_position.erase(it);
                    merged_index[l].push_back(vertex_not_kept);
                    complete = false;
                    continue;
                }
                room.vertices_tr1.push_back({x, y, z, 0});
                room.vertices.push_back({x, y, z, 0, 0, 0});
                room.tr5_vertices.push_back(v);
            }
            std::uint32_t i = it->second;
            room.tr5_vertices[i] = v;
            room.vertices[i].colour = colour555(v.colour);
            merged_index[l].push_back(i);
        }
    }
    room.num_vertices = static_cast<std::uint16_t>(room.vertices.size());

    // Faces of every layer, rectangles and triangles each in layer order. A
    // face that names a vertex outside its layer or one that was not kept
    // is left out rather than given a number that points nowhere.
    for (std::size_t l = 0; l < room.layers.size(); ++l) {
        for (ttr5_face4 face : room.layers[l].rectangles) {
            if (room.rectangles.size() == max_room_elements || !map_corners(face.face.vertices, merged_index[l])) {
                complete = false;
                continue;
            }
            room.rectangles.push_back(face.face);
            room.tr5_rectangles.push_back(face);
        }
        for (ttr5_face3 face : room.layers[l].triangles) {
            if (room.triangles.size() == max_room_elements || !map_corners(face.face.vertices, merged_index[l])) {
                complete = false;
                continue;
            }
            room.triangles.push_back(face.face);
            room.tr5_triangles.push_back(face);
        }
    }
    room.num_rectangles = static_cast<std::uint16_t>(room.rectangles.size());
    room.num_triangles = static_cast<std::uint16_t>(room.triangles.size());
    return complete;
}

void read_tr5_room(LevelStream& in, troom& room)
{
    in.skip(4);  // the room tag
    in.read(room.tr5_room_data_size);
    const std::uint64_t room_end = std::uint64_t{in.pos()} + room.tr5_room_data_size;
    in.skip(4);
    in.read(room.tr5_sd_end);
    in.read(room.tr5_sd_start);
    in.read(room.tr5_separator);
    in.read(room.tr5_portal_end);
    in.read(room.x);
    in.read(room.tr5_y);
    in.read(room.z);
    in.read(room.y_bottom);
    in.read(room.y_top);
    in.read(room.num_z_sectors);
    in.read(room.num_x_sectors);
    in.read(room.room_colour);
    in.read(room.num_lights);
    in.read(room.num_static_meshes);
    in.read(room.tr5_water_words);
    in.skip(8 + 6);
    in.read(room.flags);
    in.read(room.tr5_header_word);
    in.skip(10 + 4);
    in.read(room.tr5_room_block);
    in.skip(16);
    in.read(room.tr5_null_marker);
    in.skip(4);
    in.read(room.tr5_face_counts);
    in.read(room.num_records36);
    in.read(room.tr5_y_top);
    in.read(room.tr5_y_bottom);
    in.read(room.num_layers);
    in.read(room.tr5_offsets);
    in.skip(16);

    // Every count below ends up saying how many elements are held.
    room.num_lights = static_cast<std::uint16_t>(read_room_array(in, room_end, room.lights_tr5, room.num_lights));
    room.num_records36 = static_cast<std::uint32_t>(read_room_array(in, room_end, room.records36, room.num_records36));
    const std::uint64_t num_sectors = std::uint64_t{room.num_z_sectors} * room.num_x_sectors;
    std::size_t sectors_held = read_room_array(in, room_end, room.sectors, num_sectors);
    if (sectors_held < num_sectors) {
        // Keep whole rows of sectors only, so the two counts still agree.
        room.num_z_sectors = static_cast<std::uint16_t>(sectors_held / room.num_x_sectors);
        room.sectors.resize(std::size_t{room.num_z_sectors} * room.num_x_sectors);
    }
    in.read(room.num_portals);
    room.num_portals = static_cast<std::uint16_t>(read_room_array(in, room_end, room.portals, room.num_portals));
    in.skip(2);
    room.num_static_meshes =
        static_cast<std::uint16_t>(read_room_array(in, room_end, room.statics, room.num_static_meshes));

    clear_merged_geometry(room);
    room.num_layers = static_cast<std::uint32_t>(read_room_array(in, room_end, room.layer_headers, room.num_layers));
    room.layers.clear();
    room.layers.resize(room.num_layers);
    std::uint64_t triangles_in_layers = 0;
    for (std::size_t l = 0; l < room.num_layers; ++l) {
        const ttr5_layer_header& header = room.layer_headers[l];
        read_room_array(in, room_end, room.layers[l].rectangles, header.num_rectangles);
        read_room_array(in, room_end, room.layers[l].triangles, header.num_triangles);
        triangles_in_layers += header.num_triangles;
    }
    if (triangles_in_layers % 2) in.skip(2);  // keeps the vertices 4-byte aligned
    for (std::size_t l = 0; l < room.num_layers; ++l)
        read_room_array(in, room_end, room.layers[l].vertices, room.layer_headers[l].num_vertices);
    if (room.num_layers) {
        if (!merge_tr5_layers(room)) in.mark_ended_early();
        set_whole_room_layer_header(room.layer_headers.front(), room);
    }

    // What the room declares beyond its parsed items is skipped; parsed items
    // that ran past the declared end give a negative count and the next room
    // is read from the declared end.
    std::int64_t unread = static_cast<std::int64_t>(room_end) - static_cast<std::int64_t>(in.pos());
    room.tr5_unread_bytes = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(unread, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    if (room_end > in.size()) {
        in.mark_ended_early();
        in.seek(in.size());
    } else {
        in.seek(static_cast<std::uint32_t>(room_end));
    }
}

void write_tr5_room(TZFile& out, troom& room)
{
    zf_write(out, "XELA", 4);
    Placeholder room_size(out);
    const std::uint32_t room_size_counted_from = zf_pos(out);
    put_fill(out, 4, 0xCD);
    Placeholder sectors_end(out), sectors_start(out);
    put(out, room.tr5_separator);
    Placeholder portals_end(out);
    put(out, room.x);
    put(out, room.tr5_y);
    put(out, room.z);
    put(out, room.y_bottom);
    put(out, room.y_top);
    put(out, room.num_z_sectors);
    put(out, room.num_x_sectors);
    put(out, room.room_colour);
    put(out, room.num_lights);
    put(out, room.num_static_meshes);
    put(out, room.tr5_water_words);
    put_fill(out, 8, 0xCD);
    put_fill(out, 6, 0xFF);
    put(out, room.flags);
    put(out, room.tr5_header_word);
    put_fill(out, 10, 0);
    put_fill(out, 4, 0xCD);
    zf_write(out, room.tr5_room_block.data(), 4);
    put(out, static_cast<float>(room.x));
    put(out, 0.0f);
    put(out, static_cast<float>(room.z));
    put_fill(out, 16, 0xCD);
    put(out, room.tr5_null_marker);
    put_fill(out, 4, 0xCD);
    room.tr5_face_counts[3] = std::uint32_t{room.num_lights} * sizeof(tlight_tr5);
    put(out, room.tr5_face_counts);
    put(out, room.num_records36);
    // The two heights here are floats in the game's files; the copies read
    // with the room are written back as they were.
    put(out, room.tr5_y_top);
    put(out, room.tr5_y_bottom);
    put(out, std::uint32_t{1});  // one layer holds the merged geometry
    Placeholder layer_offset(out), vertex_offset(out), polygon_offset(out), polygon_offset2(out),
        vertex_data_size(out);
    put_fill(out, 16, 0xCD);

    // Offsets count from the start of the lights.
    const std::uint32_t lights_at = zf_pos(out);
    auto offset = [&] { return zf_pos(out) - lights_at; };
    put_array(out, room.lights_tr5, room.num_lights, "a room's light list");
    put_array(out, room.records36, room.num_records36, "a room's 36-byte records");
    sectors_start.set(offset());
    put_array(out, room.sectors, std::uint64_t{room.num_z_sectors} * room.num_x_sectors, "a room's sector list");
    sectors_end.set(offset());
    put(out, room.num_portals);
    put_array(out, room.portals, room.num_portals, "a room's portal list");
    put_fill(out, 2, 0xCD);
    portals_end.set(offset());
    put_array(out, room.statics, room.num_static_meshes, "a room's static mesh list");

    layer_offset.set(offset());
    ttr5_layer_header layer{};
    if (room.layer_headers.empty()) {
        set_whole_room_layer_header(layer, room);
    } else {
        layer = room.layer_headers.front();
    }
    layer.num_vertices = room.num_vertices;
    layer.num_rectangles = room.num_rectangles;
    layer.num_triangles = room.num_triangles;
    put(out, layer);

    polygon_offset.set(offset());
    polygon_offset2.set(offset());
    put_array(out, room.tr5_rectangles, room.num_rectangles, "a room's rectangle list");
    put_array(out, room.tr5_triangles, room.num_triangles, "a room's triangle list");
    if (room.num_triangles % 2) put_fill(out, 2, 0xCD);

    vertex_offset.set(offset());
    const std::uint32_t vertices_at = zf_pos(out);
    put_array(out, room.tr5_vertices, room.num_vertices, "a room's vertex list");
    put_fill(out, 2, 0xCD);
    vertex_data_size.set(zf_pos(out) - vertices_at);
    room_size.set(zf_pos(out) - room_size_counted_from);
}

}  // namespace kelanim
