#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "level/ttrlevel.h"
#include "realdata.h"
#include "synthetic_level.h"

using namespace kelanim;
using namespace kelanim::test;
namespace fs = std::filesystem;

namespace {

const char* extension_for(int code)
{
    switch (code) {
    case 1: return ".phd";
    case 2: return ".tub";
    case 3: return ".tr2";
    case 4: return ".trg.tr2";
    case 5: return ".tr2";
    case 6: return ".tr4";
    default: return ".trc";
    }
}

fs::path write_level(const Bytes& bytes, const std::string& name)
{
    fs::path path = output_dir("reader") / name;
    bytes.save(path);
    return path;
}

class CollectMessages : public MessageSink {
public:
    void show_message(std::string_view text) override { messages.emplace_back(text); }
    std::vector<std::string> messages;
};

class CollectProgress : public ProgressSink {
public:
    void set_progress(int percent) override { values.push_back(percent); }
    std::vector<int> values;
};

class ReaderByCode : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(ReaderByCode, ReadsEveryBlockOfTheGeneration)
{
    const int code = GetParam();
    using F = SyntheticFacts;
    fs::path path = write_level(synthetic_level(code), std::string("level") + std::to_string(code) + extension_for(code));
    Ttrlevel level;
    CollectProgress progress;
    level.gauge = &progress;
    ASSERT_EQ(level.load_level(path), load_ok);

    EXPECT_EQ(level.version_code, code);
    EXPECT_TRUE(level.is_loaded());
    EXPECT_FALSE(level.truncated);
    EXPECT_FALSE(level.from_container);
    EXPECT_EQ(level.num_texture_pages, F::pages);
    EXPECT_EQ(level.textile8_size, F::pages * 65536);
    if (code <= 5) {
        ASSERT_EQ(level.textile8.size(), 65536u);
        EXPECT_EQ(level.textile8[1], 8);
        EXPECT_EQ(level.rooms_prefix_word, 0xDEADBEEF);
    }
    if (code >= 3) {
        ASSERT_EQ(level.textile16.size(), 131072u);
        EXPECT_EQ(level.textile16[1], code >= 6 ? 11 : 9);
    }
    if (code >= 6) {
        EXPECT_EQ(level.textile32.size(), 262144u);
        EXPECT_EQ(level.textile32_size, 262144u);
        EXPECT_EQ(level.misc_textile_size, 2 * 262144u);
        EXPECT_EQ(level.textile_counts[0], 1);
        EXPECT_EQ(level.num_samples, 2u);
        EXPECT_EQ(level.samples_size, 8u);
        EXPECT_EQ(level.level_data_tail.size(), 6u);
        EXPECT_EQ(level.num_flyby_cameras, 1u);
        EXPECT_EQ(level.spr_tag[0], 'S');
        EXPECT_EQ(level.tex_tag[0], 'T');
    }

    // The room, with both vertex forms in step.
    ASSERT_EQ(level.num_rooms, 1);
    const troom& room = level.rooms[0];
    EXPECT_EQ(room.x, F::room_x);
    EXPECT_EQ(room.z, F::room_z);
    EXPECT_EQ(room.y_top, F::room_y_top);
    ASSERT_EQ(room.num_vertices, F::num_vertices);
    ASSERT_EQ(room.vertices.size(), F::num_vertices);
    ASSERT_EQ(room.vertices_tr1.size(), F::num_vertices);
    for (int v = 0; v < F::num_vertices; ++v) {
        EXPECT_EQ(room.vertices[v].x, v * 1024);
        EXPECT_EQ(room.vertices_tr1[v].z, v * 512);
        EXPECT_EQ(room.vertices[v].lighting, room.vertices_tr1[v].lighting);
        EXPECT_EQ(room.vertices[v].attributes, code <= 2 ? 16 : 0x8000);
        EXPECT_EQ(room.vertices[v].colour, code <= 2 ? 0x3DEF : (0x7C00 | v));
    }
    EXPECT_EQ(room.num_rectangles, F::num_rectangles);
    EXPECT_EQ(room.rectangles[0].vertices[3], 3);
    EXPECT_EQ(room.num_triangles, F::num_triangles);
    EXPECT_EQ(room.triangles[1].texture, 0x8003);
    EXPECT_EQ(room.num_sprites, F::num_sprites);
    EXPECT_EQ(room.num_portals, 1);
    EXPECT_EQ(room.sectors.size(), std::size_t{F::z_sectors} * F::x_sectors);
    EXPECT_EQ(room.sectors[5].bytes[0], 0x55);
    EXPECT_EQ(room.ambient2, code >= 3 ? 0x0123 : 0);
    EXPECT_EQ(room.light_mode, code == 3 || code == 4 ? 1 : 0);
    EXPECT_EQ(room.num_lights, 1);
    EXPECT_EQ(room.num_static_meshes, 1);
    EXPECT_EQ(room.alternate_room, -1);
    EXPECT_EQ(room.alternate_group, code >= 5 ? 2 : 0);

