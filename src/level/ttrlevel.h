// The in-memory level: a mirror of one level file of any generation.
//
// Every block of the file stays in memory, mostly as the records it holds, so
// that the writer can produce the complete level again. Arrays are growable
// containers sized from the file; each count field sits beside its array and
// the two always agree after a read.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "level_records.h"
#include "read_origin.h"
#include "sinks.h"
#include "zfile.h"

namespace kelanim {

// Version codes: which generation a level belongs to. The codes are ordered
// and layout decisions compare against them (below 3, 6 or more, ...).
enum version_codes : std::int32_t {
    code_none = 0,
    code_tr1 = 1,
    code_tr1_ub = 2,  // TR1 in the Unfinished Business layout (.tub)
    code_tr2 = 3,
    code_tr2_trg = 4,  // TR2 in a file whose name holds .TRG
    code_tr3 = 5,
    code_tr4 = 6,
    code_tr5 = 7,
};

// Version words the reader accepts.
inline constexpr std::uint32_t version_tr1 = 0x00000020;
inline constexpr std::uint32_t version_tr2 = 0x0000002D;
inline constexpr std::uint32_t version_tr3a = 0xFF180038;
inline constexpr std::uint32_t version_tr3b = 0xFF080038;
inline constexpr std::uint32_t version_tr4 = 0x00345254;  // "TR4\0"
inline constexpr std::uint32_t version_tr4_demo = 0xFFFFFFF0;

// Results of load_level and save_level.
enum load_result : std::uint8_t { load_ok = 0, load_no_file = 1, load_not_a_level = 2 };
enum save_result : std::uint8_t { save_ok = 0, save_nothing_loaded = 1 };

inline constexpr std::size_t texture_page_bytes8 = 65536;
inline constexpr std::size_t texture_page_bytes16 = 131072;
inline constexpr std::size_t texture_page_bytes32 = 262144;

// One TR5 layer's geometry as read from the file.
struct ttr5_layer {
    std::vector<ttr5_vertex> vertices;
    std::vector<ttr5_face4> rectangles;
    std::vector<ttr5_face3> triangles;
};

struct troom {
    std::int32_t x = 0, z = 0;
    std::int32_t y_bottom = 0, y_top = 0;
    std::uint32_t num_data_words = 0;  // geometry block size in 16-bit words

    // TR5 layers as read; `num_layers` is their count. The writer writes
    // these; the merged arrays below are for drawing and counting.
    std::uint32_t num_layers = 0;
    std::vector<ttr5_layer_header> layer_headers;
    std::vector<ttr5_layer> layers;

    std::uint16_t num_vertices = 0;
    std::vector<troom_vertex_tr1> vertices_tr1;  // kept in step with `vertices`
    std::vector<troom_vertex> vertices;
    std::vector<ttr5_vertex> tr5_vertices;  // TR5: merged vertices in file form

    std::uint16_t num_rectangles = 0;
    std::vector<tface4> rectangles;
    std::vector<ttr5_face4> tr5_rectangles;

    std::uint16_t num_triangles = 0;
    std::vector<tface3> triangles;
    std::vector<ttr5_face3> tr5_triangles;

    std::uint16_t num_sprites = 0;
    std::vector<troom_sprite> sprites;

    // TR5 room header words, kept to be written back.
    std::uint32_t num_records36 = 0;
    std::vector<ttr5_room_record36> records36;
    std::uint32_t tr5_room_data_size = 0;
    std::uint32_t tr5_sd_end = 0, tr5_sd_start = 0, tr5_separator = 0, tr5_portal_end = 0;
    std::int32_t tr5_y = 0;
    std::uint32_t room_colour = 0;
    std::array<std::uint32_t, 3> tr5_water_words{};
    std::array<std::uint8_t, 16> tr5_room_block{};
    std::uint32_t tr5_null_marker = 0;
    std::array<std::uint32_t, 5> tr5_face_counts{};  // [3] is the light data size
    std::uint32_t tr5_y_top = 0, tr5_y_bottom = 0;
    std::array<std::uint32_t, 5> tr5_offsets{};
    std::int32_t tr5_unread_bytes = 0;
    // TR5 bytes the program does not interpret, written back as read: the
    // room head (empty for a room made in memory), the two bytes after the
    // portals and after an odd number of triangles, and whatever follows the
    // last vertex up to the room's declared end.
    std::vector<std::uint8_t> tr5_head_bytes;
    std::array<std::uint8_t, 2> tr5_portal_filler{0xCD, 0xCD};
    std::array<std::uint8_t, 2> tr5_face_filler{0xCD, 0xCD};
    std::vector<std::uint8_t> tr5_tail;

    std::uint16_t num_portals = 0;
    std::vector<tportal> portals;

    std::uint16_t num_z_sectors = 0, num_x_sectors = 0;
    std::vector<tsector> sectors;  // num_z_sectors * num_x_sectors

