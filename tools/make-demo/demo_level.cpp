#include "demo_level.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "anim/keyframes.h"
#include "demo_figure.h"
#include "demo_textures.h"
#include "editing/animation_editing.h"
#include "geometry/mesh_list.h"

namespace kelanim::demo {

namespace {

bool has_coloured_faces(std::int32_t code) { return code <= code_tr3; }

void put(std::vector<std::uint16_t>& words, std::int32_t value) { words.push_back(static_cast<std::uint16_t>(value)); }

// One mesh in the layout of `code`; faces marked coloured become coloured
// faces where the generation has them and stay textured where it has not.
std::vector<std::uint16_t> encode_mesh(const demo_mesh& mesh, std::int32_t code)
{
    std::array<int, 3> lo{32767, 32767, 32767}, hi{-32768, -32768, -32768};
    for (const demo_vertex& v : mesh.vertices) {
        const std::array<int, 3> p{v.x, v.y, v.z};
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], p[a]);
            hi[a] = std::max(hi[a], p[a]);
        }
    }
    std::array<int, 3> centre{};
    for (int a = 0; a < 3; ++a) centre[a] = (lo[a] + hi[a]) / 2;
    double radius = 0;
    for (const demo_vertex& v : mesh.vertices)
        radius = std::max(radius, std::hypot(v.x - centre[0], v.y - centre[1], v.z - centre[2]));

    std::vector<std::uint16_t> w;
    for (int a = 0; a < 3; ++a) put(w, centre[a]);
    const auto r = static_cast<std::uint32_t>(std::ceil(radius));
    put(w, static_cast<std::int32_t>(r & 0xFFFF));
    put(w, static_cast<std::int32_t>(r >> 16));
    put(w, static_cast<std::int32_t>(mesh.vertices.size()));
    for (const demo_vertex& v : mesh.vertices) {
        put(w, v.x);
        put(w, v.y);
        put(w, v.z);
    }
    // Normals pointing away from the middle of the mesh.
    put(w, static_cast<std::int32_t>(mesh.vertices.size()));
    for (const demo_vertex& v : mesh.vertices) {
        const double dx = v.x - centre[0], dy = v.y - centre[1], dz = v.z - centre[2];
        const double length = std::max(1.0, std::hypot(dx, dy, dz));
        put(w, static_cast<std::int32_t>(std::lround(16300 * dx / length)));
        put(w, static_cast<std::int32_t>(std::lround(16300 * dy / length)));
        put(w, static_cast<std::int32_t>(std::lround(16300 * dz / length)));
    }
    std::vector<const demo_face*> textured, coloured;
    for (const demo_face& face : mesh.faces)
        (face.coloured && has_coloured_faces(code) ? coloured : textured).push_back(&face);

    put(w, static_cast<std::int32_t>(textured.size()));
    for (const demo_face* face : textured) {
        for (std::uint16_t corner : face->corners) w.push_back(corner);
        put(w, face->texture);
        if (code >= code_tr4) put(w, 0);  // effects
    }
    put(w, 0);  // textured triangles
    if (has_coloured_faces(code)) {
        put(w, static_cast<std::int32_t>(coloured.size()));
        for (const demo_face* face : coloured) {
            for (std::uint16_t corner : face->corners) w.push_back(corner);
            // TR2 and TR3 take the 16-bit palette's entry from the high byte.
            put(w, face->colour << 8 | face->colour);
        }
        put(w, 0);  // coloured triangles
    }
    if (w.size() % 2) put(w, 0);  // meshes start on 4-byte boundaries
    return w;
}

// The three-axis rotation entry: ten bits an axis, 1024 steps a turn.
std::uint32_t rotation_entry(const demo_angles& a)
{
    auto steps = [](double degrees) {
        const long s = std::lround(degrees * 1024.0 / 360.0);
        return static_cast<std::uint32_t>(((s % 1024) + 1024) % 1024);
    };
    return steps(a.x) << 20 | steps(a.y) << 10 | steps(a.z);
}

