// Writing the level held in Ttrlevel back to a file of its generation.
//
// The writer mirrors the reader block by block. The whole file is assembled
// in the memory file and written to disk in one piece at the end, through a
// temporary file renamed over the target, so a failed save never leaves a
// half-written level behind. TR4 and TR5 files open with their packed
// texture chunks, which are written last, in front of the level data.
//
// An unedited level saves byte-identical, and an edit changes only what it
// edits: every block is written from fields that hold the bytes read, and a
// packed chunk (or a container) whose contents came out the same is written
// with the packed bytes read rather than compressed again.
#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "level_output.h"
#include "tr5_rooms.h"
#include "ttrlevel.h"
#include "zfile.h"

namespace kelanim {

namespace {

// Writes `n` bytes of the in-memory form of a record, from byte offset `at`:
// the file forms of animations, moveables and object textures are slices of
// their in-memory records.
template <class T>
void put_part(TZFile& out, const T& record, std::size_t at, std::size_t n)
{
    zf_write(out, reinterpret_cast<const std::uint8_t*>(&record) + at, n);
}

// How many bytes of a buffer to write for a block of `bytes` bytes: what the
// buffer holds when that is less, so the size written in front of the block
// tells the truth and nothing past the buffer is read.
std::uint32_t held_size(std::uint64_t bytes, const std::vector<std::uint8_t>& buffer)
{
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, buffer.size()));
}

// One packed chunk: unpacked size, packed size, the zlib stream at level 9.
void put_packed_chunk(TZFile& out, const std::uint8_t* data, std::uint32_t size, std::uint32_t& packed_size)
{
    const std::vector<std::uint8_t> packed = compress_buffer(data, size);
    packed_size = static_cast<std::uint32_t>(packed.size());
    put(out, size);
    put(out, packed_size);
    zf_write(out, packed.data(), packed.size());
}

// Writes a packed chunk as it stood in the file read; false when the level
// holds no such chunk.
bool put_original_chunk(TZFile& out, const tread_origin& origin, packed_chunk_slot slot, std::uint32_t& packed_size)
{
    const tpacked_chunk_origin& chunk = origin.chunks[slot];
    if (!chunk.held || chunk.length < 8 || std::uint64_t{chunk.at} + chunk.length > origin.file.size()) return false;
    const std::uint8_t* bytes = origin.file.data() + chunk.at;
    std::memcpy(&packed_size, bytes + 4, 4);
    zf_write(out, bytes, chunk.length);
    return true;
}

// A texture chunk: as read when its pages are the ones read (nothing edits
// them), else packed again from the first `size` bytes.
void put_texture_chunk(TZFile& out, const tread_origin& origin, packed_chunk_slot slot,
                       const std::vector<std::uint8_t>& pages, std::uint32_t& size, std::uint32_t& packed_size)
{
    if (origin.chunks[slot].held && digest_of(pages.data(), pages.size()) == origin.chunks[slot].contents &&
        put_original_chunk(out, origin, slot, packed_size)) {
        size = static_cast<std::uint32_t>(pages.size());
        return;
    }
    put_packed_chunk(out, pages.data(), size, packed_size);
}

}  // namespace

class LevelWriter {
public:
    LevelWriter(Ttrlevel& level, TZFile& out) : level_(level), out_(out) {}

    void write();

private:
    int code() const { return level_.version_code; }

    void write_classic_head();
    void write_rooms();
    void write_classic_room(troom& room);
    void write_body();
    void write_object_textures();
    void write_packed_head();

    Ttrlevel& level_;
    TZFile& out_;
};

void LevelWriter::write()
{
    if (code() <= code_tr3) write_classic_head();

    if (code() == code_tr5) {
        zf_write(out_, level_.tr5_header.data(), level_.tr5_header.size());
        // Both size words count the level data from just after them to the
        // end of the gap that closes it; the samples follow there.
        Placeholder data_size(out_), data_size_copy(out_);
        const std::uint32_t tr5_data_start = zf_pos(out_);
        put(out_, level_.rooms_prefix_word);
        put(out_, std::uint32_t{level_.num_rooms});
        write_rooms();
        write_body();
        zf_write(out_, level_.tr5_gap.data(), level_.tr5_gap.size());
        const std::uint32_t level_data_size = zf_pos(out_) - tr5_data_start;
        data_size.set(level_data_size);
        data_size_copy.set(level_data_size);
    } else {
        put(out_, level_.rooms_prefix_word);
        put(out_, level_.num_rooms);
        write_rooms();
        write_body();
        if (code() == code_tr4) zf_write(out_, level_.level_data_tail.data(), level_.level_data_tail.size());
    }

    if (code() >= code_tr4) write_packed_head();
}