    std::array<std::uint8_t, 2> ambient{};
    std::int16_t ambient2 = 0;    // codes 3 to 6
    std::int16_t light_mode = 0;  // codes 3, 4

    std::uint16_t num_lights = 0;
    std::vector<tlight_tr1> lights_tr1;  // codes 1, 2
    std::vector<tlight_tr2> lights_tr2;  // codes 3 to 5
    std::vector<tlight_tr4> lights_tr4;  // code 6
    std::vector<tlight_tr5> lights_tr5;  // code 7

    std::uint16_t num_static_meshes = 0;
    std::vector<troom_static_tr1> statics_tr1;  // codes 1, 2
    std::vector<troom_static> statics;          // codes 3 to 7

    std::int16_t alternate_room = 0;  // codes 1 to 6
    std::array<std::uint8_t, 2> flags{};
    std::array<std::uint8_t, 2> water_scheme{};  // codes 5, 6
    std::uint8_t alternate_group = 0;            // codes 5, 6
    std::array<std::uint8_t, 2> tr5_header_word{};
};

class Ttrlevel {
public:
    Ttrlevel() = default;
    Ttrlevel(const Ttrlevel&) = delete;
    Ttrlevel& operator=(const Ttrlevel&) = delete;
    Ttrlevel(Ttrlevel&&) = default;
    Ttrlevel& operator=(Ttrlevel&&) = default;
    ~Ttrlevel();

    // Reads a level file of any generation, plain or in the "ZLIB" container.
    // Returns load_ok, load_no_file or load_not_a_level; on a failed read the
    // level held before is left as it was. Input/output errors of the system
    // are thrown as std::system_error.
    std::uint8_t load_level(const std::string& path);

    // Reads a level from bytes already in memory; `path` stands for the file
    // name the version code is taken from. Same results as load_level.
    std::uint8_t load_level_from_memory(std::vector<std::uint8_t> bytes, const std::string& path);

    // Writes the level to `path` in the layout of its generation (the TR1 to
    // TR3 families take their layout from the new name), in a "ZLIB"
    // container when it was read from one. An unedited level is written with
    // the bytes that were read; an edit changes only what it edits. The file
    // is replaced whole or not at all. Returns save_ok or save_nothing_loaded; system
    // errors are thrown as std::system_error and leave the old file untouched.
    std::uint8_t save_level(const std::string& path);

    // Resizes `frames` to n words, keeping the first ones.
    void set_num_frames(std::uint32_t n);

    bool is_loaded() const { return loaded_tag == "Vornisk"; }

    // --- counts -----------------------------------------------------------
    std::uint16_t num_rooms = 0;
    std::uint32_t num_floor_data = 0;
    std::uint32_t num_mesh_data = 0;
    std::uint32_t num_mesh_pointers = 0;
    std::uint32_t num_animations = 0;
    std::uint32_t num_state_changes = 0;
    std::uint32_t num_anim_dispatches = 0;
    std::uint32_t num_anim_commands = 0;
    std::uint32_t num_mesh_trees = 0;
    std::uint32_t num_frames = 0;
    std::uint32_t num_moveables = 0;
    std::uint32_t num_static_meshes = 0;
    std::uint32_t num_object_textures = 0;
    std::uint32_t num_sprite_textures = 0;
    std::uint32_t num_sprite_sequences = 0;
    std::uint32_t num_cameras = 0;
    std::uint32_t num_flyby_cameras = 0;
    std::uint32_t num_sound_sources = 0;
    std::uint32_t num_boxes = 0;
    std::uint32_t num_overlaps = 0;
    std::uint32_t num_zones = 0;
    std::uint32_t num_animated_textures = 0;
    std::uint32_t num_items = 0;
    std::uint32_t num_cinematic_frames = 0;  // or AI objects, codes 6 and 7
    std::uint32_t num_demo_data = 0;
    std::uint32_t num_sound_details = 0;
    std::uint32_t num_sample_indices = 0;

    // --- identity ---------------------------------------------------------
    std::string loaded_tag;  // "Vornisk" while a level is loaded
    std::uint32_t version = 0;
    std::int32_t version_code = code_none;

    // --- texture pages ----------------------------------------------------
    std::array<std::uint16_t, 3> textile_counts{};
    std::uint32_t textile32_size = 0, textile32_packed_size = 0;
    std::uint32_t textile16_size = 0, textile16_packed_size = 0;
    std::uint32_t misc_textile_size = 0, misc_textile_packed_size = 0;
    std::uint32_t textile8_size = 0;
    std::uint32_t num_texture_pages = 0;
    std::vector<std::uint8_t> textile8;      // codes 1 to 5
    std::vector<std::uint8_t> textile16;     // codes 3 to 7
    std::vector<std::uint8_t> textile32;     // codes 6, 7
    std::vector<std::uint8_t> misc_textile;  // codes 6, 7

