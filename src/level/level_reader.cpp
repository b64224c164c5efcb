// Reading a level file of any generation into Ttrlevel.
//
// The file is read whole into the memory file and parsed from there block by
// block. Counts are never trusted further than the rest of the file can hold:
// a truncated or hostile file fills what it can, and the level records that it
// ended early.
#include <cstring>
#include <filesystem>

#include "level_stream.h"
#include "tr5_rooms.h"
#include "ttrlevel.h"
#include "zfile.h"

namespace kelanim {

namespace {

// No real texture or level-data chunk comes near this; a stream that claims
// more is treated as damaged rather than allowed to exhaust memory.
constexpr std::size_t max_chunk_bytes = std::size_t{1} << 30;

bool accepted_version(std::uint32_t version)
{
    return version == version_tr1 || version == version_tr2 || version == version_tr3a ||
           version == version_tr3b || version == version_tr4 || version == version_tr4_demo;
}

// Reads `n` bytes of the file form of a record into its in-memory form at
// byte offset `at`, leaving the other fields as they were.
template <class T>
void read_part(LevelStream& in, T& record, std::size_t at, std::size_t n)
{
    in.read_bytes(reinterpret_cast<std::uint8_t*>(&record) + at, n);
}

}  // namespace

class LevelReader {
public:
    LevelReader(Ttrlevel& level, TZFile& file) : level_(level), file_(file), in_(file) {}

    void read(const std::string& path);

private:
    int code() const { return level_.version_code; }

    void read_classic_head();
    void read_packed_head();
    bool read_packed_chunk(packed_chunk_slot slot, std::uint32_t& size, std::uint32_t& packed_size,
                           std::vector<std::uint8_t>& out);
    void keep_origin();
    void read_tr4_level_data();
    void read_tr5_head();
    void read_rooms();
    void read_classic_room(troom& room);
    void read_body();
    void read_tr5_samples();
    void detect_trng();