void add_texture_pages(Ttrlevel& level, const demo_page& page)
{
    level.num_texture_pages = 1;
    level.textile8_size = texture_page_bytes8;
    std::vector<std::uint8_t> texels16(texture_page_bytes16), texels32(texture_page_bytes32);
    for (std::size_t i = 0; i < page.indices.size(); ++i) {
        const rgb8 c = page.palette[page.indices[i]];
        const auto texel = static_cast<std::uint16_t>(0x8000 | (c.red >> 3) << 10 | (c.green >> 3) << 5 | c.blue >> 3);
        texels16[2 * i] = static_cast<std::uint8_t>(texel & 0xFF);
        texels16[2 * i + 1] = static_cast<std::uint8_t>(texel >> 8);
        texels32[4 * i] = c.blue;
        texels32[4 * i + 1] = c.green;
        texels32[4 * i + 2] = c.red;
        texels32[4 * i + 3] = 0xFF;
    }
    level.textile16 = texels16;
    if (level.version_code < code_tr4) {
        level.textile8 = page.indices;
        for (std::size_t i = 0; i < 256; ++i) {
            const rgb8 c = page.palette[i];
            level.palette[3 * i] = c.red >> 2;
            level.palette[3 * i + 1] = c.green >> 2;
            level.palette[3 * i + 2] = c.blue >> 2;
            level.palette16[4 * i] = c.red;
            level.palette16[4 * i + 1] = c.green;
            level.palette16[4 * i + 2] = c.blue;
        }
        level.palette[0] = 255;
        level.palette[1] = 0;
        level.palette[2] = 255;
        return;
    }
    level.textile_counts = {0, 1, 0};
    level.textile32 = texels32;
    level.textile32_size = static_cast<std::uint32_t>(texels32.size());
    level.textile16_size = static_cast<std::uint32_t>(texels16.size());
    // Two further 32-bit pages (font and sky in the game), plain grey here.
    level.misc_textile.assign(2 * texture_page_bytes32, 0x80);
    level.misc_textile_size = static_cast<std::uint32_t>(level.misc_textile.size());
}

void add_object_textures(Ttrlevel& level)
{
    for (int tile = 0; tile < tile_count; ++tile) {
        tobject_texture t{};
        const auto x0 = static_cast<std::uint8_t>(tile_left(tile)), x1 = static_cast<std::uint8_t>(tile_left(tile) + tile_size - 1);
        const auto y0 = static_cast<std::uint8_t>(tile_top(tile)), y1 = static_cast<std::uint8_t>(tile_top(tile) + tile_size - 1);
        t.corners = {{{1, x0, 1, y0}, {-1, x1, 1, y0}, {-1, x1, -1, y1}, {1, x0, -1, y1}}};
        t.tile = 0;
        if (level.version_code >= code_tr4) t.tr4_extra = {0, 0, tile_size - 1, tile_size - 1};
        level.object_textures.push_back(t);
    }
    level.num_object_textures = static_cast<std::uint32_t>(level.object_textures.size());
}

void add_room(Ttrlevel& level)
{
    troom room;
    room.x = 0;
    room.z = 0;
    room.y_bottom = 0;
    room.y_top = -2048;
    const std::int16_t corners[4][2] = {{1024, 1024}, {3072, 1024}, {3072, 3072}, {1024, 3072}};
    for (const auto& c : corners) {
        troom_vertex v{c[0], 0, c[1], 0x1000, 0x0010, 0x7FFF};
        room.vertices.push_back(v);
        room.vertices_tr1.push_back({v.x, v.y, v.z, v.lighting});
    }
    room.num_vertices = 4;
    // The floor, seen from above.
    room.rectangles.push_back({{3, 2, 1, 0}, static_cast<std::uint16_t>(tile_stone)});
    room.num_rectangles = 1;
    room.num_z_sectors = 4;
    room.num_x_sectors = 4;
    for (int s = 0; s < 16; ++s) {
        tsector sector;
        const std::uint8_t bytes[8] = {0, 0, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xF8};  // floor 0, ceiling -2048
        std::memcpy(sector.bytes.data(), bytes, 8);
        room.sectors.push_back(sector);
    }
    room.ambient = {0x00, 0x10};
    room.alternate_room = -1;
    level.rooms.push_back(room);
    level.num_rooms = 1;
}