void LevelWriter::write_classic_head()
{
    put(out_, level_.version);
    if (code() >= code_tr2) {
        put(out_, level_.palette);
        put(out_, level_.palette16);
    }
    // Pages whose bytes are not all held are not written: the count in front
    // of them says how many follow.
    std::uint64_t pages = std::min<std::uint64_t>(level_.num_texture_pages, level_.textile8_size / texture_page_bytes8);
    pages = std::min<std::uint64_t>(pages, level_.textile8.size() / texture_page_bytes8);
    if (code() >= code_tr2) pages = std::min<std::uint64_t>(pages, level_.textile16.size() / texture_page_bytes16);
    put(out_, static_cast<std::uint32_t>(pages));
    level_.progress(30);
    zf_write(out_, level_.textile8.data(), pages * texture_page_bytes8);
    if (code() >= code_tr2) zf_write(out_, level_.textile16.data(), pages * texture_page_bytes16);
    level_.progress(50);
}

void LevelWriter::write_rooms()
{
    if (level_.num_rooms > level_.rooms.size())
        throw std::length_error("cannot save: the level counts more rooms than it holds");
    const double step = level_.num_rooms ? 30.0 / level_.num_rooms : 0.0;
    double done = 0.0;
    for (std::size_t r = 0; r < level_.num_rooms; ++r) {
        if (code() == code_tr5) {
            write_tr5_room(out_, level_.rooms[r]);
        } else {
            write_classic_room(level_.rooms[r]);
        }
        done += step;
        level_.progress(50 + static_cast<int>(done));
    }
    level_.progress(80);
}

void LevelWriter::write_classic_room(troom& room)
{
    const bool tr1 = code() <= code_tr1_ub;
    const std::uint32_t vertex_bytes = tr1 ? sizeof(troom_vertex_tr1) : sizeof(troom_vertex);
    room.num_data_words = (room.num_vertices * vertex_bytes + room.num_rectangles * 10u + room.num_triangles * 8u +
                           room.num_sprites * 4u + 8u) / 2;
    put(out_, room.x);
    put(out_, room.z);
    put(out_, room.y_bottom);
    put(out_, room.y_top);
    put(out_, room.num_data_words);

    put(out_, room.num_vertices);
    if (tr1) {
        put_array(out_, room.vertices_tr1, room.num_vertices, "a room's vertex list");
    } else {
        put_array(out_, room.vertices, room.num_vertices, "a room's vertex list");
    }
    put(out_, room.num_rectangles);
    put_array(out_, room.rectangles, room.num_rectangles, "a room's rectangle list");
    put(out_, room.num_triangles);
    put_array(out_, room.triangles, room.num_triangles, "a room's triangle list");
    put(out_, room.num_sprites);
    put_array(out_, room.sprites, room.num_sprites, "a room's sprite list");
    put(out_, room.num_portals);
    put_array(out_, room.portals, room.num_portals, "a room's portal list");
    put(out_, room.num_z_sectors);
    put(out_, room.num_x_sectors);
    put_array(out_, room.sectors, std::uint64_t{room.num_z_sectors} * room.num_x_sectors, "a room's sector list");
    put(out_, room.ambient);
    if (code() >= code_tr2) put(out_, room.ambient2);
    if (code() == code_tr2 || code() == code_tr2_trg) put(out_, room.light_mode);

    put(out_, room.num_lights);
    if (tr1) {
        put_array(out_, room.lights_tr1, room.num_lights, "a room's light list");
    } else if (code() <= code_tr3) {
        put_array(out_, room.lights_tr2, room.num_lights, "a room's light list");
    } else {
        put_array(out_, room.lights_tr4, room.num_lights, "a room's light list");
    }
    put(out_, room.num_static_meshes);
    if (tr1) {
        put_array(out_, room.statics_tr1, room.num_static_meshes, "a room's static mesh list");
    } else {
        put_array(out_, room.statics, room.num_static_meshes, "a room's static mesh list");
    }
    put(out_, room.alternate_room);
    put(out_, room.flags);
    if (code() >= code_tr3) {
        put(out_, room.water_scheme);
        put(out_, room.alternate_group);
    }
}