    Ttrlevel& level_;
    TZFile& file_;
    LevelStream in_;
    bool damaged_ = false;
    std::uint32_t tr5_sample_block_ = 0;
};

void LevelReader::read(const std::string& path)
{
    level_.version_code = code_none;
    level_.loaded_tag = "Vornisk";
    level_.version_code = version_code_for(level_.version, path);
    level_.from_container = file_.from_container;
    level_.trng = false;
    level_.level_data_tail.clear();
    level_.origin.clear();
    level_.origin.container = std::move(file_.container);
    damaged_ = file_.damaged_container;

    if (code() >= code_tr4) {
        read_packed_head();
    } else {
        read_classic_head();
    }
    read_rooms();
    read_body();
    if (code() == code_tr4) {
        // Whatever follows the last block of the level data is kept and
        // written back: real levels carry a few bytes there.
        level_.level_data_tail.resize(in_.remaining());
        in_.read_bytes(level_.level_data_tail.data(), level_.level_data_tail.size());
    }
    if (code() == code_tr5) read_tr5_samples();
    level_.truncated = in_.ended_early() || damaged_;
    keep_origin();
}

// The bytes read stay with the level where a save can write them back: the
// file itself when it held packed chunks or came in a container (the TR4
// reader has moved it aside already), and the TR4 level data as unpacked.
void LevelReader::keep_origin()
{
    file_.buffer.resize(file_.size);
    if (code() == code_tr4) {
        level_.origin.level_data = std::move(file_.buffer);
    } else if (code() == code_tr5 || !level_.origin.container.empty()) {
        level_.origin.file = std::move(file_.buffer);
    }
}

void LevelReader::read_classic_head()
{
    if (code() >= code_tr2) {
        in_.read(level_.palette);
        in_.read(level_.palette16);
    }
    std::uint32_t pages = in_.read_value<std::uint32_t>();
    // Every page needs its 8-bit form, and TR2/TR3 their 16-bit form too; a
    // count the file cannot hold is cut to what it can.
    std::size_t page_bytes = texture_page_bytes8 + (code() >= code_tr2 ? texture_page_bytes16 : 0);
    pages = static_cast<std::uint32_t>(in_.fitting_count(pages, page_bytes));
    level_.num_texture_pages = pages;
    level_.textile8_size = pages * static_cast<std::uint32_t>(texture_page_bytes8);
    level_.progress(30);
    level_.textile8.assign(level_.textile8_size, 0);
    in_.read_bytes(level_.textile8.data(), level_.textile8.size());
    if (code() >= code_tr2) {
        level_.textile16.assign(std::size_t{pages} * texture_page_bytes16, 0);
        in_.read_bytes(level_.textile16.data(), level_.textile16.size());
    }
    level_.progress(50);
    in_.read(level_.rooms_prefix_word);
    in_.read(level_.num_rooms);
}

bool LevelReader::read_packed_chunk(packed_chunk_slot slot, std::uint32_t& size, std::uint32_t& packed_size,
                                    std::vector<std::uint8_t>& out)
{
    tpacked_chunk_origin& origin = level_.origin.chunks[slot];
    origin.at = in_.pos();
    in_.read(size);
    in_.read(packed_size);
    std::size_t available = in_.fitting_count(packed_size, 1);
    const std::uint8_t* packed = file_.buffer.data() + in_.pos();
    // The declared size is a good first guess for the output block, bounded
    // by the most a zlib stream of this length can unpack to, so a hostile
    // size word cannot reserve memory the file does not justify.
    const std::size_t guess = std::min<std::size_t>(size, available * 1032 + 256);
    bool ok = decompress_buffer(packed, available, guess, out, max_chunk_bytes);
    in_.skip(available);
    size = static_cast<std::uint32_t>(out.size());
    if (!ok) damaged_ = true;
    origin.held = true;
    origin.length = in_.pos() - origin.at;
    if (slot != chunk_level_data) origin.contents = digest_of(out.data(), out.size());
    return ok;
}

void LevelReader::read_packed_head()
{
    in_.read(level_.textile_counts);
    read_packed_chunk(chunk_textile32, level_.textile32_size, level_.textile32_packed_size, level_.textile32);
    level_.progress(20);
    read_packed_chunk(chunk_textile16, level_.textile16_size, level_.textile16_packed_size, level_.textile16);
    level_.progress(30);
    read_packed_chunk(chunk_misc_textile, level_.misc_textile_size, level_.misc_textile_packed_size, level_.misc_textile);
    level_.progress(40);
    level_.num_texture_pages = level_.textile16_size / static_cast<std::uint32_t>(texture_page_bytes16);
    level_.textile8_size = level_.num_texture_pages * static_cast<std::uint32_t>(texture_page_bytes8);

    if (code() == code_tr4) {
        read_tr4_level_data();
    } else {
        read_tr5_head();
    }
}

void LevelReader::read_tr4_level_data()
{
    detect_trng();
    std::uint32_t size = 0, packed_size = 0;
    std::vector<std::uint8_t> level_data;
    read_packed_chunk(chunk_level_data, size, packed_size, level_data);
    level_.progress(50);

    in_.read(level_.num_samples);
    level_.samples_size = in_.remaining();
    level_.samples.resize(level_.samples_size);
    in_.read_bytes(level_.samples.data(), level_.samples.size());

    // From here on the memory file holds the level data alone: reads past its
    // end are short, never reads of the packed bytes that followed it. The
    // file as read goes with the level, for the save.
    level_.origin.file = std::move(file_.buffer);
    level_.origin.file.resize(file_.size);
    file_.buffer = std::move(level_data);
    file_.size = static_cast<std::uint32_t>(file_.buffer.size());
    file_.position = 0;
    in_.read(level_.rooms_prefix_word);
    in_.read(level_.num_rooms);
}

// Levels made with the TRNG editor end with "NGLE" and the byte size of a
// trailer that begins with "NG". Such a level keeps its sound map where the
// demo data would stand.
void LevelReader::detect_trng()
{
    const std::uint32_t size = file_.size;
    if (size < 8) return;
    const std::uint8_t* end = file_.buffer.data() + size;
    if (std::memcmp(end - 8, "NGLE", 4) != 0) return;
    std::uint32_t trailer_size;
    std::memcpy(&trailer_size, end - 4, 4);
    if (trailer_size < 10 || trailer_size > size) return;
    level_.trng = std::memcmp(end - trailer_size, "NG", 2) == 0;
}

void LevelReader::read_tr5_head()
{
    in_.read(level_.tr5_header);
    in_.read(level_.tr5_data_size);
    tr5_sample_block_ = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(std::uint64_t{in_.pos()} + level_.tr5_data_size[0], in_.size()));
    in_.read(level_.rooms_prefix_word);
    std::uint32_t rooms = in_.read_value<std::uint32_t>();
    level_.num_rooms = static_cast<std::uint16_t>(rooms & 0xFFFF);
}