void add_figure(Ttrlevel& level)
{
    const std::int32_t code = level.version_code;
    // Mesh 0 is the pedestal: no bone may use the level's first mesh, which
    // stands for the skin object's meshes.
    std::vector<demo_mesh> meshes{pedestal_mesh()};
    for (demo_mesh& m : figure_meshes()) meshes.push_back(std::move(m));
    for (const demo_mesh& mesh : meshes) {
        level.mesh_pointers.push_back(static_cast<std::uint32_t>(level.mesh_data.size() * 2));
        const std::vector<std::uint16_t> words = encode_mesh(mesh, code);
        level.mesh_data.insert(level.mesh_data.end(), words.begin(), words.end());
    }
    level.num_mesh_data = static_cast<std::uint32_t>(level.mesh_data.size());
    level.num_mesh_pointers = static_cast<std::uint32_t>(level.mesh_pointers.size());

    for (const demo_link& link : figure_links())
        level.mesh_trees.insert(level.mesh_trees.end(), {link.flags, link.dx, link.dy, link.dz});
    level.num_mesh_trees = static_cast<std::uint32_t>(level.mesh_trees.size());

    const int keyframe_words = 9 + 2 * figure_bones;
    std::uint16_t frame_number = 0;
    const std::vector<demo_animation> animations = figure_animations();
    for (std::size_t k = 0; k < animations.size(); ++k) {
        const demo_animation& source = animations[k];
        tanimation a{};
        a.frame_offset = static_cast<std::uint32_t>(level.frames.size() * 2);
        a.frame_rate = static_cast<std::uint8_t>(source.frame_rate);
        a.frame_size = static_cast<std::uint8_t>(keyframe_words);
        a.state_id = static_cast<std::uint16_t>(k);
        a.frame_start = frame_number;
        a.frame_end = static_cast<std::uint16_t>(frame_number + (source.keyframes.size() - 1) * source.frame_rate);
        a.next_animation = static_cast<std::uint16_t>(k);  // each animation loops
        a.next_frame = a.frame_start;
        frame_number = static_cast<std::uint16_t>(a.frame_end + 1);
        level.animations.push_back(a);
        for (const demo_keyframe& key : source.keyframes) {
            level.frames.insert(level.frames.end(), 6, 0);  // the box, measured below
            level.frames.insert(level.frames.end(), key.offset.begin(), key.offset.end());
            for (const demo_angles& angles : key.bones) {
                const std::uint32_t entry = rotation_entry(angles);
                level.frames.push_back(static_cast<std::int16_t>(entry >> 16));
                level.frames.push_back(static_cast<std::int16_t>(entry & 0xFFFF));
            }
        }
    }
    level.num_animations = static_cast<std::uint32_t>(level.animations.size());
    level.num_frames = static_cast<std::uint32_t>(level.frames.size());

    tmoveable figure{};
    figure.object_id = figure_object_id;
    figure.num_meshes = figure_bones;
    figure.starting_mesh = 1;
    figure.mesh_tree = 0;
    figure.frame_offset = 0;
    figure.animation = 0;
    level.moveables.push_back(figure);
    level.num_moveables = 1;

    tstatic_mesh pedestal{};
    pedestal.id = 0;
    pedestal.mesh = 0;
    const std::int16_t boxes[12] = {-320, 320, -80, 0, -320, 320, -320, 320, -80, 0, -320, 320};
    std::memcpy(pedestal.rest.data(), boxes, sizeof boxes);
    pedestal.rest[24] = 3;  // flags
    level.static_meshes.push_back(pedestal);
    level.num_static_meshes = 1;

    titem item{0, 0, 2048, -80, 2048, 0, -1, -1, 0x3E00};
    level.items.push_back(item);
    level.items_tr1.push_back(item_to_tr1(item));
    level.num_items = 1;
}

void measure_boxes(Ttrlevel& level)
{
    Tmesh_list meshes;
    meshes.decode_meshes(level);
    for (std::int32_t j = 0; j < figure_animation_count; ++j) {
        const std::int32_t count = keyframe_count(level, 0, j);
        for (std::int32_t n = 0; n < count; ++n)
            if (!automatic_bound(level, meshes, 0, j, n)) throw std::runtime_error("the demo figure cannot be measured");
    }
}

}  // namespace

void make_demo_level(Ttrlevel& level, std::int32_t version_code)
{
    if (version_code != code_tr2 && version_code != code_tr4)
        throw std::invalid_argument("the demo level exists for TR2 and TR4 only");
    level = Ttrlevel();
    level.loaded_tag = "Vornisk";
    level.version_code = version_code;
    level.version = version_code == code_tr2 ? version_tr2 : version_tr4;

    add_texture_pages(level, make_demo_page());
    add_room(level);
    level.floor_data = {0};
    level.num_floor_data = 1;
    add_object_textures(level);
    add_figure(level);
    if (version_code == code_tr4) {
        level.spr_tag = {'S', 'P', 'R', 0};
        level.tex_tag = {0, 'T', 'E', 'X', 0};
    }
    level.sound_map.assign(740, 0xFF);
    measure_boxes(level);
}

void write_demo_levels(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    for (const auto& [code, name] : {std::pair{code_tr2, "demo.tr2"}, std::pair{code_tr4, "demo.tr4"}}) {
        Ttrlevel level;
        make_demo_level(level, code);
        const std::string path = (std::filesystem::path(folder) / name).string();
        if (level.save_level(path) != save_ok) throw std::runtime_error("the demo level was not written: " + path);
    }
}

}  // namespace kelanim::demo