    // The body. Records of odd sizes are packed, so their fields are read
    // by value (unary plus), never bound to references.
    EXPECT_EQ(level.num_floor_data, F::num_floor_data);
    EXPECT_EQ(level.floor_data[0], 0x8001);
    ASSERT_EQ(level.num_animations, F::num_animations);
    EXPECT_EQ(level.animations[1].frame_offset, 24u);
    EXPECT_EQ(level.animations[1].frame_size, 12);
    EXPECT_EQ(level.animations[1].state_id, 3);
    EXPECT_EQ(level.animations[1].accel, -5);
    EXPECT_EQ(level.animations[1].lateral_speed, code >= 6 ? 7 : 0);
    EXPECT_EQ(level.animations[1].frame_start, 10);
    EXPECT_EQ(level.animations[1].frame_end, 11);
    EXPECT_EQ(level.animations[1].num_anim_commands, 2);
    EXPECT_EQ(level.num_frames, F::num_frames);
    EXPECT_EQ(level.frames[23], 23 * 3 - 20);
    ASSERT_EQ(level.num_moveables, F::num_moveables);
    EXPECT_EQ(level.moveables[1].object_id, 1u);
    EXPECT_EQ(level.moveables[1].animation, -1);
    EXPECT_EQ(level.static_meshes[0].id, 42u);
    ASSERT_EQ(level.num_object_textures, F::num_object_textures);
    EXPECT_EQ(+level.object_textures[3].attribute, 3);
    EXPECT_EQ(+level.object_textures[1].corners[1].x_pixel, 16);
    EXPECT_EQ(+level.object_textures[1].corners[3].y_coord, -1);
    EXPECT_EQ(+level.object_textures[2].flags, code >= 6 ? 1 : 0);
    EXPECT_EQ(+level.object_textures[2].tr4_extra[3], code >= 6 ? 4u : 0u);
    EXPECT_EQ(level.num_boxes, F::num_boxes);
    EXPECT_EQ(level.num_zones, F::num_boxes);
    // TR1 keeps its six zone arrays in slots 0, 1, 4, 5, 6, 9.
    EXPECT_EQ(level.zones[4][1], code <= 2 ? 2 * 16 + 1 : 4 * 16 + 1);
    EXPECT_EQ(level.zones[9][0], code <= 2 ? 5 * 16 : 9 * 16);
    EXPECT_EQ(level.zones[2][0], code <= 2 ? 0 : 2 * 16);

    ASSERT_EQ(level.num_items, F::num_items);
    EXPECT_EQ(+level.items[1].x, 1024);
    EXPECT_EQ(+level.items_tr1[1].z, 2048);
    if (code <= 2) {
        EXPECT_EQ(+level.items[0].intensity1, 255);
        EXPECT_EQ(+level.items[0].intensity2, 31);
    } else {
        EXPECT_EQ(+level.items[0].intensity1, 0x1234);
        EXPECT_EQ(+level.items_tr1[0].intensity[0], 0x34);
        EXPECT_EQ(+level.items_tr1[0].intensity[1], 0x67);
    }
    EXPECT_EQ(level.num_cinematic_frames, 1u);
    EXPECT_EQ(level.num_demo_data, F::num_demo_data);
    EXPECT_EQ(level.demo_data[2], 3);
    EXPECT_EQ(level.sound_map.size(), code <= 2 ? 512u : 740u);
    EXPECT_EQ(level.num_sound_details, 1u);
    if (code <= 2) { EXPECT_EQ(level.samples_size, F::samples_size); }
    ASSERT_EQ(level.num_sample_indices, F::num_sample_indices);
    EXPECT_EQ(level.sample_indices[1], 3u);

