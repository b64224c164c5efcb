// Fixed-size records of a Tomb Raider level, laid out exactly as in the file.
//
// Every record is packed and little-endian, so a record is read or written as
// its bytes. Records whose contents the program never looks inside are kept
// as raw byte blocks of the right size.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "level records are copied byte for byte and need a little-endian host");

namespace kelanim {

// A record the program stores and writes back without interpreting it.
template <std::size_t N>
struct raw_record {
    std::array<std::uint8_t, N> bytes{};
};

#pragma pack(push, 1)

// One animation. 32 bytes in files of codes 1 to 5 (no lateral fields),
// 40 bytes in codes 6 and 7.
struct tanimation {
    std::uint32_t frame_offset;  // byte offset of the first keyframe in `frames`
    std::uint8_t frame_rate;     // game ticks per stored keyframe
    std::uint8_t frame_size;     // keyframe length in 16-bit words (codes 3 to 7)
    std::uint16_t state_id;
    std::int32_t speed;
    std::int32_t accel;
    std::int32_t lateral_speed;  // codes 6, 7 only
    std::int32_t lateral_accel;  // codes 6, 7 only
    std::uint16_t frame_start;
    std::uint16_t frame_end;  // inclusive
    std::uint16_t next_animation;
    std::uint16_t next_frame;
    std::uint16_t num_state_changes;
    std::uint16_t state_change_offset;
    std::uint16_t num_anim_commands;
    std::uint16_t anim_command_offset;
};
static_assert(sizeof(tanimation) == 40);

struct tstate_change {
    std::uint16_t state_id;
    std::uint16_t num_anim_dispatches;
    std::uint16_t anim_dispatch;  // index into `anim_dispatches`
};
static_assert(sizeof(tstate_change) == 6);

struct tanim_dispatch {
    std::int16_t low;
    std::int16_t high;
    std::int16_t next_animation;
    std::int16_t next_frame;
};
static_assert(sizeof(tanim_dispatch) == 8);

// 18 bytes in files of codes 1 to 6, 20 in code 7 (with `tr5_filler`).
struct tmoveable {
    std::uint32_t object_id;
    std::uint16_t num_meshes;
    std::uint16_t starting_mesh;  // index into `mesh_pointers`
    std::uint32_t mesh_tree;      // index into `mesh_trees`, in 32-bit words
    std::uint32_t frame_offset;   // byte offset into `frames`
    std::int16_t animation;       // first animation, -1 when there is none
    std::uint16_t tr5_filler;     // code 7 only
};
static_assert(sizeof(tmoveable) == 20);
inline constexpr std::size_t moveable_file_size = 18;

struct tstatic_mesh {
    std::uint32_t id;
    std::uint16_t mesh;  // index into `mesh_pointers`
    std::array<std::uint8_t, 26> rest;
};
static_assert(sizeof(tstatic_mesh) == 32);

struct ttexture_corner {
    std::int8_t x_coord;
    std::uint8_t x_pixel;
    std::int8_t y_coord;
    std::uint8_t y_pixel;
};
static_assert(sizeof(ttexture_corner) == 4);

// 20 bytes in files of codes 1 to 5, 38 in code 6, 40 in code 7.
struct tobject_texture {
    std::uint16_t attribute;
    std::uint16_t tile;   // page number in the low 15 bits
    std::uint16_t flags;  // codes 6, 7
    std::array<ttexture_corner, 4> corners;
    std::array<std::uint32_t, 4> tr4_extra;  // codes 6, 7
    std::uint16_t tr5_filler;                // code 7
    std::array<std::uint8_t, 3> unused;      // never read or written
    std::uint16_t anim_group;  // 1-based animated-texture group, 0 for none
};
static_assert(sizeof(tobject_texture) == 45);

using tsprite_texture = raw_record<16>;
using tsprite_sequence = raw_record<8>;
using tcamera = raw_record<16>;
using tflyby_camera = raw_record<40>;
using tsound_source = raw_record<16>;
using tbox_tr1 = raw_record<20>;
using tbox = raw_record<8>;
using tcinematic_frame = raw_record<16>;
using tai_object = raw_record<24>;
using tsound_detail = raw_record<8>;

struct titem {
    std::int16_t object_id;
    std::int16_t room;
    std::int32_t x, y, z;
    std::int16_t angle;
    std::int16_t intensity1;
    std::int16_t intensity2;
    std::uint16_t flags;
};
static_assert(sizeof(titem) == 24);

struct titem_tr1 {
    std::int16_t object_id;
    std::int16_t room;
    std::int32_t x, y, z;
    std::int16_t angle;
    std::array<std::uint8_t, 2> intensity;  // low byte, high byte
    std::uint16_t flags;
};
static_assert(sizeof(titem_tr1) == 22);

// Room elements.
struct troom_vertex_tr1 {
    std::int16_t x, y, z;
    std::int16_t lighting;
};
static_assert(sizeof(troom_vertex_tr1) == 8);

struct troom_vertex {
    std::int16_t x, y, z;
    std::int16_t lighting;
    std::uint16_t attributes;
    std::uint16_t colour;  // 5-5-5 red, green, blue from high to low bits
};
static_assert(sizeof(troom_vertex) == 12);

struct ttr5_vertex {
    float x, y, z;
    std::array<std::uint8_t, 12> raw;
    std::uint32_t colour;  // bytes 0, 1, 2: blue, green, red
};
static_assert(sizeof(ttr5_vertex) == 28);

struct tface4 {
    std::array<std::uint16_t, 4> vertices;
    std::uint16_t texture;
};
static_assert(sizeof(tface4) == 10);

struct ttr5_face4 {
    tface4 face;
    std::uint16_t extra;
};
static_assert(sizeof(ttr5_face4) == 12);

struct tface3 {
    std::array<std::uint16_t, 3> vertices;
    std::uint16_t texture;
};
static_assert(sizeof(tface3) == 8);

struct ttr5_face3 {
    tface3 face;
    std::uint16_t extra;
};
static_assert(sizeof(ttr5_face3) == 10);

struct troom_sprite {
    std::int16_t vertex;
    std::int16_t texture;
};
static_assert(sizeof(troom_sprite) == 4);

using tportal = raw_record<32>;
using tsector = raw_record<8>;
using tlight_tr1 = raw_record<18>;
using tlight_tr2 = raw_record<24>;
using tlight_tr4 = raw_record<46>;
using tlight_tr5 = raw_record<88>;
using troom_static_tr1 = raw_record<18>;
using troom_static = raw_record<20>;
using ttr5_room_record36 = raw_record<36>;

struct ttr5_layer_header {
    std::uint32_t num_vertices;
    std::uint16_t layer_word1;
    std::uint16_t num_rectangles;
    std::uint16_t num_triangles;
    std::array<std::uint8_t, 46> raw;
};
static_assert(sizeof(ttr5_layer_header) == 56);

#pragma pack(pop)

}  // namespace kelanim