void LevelWriter::write_object_textures()
{
    const Ttrlevel& l = level_;
    put(out_, l.num_object_textures);
    if (l.num_object_textures > l.object_textures.size())
        throw std::length_error("cannot save: the object texture list is shorter than its count");
    const bool tr4 = code() >= code_tr4;
    for (std::size_t i = 0; i < l.num_object_textures; ++i) {
        const tobject_texture& t = l.object_textures[i];
        put_part(out_, t, 0, 4);  // attribute, tile
        if (tr4) put_part(out_, t, 4, 2);  // flags
        put_part(out_, t, 6, 16);  // corners
        if (tr4) put_part(out_, t, 22, 16);  // TR4 extra words
        if (code() == code_tr5) put_part(out_, t, 38, 2);
    }
}

void LevelWriter::write_body()
{
    const Ttrlevel& l = level_;
    const int c = code();
    auto counted = [&](const auto& array, std::uint32_t count, const char* what) {
        put(out_, count);
        put_array(out_, array, count, what);
    };

    counted(l.floor_data, l.num_floor_data, "the floor data");
    counted(l.mesh_data, l.num_mesh_data, "the mesh data");
    counted(l.mesh_pointers, l.num_mesh_pointers, "the mesh pointer list");

    put(out_, l.num_animations);
    if (l.num_animations > l.animations.size())
        throw std::length_error("cannot save: the animation list is shorter than its count");
    for (std::size_t i = 0; i < l.num_animations; ++i) {
        const tanimation& a = l.animations[i];
        put_part(out_, a, 0, 16);
        if (c >= code_tr4) put_part(out_, a, 16, 8);  // lateral speed and acceleration
        put_part(out_, a, 24, 16);
    }
    counted(l.state_changes, l.num_state_changes, "the state change list");
    counted(l.anim_dispatches, l.num_anim_dispatches, "the animation dispatch list");
    counted(l.anim_commands, l.num_anim_commands, "the animation command list");
    counted(l.mesh_trees, l.num_mesh_trees, "the mesh tree list");
    counted(l.frames, l.num_frames, "the frame list");

    put(out_, l.num_moveables);
    if (l.num_moveables > l.moveables.size())
        throw std::length_error("cannot save: the moveable list is shorter than its count");
    const std::size_t moveable_bytes = moveable_file_size + (c == code_tr5 ? 2 : 0);
    for (std::size_t i = 0; i < l.num_moveables; ++i) put_part(out_, l.moveables[i], 0, moveable_bytes);
    counted(l.static_meshes, l.num_static_meshes, "the static mesh list");

    if (c <= code_tr2_trg) write_object_textures();
    if (c == code_tr4) zf_write(out_, l.spr_tag.data(), 3);
    if (c == code_tr5) zf_write(out_, l.spr_tag.data(), 4);
    counted(l.sprite_textures, l.num_sprite_textures, "the sprite texture list");
    counted(l.sprite_sequences, l.num_sprite_sequences, "the sprite sequence list");
    if (c == code_tr1_ub) put(out_, l.palette);
    counted(l.cameras, l.num_cameras, "the camera list");
    if (c >= code_tr4) counted(l.flyby_cameras, l.num_flyby_cameras, "the flyby camera list");
    counted(l.sound_sources, l.num_sound_sources, "the sound source list");

    if (c <= code_tr1_ub) {
        counted(l.boxes_tr1, l.num_boxes, "the box list");
    } else {
        counted(l.boxes, l.num_boxes, "the box list");
    }
    counted(l.overlaps, l.num_overlaps, "the overlap list");
    static constexpr int tr1_zone_slots[] = {0, 1, 4, 5, 6, 9};
    static constexpr int all_zone_slots[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    if (c <= code_tr1_ub) {
        for (int slot : tr1_zone_slots) put_array(out_, l.zones[slot], l.num_boxes, "a zone list");
    } else {
        for (int slot : all_zone_slots) put_array(out_, l.zones[slot], l.num_boxes, "a zone list");
    }
    counted(l.animated_textures, l.num_animated_textures, "the animated texture list");
    level_.progress(85);

    if (c == code_tr4) zf_write(out_, l.tex_tag.data(), 4);
    if (c == code_tr5) zf_write(out_, l.tex_tag.data(), 5);
    if (c >= code_tr3) write_object_textures();
    level_.progress(90);

    if (c <= code_tr1_ub) {
        counted(l.items_tr1, l.num_items, "the item list");
    } else {
        counted(l.items, l.num_items, "the item list");
    }
    if (c <= code_tr3) put(out_, l.light_map);
    if (c == code_tr1) put(out_, l.palette);
    if (c >= code_tr4) {
        counted(l.ai_objects, l.num_cinematic_frames, "the AI object list");
    } else {
        put(out_, count16(l.num_cinematic_frames, "the cinematic frame list"));
        put_array(out_, l.cinematic_frames, l.num_cinematic_frames, "the cinematic frame list");
    }

    if (l.trng) {
        // A TRNG level's sound map stands where the demo data would be,
        // counted in 16-bit entries.
        put(out_, count16(static_cast<std::uint32_t>(l.sound_map.size() / 2), "the sound map"));
        zf_write(out_, l.sound_map.data(), l.sound_map.size() / 2 * 2);
    } else {
        put(out_, count16(l.num_demo_data, "the demo data"));
        put_array(out_, l.demo_data, l.num_demo_data, "the demo data");
        const std::size_t sound_map_bytes = c <= code_tr1_ub ? 512 : c == code_tr5 ? 900 : 740;
        const std::size_t held = std::min(sound_map_bytes, l.sound_map.size());
        zf_write(out_, l.sound_map.data(), held);
        put_fill(out_, sound_map_bytes - held, 0);
    }
    counted(l.sound_details, l.num_sound_details, "the sound detail list");
    if (c <= code_tr1_ub) counted(l.samples, l.samples_size, "the sample data");
    counted(l.sample_indices, l.num_sample_indices, "the sample index list");
}

// Everything written so far is the level data; the file proper starts with
// the version word and the packed texture pages in front of it.
void LevelWriter::write_packed_head()
{
    Ttrlevel& l = level_;
    // The level data keeps the buffer it was written in; the file starts a new one.
    std::vector<std::uint8_t> level_data = std::move(out_.buffer);
    level_data.resize(zf_size(out_));
    zf_rewrite(out_, 1);

    put(out_, l.version);
    put(out_, l.textile_counts);
    l.textile32_size = held_size(std::uint64_t{l.textile8_size} * 4, l.textile32);
    put_texture_chunk(out_, l.origin, chunk_textile32, l.textile32, l.textile32_size, l.textile32_packed_size);
    l.textile16_size = held_size(std::uint64_t{l.textile8_size} * 2, l.textile16);
    put_texture_chunk(out_, l.origin, chunk_textile16, l.textile16, l.textile16_size, l.textile16_packed_size);
    l.misc_textile_size = held_size(l.misc_textile_size, l.misc_textile);
    put_texture_chunk(out_, l.origin, chunk_misc_textile, l.misc_textile, l.misc_textile_size,
                      l.misc_textile_packed_size);

    if (code() == code_tr4) {
        // The level data is packed again only when it differs from what was
        // read, byte for byte.
        std::uint32_t packed_size = 0;
        if (level_data != l.origin.level_data || !put_original_chunk(out_, l.origin, chunk_level_data, packed_size))
            put_packed_chunk(out_, level_data.data(), static_cast<std::uint32_t>(level_data.size()), packed_size);
    } else {
        zf_write(out_, level_data.data(), level_data.size());
    }
    put(out_, l.num_samples);
    zf_write(out_, l.samples.data(), held_size(l.samples_size, l.samples));
}

// A level read from a "ZLIB" container is saved in one: the container read,
// when the level inside it comes out the same, else a new one.
void Ttrlevel::put_in_container(TZFile& file) const
{
    const bool unchanged = file.size == origin.file.size() &&
                           std::equal(origin.file.begin(), origin.file.end(), file.buffer.begin());
    file.buffer = unchanged ? origin.container : pack_container(file.buffer.data(), file.size);
    file.size = file.position = static_cast<std::uint32_t>(file.buffer.size());
}

std::uint8_t Ttrlevel::save_level(const std::string& path)
{
    progress(0);
    if (!is_loaded()) return save_nothing_loaded;

    const std::int32_t code_before = version_code;
    // The TR1 to TR3 families take their layout from the new name.
    if (version_code <= code_tr3) {
        if (std::int32_t code = version_code_for(version, path); code != code_none) version_code = code;
    }
    TZFile file;
    zf_assign(file, path);
    zf_rewrite(file, 1);
    try {
        LevelWriter(*this, file).write();
        if (!origin.container.empty()) put_in_container(file);
        progress(100);
        zf_close(file, true);
    } catch (...) {
        // Nothing reached the disk: the level keeps the layout it had.
        version_code = code_before;
        progress(0);
        throw;
    }
    progress(0);
    return save_ok;
}

}  // namespace kelanim