    // Entry 0 of the palette is always magenta; the TR1 palette (after the
    // light map), the Unfinished Business palette (after the sprite
    // sequences) and TR2/TR3's (in the head) are all read.
    if (code <= 5) {
        EXPECT_EQ(level.palette[0], 255);
        EXPECT_EQ(level.palette[1], 0);
        EXPECT_EQ(level.palette[2], 255);
        EXPECT_EQ(level.palette[3], F::palette_marker);
    }
    if (code >= 3 && code <= 5) { EXPECT_EQ(level.palette16[5], 5); }

    // The animated-texture group (1 group of textures 1, 2, 3).
    EXPECT_EQ(+level.object_textures[0].anim_group, 0);
    EXPECT_EQ(+level.object_textures[1].anim_group, 1);
    EXPECT_EQ(+level.object_textures[3].anim_group, 1);

    // Progress runs up to 100 and ends at 0.
    ASSERT_FALSE(progress.values.empty());
    EXPECT_EQ(progress.values.front(), 0);
    EXPECT_EQ(progress.values.back(), 0);
    EXPECT_NE(std::find(progress.values.begin(), progress.values.end(), 100), progress.values.end());
    EXPECT_NE(std::find(progress.values.begin(), progress.values.end(), 80), progress.values.end());
}

TEST_P(ReaderByCode, ReadsTheSameLevelFromTheContainer)
{
    const int code = GetParam();
    fs::path plain = write_level(synthetic_level(code), "plain" + std::to_string(code) + extension_for(code));
    fs::path packed = write_level(in_container(synthetic_level(code)), "packed" + std::to_string(code) + extension_for(code));
    Ttrlevel a, b;
    ASSERT_EQ(a.load_level(plain), load_ok);
    ASSERT_EQ(b.load_level(packed), load_ok);
    EXPECT_TRUE(b.from_container);
    EXPECT_FALSE(b.truncated);
    EXPECT_EQ(a.frames, b.frames);
    EXPECT_EQ(a.textile16, b.textile16);
    EXPECT_EQ(a.num_items, b.num_items);
    EXPECT_EQ(a.level_data_tail, b.level_data_tail);
}

INSTANTIATE_TEST_SUITE_P(Generations, ReaderByCode, ::testing::Values(1, 2, 3, 4, 5, 6));

TEST(Reader, VersionCodeComesFromSubstringsOfTheWholePath)
{
    EXPECT_EQ(version_code_for(version_tr1, "/a/level.TUB.phd"), code_tr1_ub);
    EXPECT_EQ(version_code_for(version_tr1, "/a/level.Tub"), code_tr1);
    EXPECT_EQ(version_code_for(version_tr1, "/levels.tub/x.phd"), code_tr1_ub);
    EXPECT_EQ(version_code_for(version_tr2, "x.TRG"), code_tr2_trg);
    EXPECT_EQ(version_code_for(version_tr2, "x.Trg"), code_tr2);
    EXPECT_EQ(version_code_for(version_tr3b, "x.phd"), code_tr3);
    EXPECT_EQ(version_code_for(version_tr4, "x.trc"), code_tr5);
    EXPECT_EQ(version_code_for(version_tr4, "x.tr4"), code_tr4);
    EXPECT_EQ(version_code_for(version_tr4_demo, "x.TRC"), code_tr5);
    EXPECT_EQ(version_code_for(version_tr4_demo, "x.tr4"), code_tr4);
    EXPECT_EQ(version_code_for(0x1234, "x.tr4"), code_none);
}

TEST(Reader, AcceptsTheDemoVersionWordOfTr4)
{
    Bytes bytes = synthetic_level(6);
    bytes.patch_u32(0, version_tr4_demo);
    Ttrlevel level;
    ASSERT_EQ(level.load_level(write_level(bytes, "demo.tr4")), load_ok);
    EXPECT_EQ(level.version, version_tr4_demo);
    EXPECT_EQ(level.version_code, code_tr4);
}

TEST(Reader, TrngLevelKeepsItsSoundMapAndTrailer)
{
    Bytes bytes = synthetic_trng_level();
    Ttrlevel level;
    ASSERT_EQ(level.load_level(write_level(bytes, "trng.tr4")), load_ok);
    EXPECT_TRUE(level.trng);
    EXPECT_FALSE(level.truncated);
    EXPECT_EQ(level.num_demo_data, 0u);
    ASSERT_EQ(level.sound_map.size(), 4096u);
    EXPECT_EQ(level.sound_map[14], 7);  // entry 7
    EXPECT_EQ(level.sound_map[2], 0xFF);
    EXPECT_EQ(level.num_sound_details, 1u);
    EXPECT_EQ(level.num_sample_indices, SyntheticFacts::num_sample_indices);
    // The trailer stays with the samples, to be written back.
    ASSERT_GE(level.samples.size(), 8u);
    EXPECT_EQ(std::string(level.samples.end() - 8, level.samples.end() - 4), "NGLE");
}

TEST(Reader, MissingFileOrForeignFileLeavesTheLevelHeldBefore)
{
    Ttrlevel level;
    ASSERT_EQ(level.load_level(write_level(synthetic_level(3), "kept.tr2")), load_ok);
    const auto pages = level.textile8;

    EXPECT_EQ(level.load_level((output_dir("reader") / "does-not-exist.tr2").string()), load_no_file);
    Bytes foreign;
    foreign.u32(0x12345678).fill(100, 1);
    EXPECT_EQ(level.load_level(write_level(foreign, "foreign.tr2")), load_not_a_level);
    // A 12-byte file that starts with "ZLIB" is plain bytes, not a container.
    Bytes short_magic;
    short_magic.text("ZLIB").u32(4).u32(4);
    EXPECT_EQ(level.load_level(write_level(short_magic, "short.tr2")), load_not_a_level);

    EXPECT_TRUE(level.is_loaded());
    EXPECT_EQ(level.version_code, code_tr2);
    EXPECT_EQ(level.version, version_tr2);
    EXPECT_EQ(level.textile8, pages);
    EXPECT_EQ(level.num_frames, SyntheticFacts::num_frames);
}

TEST(Reader, SecondReadKeepsFieldsTheNewGenerationDoesNotRead)
{
    Ttrlevel level;
    ASSERT_EQ(level.load_level(write_level(synthetic_level(6), "first.tr4")), load_ok);
    ASSERT_EQ(level.animations[1].lateral_speed, 7);
    ASSERT_FALSE(level.textile32.empty());
    ASSERT_EQ(level.load_level(write_level(synthetic_level(1), "second.phd")), load_ok);
    EXPECT_EQ(level.version_code, code_tr1);
    EXPECT_EQ(level.animations[1].lateral_speed, 7);  // TR1 has no such field
    EXPECT_TRUE(level.textile32.empty());             // released with the TR4 level
    EXPECT_EQ(level.textile8.size(), 65536u);
    EXPECT_TRUE(level.level_data_tail.empty());
}

TEST(Reader, DamagedContainerIsReportedAndMarksTheLevel)
{
    Bytes packed = in_container(synthetic_level(1));
    // Keep the head, spoil the stream past its first few hundred bytes.
    for (std::size_t i = 400; i < packed.size(); i += 3) packed.data()[i] ^= 0x5A;
    Ttrlevel level;
    CollectMessages messages;
    level.messages = &messages;
    std::uint8_t result = level.load_level(write_level(packed, "damaged.phd"));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], "Zlib Error, your compressed data has errors!");
    if (result == load_ok) { EXPECT_TRUE(level.truncated); }
}