    std::uint32_t rooms_prefix_word = 0;  // the word before the room count
    std::array<std::uint8_t, 32> tr5_header{};
    std::array<std::uint32_t, 2> tr5_data_size{};
    // TR5: the bytes between the level body and the sample block.
    std::vector<std::uint8_t> tr5_gap{0xCD, 0xCD, 0xCD, 0xCD};

    // --- level body -------------------------------------------------------
    std::vector<troom> rooms;
    std::vector<std::uint16_t> floor_data;
    std::vector<std::uint16_t> mesh_data;
    std::vector<std::uint32_t> mesh_pointers;  // byte offsets into mesh_data
    std::vector<tanimation> animations;
    std::vector<tstate_change> state_changes;
    std::vector<tanim_dispatch> anim_dispatches;
    std::vector<std::uint16_t> anim_commands;
    std::vector<std::int32_t> mesh_trees;
    std::vector<std::int16_t> frames;
    std::vector<tmoveable> moveables;
    std::vector<tstatic_mesh> static_meshes;
    std::array<std::uint8_t, 5> tex_tag{};  // TR4: 4 bytes used, TR5: 5
    std::vector<tobject_texture> object_textures;
    std::array<std::uint8_t, 4> spr_tag{};  // TR4: 3 bytes used, TR5: 4
    std::vector<tsprite_texture> sprite_textures;
    std::vector<tsprite_sequence> sprite_sequences;
    std::vector<tcamera> cameras;
    std::vector<tflyby_camera> flyby_cameras;
    std::vector<tsound_source> sound_sources;
    std::vector<tbox_tr1> boxes_tr1;  // codes 1, 2
    std::vector<tbox> boxes;          // codes 3 to 7
    std::vector<std::uint16_t> overlaps;
    std::array<std::vector<std::uint16_t>, 10> zones;
    std::vector<std::uint16_t> animated_textures;
    std::vector<titem_tr1> items_tr1;  // kept in step with `items`
    std::vector<titem> items;
    std::array<std::uint8_t, 8192> light_map{};   // codes 1 to 5
    std::array<std::uint8_t, 768> palette{};      // codes 1 to 5
    std::array<std::uint8_t, 1024> palette16{};   // codes 3 to 5
    std::vector<tcinematic_frame> cinematic_frames;  // codes 1 to 5
    std::vector<tai_object> ai_objects;              // codes 6, 7
    std::vector<std::uint8_t> demo_data;
    // 512 bytes for codes 1, 2; 740 for 3 to 6; 900 for 7; a TRNG level's
    // sound map holds as many 16-bit entries as its file says.
    std::vector<std::uint8_t> sound_map;
    std::vector<tsound_detail> sound_details;
    std::uint32_t samples_size = 0;
    std::uint32_t num_samples = 0;     // codes 6, 7
    std::vector<std::uint8_t> samples;  // codes 1, 2, 6, 7 (TRNG trailer included)
    std::vector<std::uint32_t> sample_indices;

    // --- beyond the classic layout -----------------------------------------
    // TR4: bytes of the unpacked level data that follow its last block.
    std::vector<std::uint8_t> level_data_tail;
    // The level was made with the TRNG editor: its file ends with an "NG"
    // trailer, and its sound map stands where the demo data would be.
    bool trng = false;
    // The level was read from a "ZLIB" container (and is saved in one).
    bool from_container = false;
    // The file ended before every block its counts announced could be read:
    // what is missing cannot be restored by saving.
    bool truncated = false;

    // What the save needs of the file as read to write back what was not
    // edited with the bytes that were read.
    tread_origin origin;

    // Not owned; may be null.
    ProgressSink* gauge = nullptr;
    MessageSink* messages = nullptr;

    // Releases the texture and sample buffers the current generation owns,
    // and what was kept of the file read.
    void release_buffers();

private:
    std::uint8_t read_opened(TZFile& file, const std::string& path);
    void put_in_container(TZFile& file) const;
    void progress(int percent) const
    {
        if (gauge) gauge->set_progress(percent);
    }
    friend class LevelReader;
    friend class LevelWriter;
};

// The version code the TR1 to TR3 families take from a version word and a
// path (substring tests, case-sensitive, in exactly the two cases given).
// Codes 6 and 7 are told apart by ".TRC"/".trc". Returns 0 for an unknown word.
std::int32_t version_code_for(std::uint32_t version, const std::string& path);

// Name of a generation for reports: "TR1", "TR1 Unfinished Business", ...
const char* generation_name(std::int32_t version_code);

// Converts items between their TR1 and later forms.
titem item_from_tr1(const titem_tr1& item);
titem_tr1 item_to_tr1(const titem& item);

}  // namespace kelanim
