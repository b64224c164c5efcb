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
    const std::uint32_t room_start = in.pos();
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
    // The bytes of the head that no field above holds are written back from
    // this copy.
    const std::uint8_t* file_bytes = in.file().buffer.data();
    room.tr5_head_bytes.assign(file_bytes + room_start, file_bytes + in.pos());

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
    in.read(room.tr5_portal_filler);
    room.num_static_meshes =
        static_cast<std::uint16_t>(read_room_array(in, room_end, room.statics, room.num_static_meshes));

    clear_merged_geometry(room);
    room.num_layers = static_cast<std::uint32_t>(read_room_array(in, room_end, room.layer_headers, room.num_layers));
    room.layers.clear();
    room.layers.resize(room.num_layers);
    std::uint64_t triangles_in_layers = 0;
    for (std::size_t l = 0; l < room.num_layers; ++l) {
        ttr5_layer_header& header = room.layer_headers[l];
        ttr5_layer& layer = room.layers[l];
        header.num_rectangles =
            static_cast<std::uint16_t>(read_room_array(in, room_end, layer.rectangles, header.num_rectangles));
        header.num_triangles =
            static_cast<std::uint16_t>(read_room_array(in, room_end, layer.triangles, header.num_triangles));
        triangles_in_layers += header.num_triangles;
    }
    // Two bytes keep the vertices 4-byte aligned after an odd number of triangles.
    if (triangles_in_layers % 2) in.read(room.tr5_face_filler);
    for (std::size_t l = 0; l < room.num_layers; ++l) {
        ttr5_layer_header& header = room.layer_headers[l];
        header.num_vertices =
            static_cast<std::uint32_t>(read_room_array(in, room_end, room.layers[l].vertices, header.num_vertices));
    }
    if (room.num_layers && !merge_tr5_layers(room)) in.mark_ended_early();

    // What the room declares beyond its parsed items is kept as it is; parsed
    // items that ran past the declared end give a negative count and the next
    // room is read from the declared end.
    std::int64_t unread = static_cast<std::int64_t>(room_end) - static_cast<std::int64_t>(in.pos());
    room.tr5_unread_bytes = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(unread, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    const std::uint32_t tail_end = static_cast<std::uint32_t>(std::min<std::uint64_t>(room_end, in.size()));
    if (tail_end > in.pos()) {
        room.tr5_tail.assign(file_bytes + in.pos(), file_bytes + tail_end);
    } else {
        room.tr5_tail.clear();
    }
    if (room_end > in.size()) in.mark_ended_early();
    in.seek(tail_end);
}

namespace {

// Writes the room head: the fields the room holds, and between them the
// bytes it does not interpret, as they were read (or, for a room made in
// memory, the fillers the game's own files carry there).
class RoomHeadWriter {
public:
    RoomHeadWriter(TZFile& out, const std::vector<std::uint8_t>& kept) : out_(out), kept_(kept) {}

    template <class T>
    void field(const T& value)
    {
        put(out_, value);
        at_ += sizeof(T);
    }

    Placeholder placeholder()
    {
        at_ += 4;
        return Placeholder(out_);
    }

    void kept(std::size_t n, std::uint8_t filler)
    {
        if (at_ + n <= kept_.size()) {
            zf_write(out_, kept_.data() + at_, n);
        } else {
            put_fill(out_, n, filler);
        }
        at_ += n;
    }

    void kept_tag()
    {
        if (kept_.size() >= 4) {
            kept(4, 0);
        } else {
            zf_write(out_, "XELA", 4);
            at_ += 4;
        }
    }

private:
    TZFile& out_;
    const std::vector<std::uint8_t>& kept_;
    std::size_t at_ = 0;
};

}  // namespace

void write_tr5_room(TZFile& out, const troom& room)
{
    if (room.layer_headers.size() < room.layers.size())
        throw std::length_error("cannot save: a room has more layers than layer headers");
    // The offsets and sizes in the head are written as read: nothing changes
    // a room's layout. The room size alone is measured, since the next room
    // is found by it.
    RoomHeadWriter head(out, room.tr5_head_bytes);
    head.kept_tag();
    Placeholder room_size = head.placeholder();
    const std::uint32_t room_size_counted_from = zf_pos(out);
    head.kept(4, 0xCD);
    head.field(room.tr5_sd_end);
    head.field(room.tr5_sd_start);
    head.field(room.tr5_separator);
    head.field(room.tr5_portal_end);
    head.field(room.x);
    head.field(room.tr5_y);
    head.field(room.z);
    head.field(room.y_bottom);
    head.field(room.y_top);
    head.field(room.num_z_sectors);
    head.field(room.num_x_sectors);
    head.field(room.room_colour);
    head.field(room.num_lights);
    head.field(room.num_static_meshes);
    head.field(room.tr5_water_words);
    head.kept(8, 0xCD);
    head.kept(6, 0xFF);
    head.field(room.flags);
    head.field(room.tr5_header_word);
    head.kept(10, 0);
    head.kept(4, 0xCD);
    head.field(room.tr5_room_block);
    head.kept(16, 0xCD);
    head.field(room.tr5_null_marker);
    head.kept(4, 0xCD);
    head.field(room.tr5_face_counts);
    head.field(room.num_records36);
    head.field(room.tr5_y_top);
    head.field(room.tr5_y_bottom);
    head.field(static_cast<std::uint32_t>(room.layers.size()));
    head.field(room.tr5_offsets);
    head.kept(16, 0xCD);

    put_array(out, room.lights_tr5, room.num_lights, "a room's light list");
    put_array(out, room.records36, room.num_records36, "a room's 36-byte records");
    put_array(out, room.sectors, std::uint64_t{room.num_z_sectors} * room.num_x_sectors, "a room's sector list");
    put(out, room.num_portals);
    put_array(out, room.portals, room.num_portals, "a room's portal list");
    put(out, room.tr5_portal_filler);
    put_array(out, room.statics, room.num_static_meshes, "a room's static mesh list");

    // The layers as read, each header saying how much its layer holds.
    std::uint64_t triangles_in_layers = 0;
    for (std::size_t l = 0; l < room.layers.size(); ++l) {
        ttr5_layer_header header = room.layer_headers[l];
        const ttr5_layer& layer = room.layers[l];
        header.num_vertices = static_cast<std::uint32_t>(layer.vertices.size());
        header.num_rectangles = count16(layer.rectangles.size(), "a room layer's rectangle list");
        header.num_triangles = count16(layer.triangles.size(), "a room layer's triangle list");
        put(out, header);
        triangles_in_layers += layer.triangles.size();
    }
    for (const ttr5_layer& layer : room.layers) {
        put_array(out, layer.rectangles, layer.rectangles.size(), "a room layer's rectangle list");
        put_array(out, layer.triangles, layer.triangles.size(), "a room layer's triangle list");
    }
    if (triangles_in_layers % 2) put(out, room.tr5_face_filler);
    for (const ttr5_layer& layer : room.layers)
        put_array(out, layer.vertices, layer.vertices.size(), "a room layer's vertex list");
    zf_write(out, room.tr5_tail.data(), room.tr5_tail.size());
    room_size.set(zf_pos(out) - room_size_counted_from);
}

}  // namespace kelanim