TEST(Reader, AbsurdCountsAreCutToWhatTheFileHolds)
{
    // The floor-data count of a TR1 level is the first word after the room.
    Bytes head = synthetic_level(1, 0);
    Bytes room = detail::classic_room(1);
    std::size_t floor_count_at = 4 + 4 + 4 + 2 + room.size();
    head.patch_u32(floor_count_at, 0xFFFFFFFF);
    Ttrlevel level;
    ASSERT_EQ(level.load_level(write_level(head, "absurd.phd")), load_ok);
    EXPECT_TRUE(level.truncated);
    EXPECT_LT(level.floor_data.size(), head.size());
    EXPECT_EQ(level.num_floor_data, level.floor_data.size());
}

// Cutting a level short anywhere, or spoiling bytes of it, must never crash
// or read out of bounds; a cut level says it ended early.
TEST(Reader, TruncatedAtEveryOffsetNeverFails)
{
    for (int code : {1, 2, 3, 4, 5, 6}) {
        Bytes whole = synthetic_level(code, 0);
        const std::string name = std::string("cut") + extension_for(code);
        Ttrlevel level;
        const std::size_t stride = 1;
        for (std::size_t cut = 4; cut < whole.size(); cut += stride) {
            std::vector<std::uint8_t> part(whole.data().begin(), whole.data().begin() + cut);
            ASSERT_EQ(level.load_level_from_memory(std::move(part), name), load_ok) << "code " << code << " cut at " << cut;
            // TR4 samples run to the end of the file, so cutting them cannot be told.
            const bool inside_samples = code >= 6 && cut >= whole.size() - 8;
            if (!inside_samples) {
                ASSERT_TRUE(level.truncated) << "code " << code << " cut at " << cut;
            }
            ASSERT_EQ(level.frames.size(), level.num_frames);
            ASSERT_EQ(level.rooms.size(), level.num_rooms);
        }
    }
}