void LevelReader::read_rooms()
{
    // A room takes at least its 20-byte head in the file.
    level_.num_rooms = static_cast<std::uint16_t>(in_.fitting_count(level_.num_rooms, 20));
    level_.rooms.resize(level_.num_rooms);
    const double step = level_.num_rooms ? 30.0 / level_.num_rooms : 0.0;
    double done = 0.0;
    for (troom& room : level_.rooms) {
        if (code() == code_tr5) {
            read_tr5_room(in_, room);
        } else {
            read_classic_room(room);
        }
        done += step;
        level_.progress(50 + static_cast<int>(done));
    }
}

void LevelReader::read_classic_room(troom& room)
{
    in_.read(room.x);
    in_.read(room.z);
    in_.read(room.y_bottom);
    in_.read(room.y_top);
    in_.read(room.num_data_words);

    std::uint16_t count = in_.read_value<std::uint16_t>();
    if (code() <= code_tr1_ub) {
        room.num_vertices = static_cast<std::uint16_t>(in_.read_array(room.vertices_tr1, count));
        room.vertices.resize(room.num_vertices);
        for (std::size_t i = 0; i < room.num_vertices; ++i) {
            const troom_vertex_tr1& v = room.vertices_tr1[i];
            room.vertices[i] = troom_vertex{v.x, v.y, v.z, v.lighting, 16, 0x3DEF};
        }
    } else {
        room.num_vertices = static_cast<std::uint16_t>(in_.read_array(room.vertices, count));
        room.vertices_tr1.resize(room.num_vertices);
        for (std::size_t i = 0; i < room.num_vertices; ++i) {
            const troom_vertex& v = room.vertices[i];
            room.vertices_tr1[i] = troom_vertex_tr1{v.x, v.y, v.z, v.lighting};
        }
    }
    room.num_rectangles = static_cast<std::uint16_t>(in_.read_array(room.rectangles, in_.read_value<std::uint16_t>()));
    room.num_triangles = static_cast<std::uint16_t>(in_.read_array(room.triangles, in_.read_value<std::uint16_t>()));
    room.num_sprites = static_cast<std::uint16_t>(in_.read_array(room.sprites, in_.read_value<std::uint16_t>()));
    room.num_portals = static_cast<std::uint16_t>(in_.read_array(room.portals, in_.read_value<std::uint16_t>()));
    in_.read(room.num_z_sectors);
    in_.read(room.num_x_sectors);
    const std::uint64_t num_sectors = std::uint64_t{room.num_z_sectors} * room.num_x_sectors;
    if (in_.read_array(room.sectors, num_sectors) < num_sectors) {
        // Keep whole rows of sectors only, so the two counts still agree.
        room.num_z_sectors = static_cast<std::uint16_t>(room.sectors.size() / room.num_x_sectors);
        room.sectors.resize(std::size_t{room.num_z_sectors} * room.num_x_sectors);
    }
    in_.read(room.ambient);
    if (code() >= code_tr2) in_.read(room.ambient2);
    if (code() == code_tr2 || code() == code_tr2_trg) in_.read(room.light_mode);

    count = in_.read_value<std::uint16_t>();
    if (code() <= code_tr1_ub) {
        room.num_lights = static_cast<std::uint16_t>(in_.read_array(room.lights_tr1, count));
    } else if (code() <= code_tr3) {
        room.num_lights = static_cast<std::uint16_t>(in_.read_array(room.lights_tr2, count));
    } else {
        room.num_lights = static_cast<std::uint16_t>(in_.read_array(room.lights_tr4, count));
    }
    count = in_.read_value<std::uint16_t>();
    if (code() <= code_tr1_ub) {
        room.num_static_meshes = static_cast<std::uint16_t>(in_.read_array(room.statics_tr1, count));
    } else {
        room.num_static_meshes = static_cast<std::uint16_t>(in_.read_array(room.statics, count));
    }
    in_.read(room.alternate_room);
    in_.read(room.flags);
    if (code() >= code_tr3) {
        in_.read(room.water_scheme);
        in_.read(room.alternate_group);
    }
}