TEST(Reader, SpoiledBytesNeverFail)
{
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    for (int code : {1, 3, 5, 6}) {
        const Bytes whole = synthetic_level(code, 0);
        const std::string name = std::string("spoiled") + extension_for(code);
        for (int round = 0; round < 150; ++round) {
            Bytes spoiled = whole;
            for (int flips = 0; flips < 8; ++flips) spoiled.data()[4 + next() % (spoiled.size() - 4)] = static_cast<std::uint8_t>(next());
            Ttrlevel level;
            level.load_level_from_memory(spoiled.data(), name);
            ASSERT_EQ(level.frames.size(), level.num_frames);
        }
    }
}

TEST(RealLevels, EveryLevelReadsWithConsistentCounts)
{
    KELANIM_REQUIRE_REALDATA();
    for (const fs::path& path : real_levels()) {
        SCOPED_TRACE(path.filename().string());
        Ttrlevel level;
        ASSERT_EQ(level.load_level(path), load_ok);
        EXPECT_FALSE(level.truncated);
        EXPECT_GE(level.version_code, code_tr1);
        EXPECT_GT(level.num_moveables, 0u);
        EXPECT_GT(level.num_texture_pages, 0u);

        // Each moveable's animations lie inside the animation array, and its
        // bones inside the mesh pointers and the mesh tree.
        for (const tmoveable& m : level.moveables) {
            if (m.animation >= 0) { EXPECT_LT(static_cast<std::uint32_t>(m.animation), level.num_animations); }
            EXPECT_LE(std::uint32_t{m.starting_mesh} + m.num_meshes, level.num_mesh_pointers);
            if (m.num_meshes > 1) { EXPECT_LE(m.mesh_tree + 4 * (m.num_meshes - 1u), level.num_mesh_trees); }
        }
        for (const tanimation& a : level.animations) EXPECT_LT(a.frame_offset / 2, level.num_frames);
        for (std::uint32_t p : level.mesh_pointers) EXPECT_LT(p / 2, level.num_mesh_data);
        for (const tstate_change& s : level.state_changes)
            EXPECT_LE(std::uint32_t{s.anim_dispatch} + s.num_anim_dispatches, level.num_anim_dispatches);
        EXPECT_EQ(level.num_zones, level.num_boxes);
        EXPECT_EQ(level.palette[0], 255);
        for (const troom& room : level.rooms) {
            for (const tface4& f : room.rectangles)
                for (std::uint16_t v : f.vertices) EXPECT_LT(v, room.num_vertices);
            for (const tface3& f : room.triangles)
                for (std::uint16_t v : f.vertices) EXPECT_LT(v, room.num_vertices);
        }
    }
}