void LevelReader::read_body()
{
    Ttrlevel& l = level_;
    const int c = code();
    level_.progress(80);

    auto count_u32 = [&] { return in_.read_value<std::uint32_t>(); };
    auto counted = [&](auto& array, std::uint32_t& count) {
        count = static_cast<std::uint32_t>(in_.read_array(array, count_u32()));
    };

    counted(l.floor_data, l.num_floor_data);
    counted(l.mesh_data, l.num_mesh_data);
    counted(l.mesh_pointers, l.num_mesh_pointers);

    const std::size_t animation_bytes = c >= code_tr4 ? 40 : 32;
    l.num_animations = static_cast<std::uint32_t>(
        in_.read_each(l.animations, count_u32(), animation_bytes, [&](tanimation& a) {
            read_part(in_, a, 0, 16);
            if (c >= code_tr4) read_part(in_, a, 16, 8);
            read_part(in_, a, 24, 16);
        }));
    counted(l.state_changes, l.num_state_changes);
    counted(l.anim_dispatches, l.num_anim_dispatches);
    counted(l.anim_commands, l.num_anim_commands);
    counted(l.mesh_trees, l.num_mesh_trees);
    counted(l.frames, l.num_frames);

    const std::size_t moveable_bytes = moveable_file_size + (c == code_tr5 ? 2 : 0);
    l.num_moveables = static_cast<std::uint32_t>(
        in_.read_each(l.moveables, count_u32(), moveable_bytes,
                      [&](tmoveable& m) { read_part(in_, m, 0, moveable_bytes); }));
    counted(l.static_meshes, l.num_static_meshes);

    // Object textures: attribute, tile, [flags], corners, [TR4 extra], [TR5 filler].
    auto read_object_textures = [&] {
        const bool tr4 = c >= code_tr4;
        const std::size_t bytes = tr4 ? (c == code_tr5 ? 40 : 38) : 20;
        l.num_object_textures = static_cast<std::uint32_t>(
            in_.read_each(l.object_textures, count_u32(), bytes, [&](tobject_texture& t) {
                read_part(in_, t, 0, 4);
                if (tr4) read_part(in_, t, 4, 2);
                read_part(in_, t, 6, 16);
                if (tr4) read_part(in_, t, 22, 16);
                if (c == code_tr5) read_part(in_, t, 38, 2);
                t.anim_group = 0;
            }));
    };
    if (c <= code_tr2_trg) read_object_textures();
    if (c == code_tr4) in_.read_bytes(l.spr_tag.data(), 3);
    if (c == code_tr5) in_.read_bytes(l.spr_tag.data(), 4);
    counted(l.sprite_textures, l.num_sprite_textures);
    counted(l.sprite_sequences, l.num_sprite_sequences);
    if (c == code_tr1_ub) in_.read(l.palette);
    counted(l.cameras, l.num_cameras);
    if (c >= code_tr4) counted(l.flyby_cameras, l.num_flyby_cameras);
    counted(l.sound_sources, l.num_sound_sources);

    std::uint32_t boxes = count_u32();
    if (c <= code_tr1_ub) {
        l.num_boxes = static_cast<std::uint32_t>(in_.read_array(l.boxes_tr1, boxes));
        l.boxes.resize(l.num_boxes);
    } else {
        l.num_boxes = static_cast<std::uint32_t>(in_.read_array(l.boxes, boxes));
        l.boxes_tr1.resize(l.num_boxes);
    }
    counted(l.overlaps, l.num_overlaps);
    l.num_zones = l.num_boxes;
    for (auto& zone : l.zones) zone.resize(l.num_zones);
    static constexpr int tr1_zone_slots[] = {0, 1, 4, 5, 6, 9};
    static constexpr int all_zone_slots[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    auto read_zone = [&](int slot) { in_.read_bytes(l.zones[slot].data(), l.zones[slot].size() * 2); };
    if (c <= code_tr1_ub) {
        for (int slot : tr1_zone_slots) read_zone(slot);
    } else {
        for (int slot : all_zone_slots) read_zone(slot);
    }
    counted(l.animated_textures, l.num_animated_textures);
    level_.progress(85);

    if (c == code_tr4) in_.read_bytes(l.tex_tag.data(), 4);
    if (c == code_tr5) in_.read_bytes(l.tex_tag.data(), 5);
    if (c >= code_tr3) read_object_textures();
    level_.progress(90);

    std::uint32_t items = count_u32();
    if (c <= code_tr1_ub) {
        l.num_items = static_cast<std::uint32_t>(in_.read_array(l.items_tr1, items));
        l.items.resize(l.num_items);
        for (std::size_t i = 0; i < l.num_items; ++i) l.items[i] = item_from_tr1(l.items_tr1[i]);
    } else {
        l.num_items = static_cast<std::uint32_t>(in_.read_array(l.items, items));
        l.items_tr1.resize(l.num_items);
        for (std::size_t i = 0; i < l.num_items; ++i) l.items_tr1[i] = item_to_tr1(l.items[i]);
    }
    if (c <= code_tr3) in_.read(l.light_map);
    if (c == code_tr1) in_.read(l.palette);
    if (c >= code_tr4) {
        counted(l.ai_objects, l.num_cinematic_frames);
    } else {
        l.num_cinematic_frames =
            static_cast<std::uint32_t>(in_.read_array(l.cinematic_frames, in_.read_value<std::uint16_t>()));
    }

    std::uint16_t demo_or_sound_map = in_.read_value<std::uint16_t>();
    if (l.trng) {
        // The word counts the 16-bit entries of the sound map that follows.
        l.num_demo_data = 0;
        l.demo_data.clear();
        l.sound_map.resize(in_.fitting_count(demo_or_sound_map, 2) * 2);
        in_.read_bytes(l.sound_map.data(), l.sound_map.size());
    } else {
        l.num_demo_data = static_cast<std::uint32_t>(in_.read_array(l.demo_data, demo_or_sound_map));
        l.sound_map.assign(c <= code_tr1_ub ? 512 : c == code_tr5 ? 900 : 740, 0);
        in_.read_bytes(l.sound_map.data(), l.sound_map.size());
    }
    counted(l.sound_details, l.num_sound_details);
    if (c <= code_tr1_ub) {
        l.samples_size = static_cast<std::uint32_t>(in_.read_array(l.samples, count_u32()));
    }
    counted(l.sample_indices, l.num_sample_indices);
}

void LevelReader::read_tr5_samples()
{
    const std::uint32_t body_end = std::min(in_.pos(), tr5_sample_block_);
    const std::uint8_t* bytes = file_.buffer.data();
    level_.tr5_gap.assign(bytes + body_end, bytes + tr5_sample_block_);
    in_.seek(tr5_sample_block_);
    in_.read(level_.num_samples);
    level_.samples_size = in_.remaining();
    level_.samples.resize(level_.samples_size);
    in_.read_bytes(level_.samples.data(), level_.samples.size());
}

// Gives each object texture the 1-based number of the animated-texture group
// that lists it. The list is: the number of groups, then per group its length
// minus one and that many plus one texture indices.
static void mark_animated_textures(Ttrlevel& level)
{
    const auto& list = level.animated_textures;
    if (level.num_animated_textures == 0 || list.empty()) return;
    std::size_t at = 1;
    const std::size_t groups = list[0];
    for (std::size_t g = 1; g <= groups; ++g) {
        if (at >= list.size()) return;
        const std::size_t length = std::size_t{list[at]} + 1;
        ++at;
        if (at + length > list.size()) return;
        for (std::size_t i = 0; i < length; ++i) {
            const std::uint16_t texture = list[at + i];
            if (texture < level.object_textures.size())
                level.object_textures[texture].anim_group = static_cast<std::uint16_t>(g);
        }
        at += length;
    }
}

std::uint8_t Ttrlevel::load_level(const std::string& path)
{
    progress(0);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return load_no_file;

    TZFile file;
    zf_assign(file, path);
    zf_reset(file, 1, messages);
    return read_opened(file, path);
}

std::uint8_t Ttrlevel::load_level_from_memory(std::vector<std::uint8_t> bytes, const std::string& path)
{
    progress(0);
    TZFile file;
    zf_assign(file, path);
    zf_load_bytes(file, std::move(bytes), 1, messages);
    return read_opened(file, path);
}

std::uint8_t Ttrlevel::read_opened(TZFile& file, const std::string& path)
{
    // The version word decides whether this is a level at all. A file that is
    // not one leaves the level held before untouched.
    std::uint32_t word = 0;
    if (zf_read(file, &word, 4) < 4 || !accepted_version(word)) {
        zf_close(file, false);
        progress(0);
        return load_not_a_level;
    }

    if (is_loaded()) release_buffers();
    progress(10);
    version = word;
    LevelReader(*this, file).read(path);

    mark_animated_textures(*this);
    progress(100);
    zf_close(file, false);
    progress(0);
    return load_ok;
}

}  // namespace kelanim
