#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "level/ttrlevel.h"
#include "level_files.h"
#include "realdata.h"
#include "synthetic_level.h"

using namespace kelanim;
using namespace kelanim::test;
namespace fs = std::filesystem;

namespace {

fs::path write_level(const Bytes& bytes, const std::string& name)
{
    fs::path path = output_dir("reader") / name;
    bytes.save(path);
    return path;
}

struct Collect : MessageSink, ProgressSink {
    void show_message(std::string_view text) override { messages.emplace_back(text); }
    void set_progress(int percent) override { progress.push_back(percent); }
    std::vector<std::string> messages;
    std::vector<int> progress;
};

class ReaderByCode : public ::testing::TestWithParam<int> {};

}  // namespace

// The real levels judge most of the layout (their round trips are byte for
// byte, and every subsystem reads them); these checks cover the generations
// without a real file (.tub, .TRG) and what the reader works out rather than
// copies: the fields a generation lacks, the other vertex and item forms, TR1's
// zone slots and where each generation keeps its palette.
TEST_P(ReaderByCode, ReadsEveryBlockOfTheGeneration)
{
    const int code = GetParam();
    using F = SyntheticFacts;
    Ttrlevel level;
    Collect sinks;
    level.gauge = &sinks;
    ASSERT_EQ(level.load_level(write_level(synthetic_level(code), name_for(code))), load_ok);
    EXPECT_EQ(level.version_code, code);
    EXPECT_FALSE(level.truncated);
    EXPECT_EQ(level.num_texture_pages, F::pages);
    if (code >= 3) { EXPECT_EQ(level.textile16.at(1), code >= 6 ? 11 : 9); }

    ASSERT_EQ(level.num_rooms, 1);
    const troom& room = level.rooms[0];
    ASSERT_EQ(room.vertices.size(), F::num_vertices);
    ASSERT_EQ(room.vertices_tr1.size(), F::num_vertices);
    for (int v = 0; v < F::num_vertices; ++v) {
        EXPECT_EQ(room.vertices_tr1[v].z, v * 512);
        EXPECT_EQ(room.vertices[v].lighting, room.vertices_tr1[v].lighting);
        EXPECT_EQ(room.vertices[v].attributes, code <= 2 ? 16 : 0x8000);
        EXPECT_EQ(room.vertices[v].colour, code <= 2 ? 0x3DEF : (0x7C00 | v));
    }
    EXPECT_EQ(room.ambient2, code >= 3 ? 0x0123 : 0);
    EXPECT_EQ(room.light_mode, code == 3 || code == 4 ? 1 : 0);
    EXPECT_EQ(room.alternate_group, code >= 5 ? 2 : 0);

    // Packed records are read by value (unary plus), never bound to references.
    ASSERT_EQ(level.num_animations, F::num_animations);
    EXPECT_EQ(level.animations[1].frame_offset, 24u);
    EXPECT_EQ(level.animations[1].lateral_speed, code >= 6 ? 7 : 0);
    EXPECT_EQ(level.animations[1].frame_end, 11);
    ASSERT_EQ(level.num_frames, F::num_frames);
    EXPECT_EQ(level.frames[23], 23 * 3 - 20);
    ASSERT_EQ(level.num_object_textures, F::num_object_textures);
    EXPECT_EQ(+level.object_textures[1].corners[3].y_coord, -1);
    EXPECT_EQ(+level.object_textures[2].flags, code >= 6 ? 1 : 0);
    EXPECT_EQ(+level.object_textures[2].tr4_extra[3], code >= 6 ? 4u : 0u);
    EXPECT_EQ(+level.object_textures[0].anim_group, 0);  // one group of textures 1, 2, 3
    EXPECT_EQ(+level.object_textures[3].anim_group, 1);
    // TR1 keeps its six zone arrays in slots 0, 1, 4, 5, 6, 9.
    EXPECT_EQ(level.zones[4][1], code <= 2 ? 2 * 16 + 1 : 4 * 16 + 1);
    EXPECT_EQ(level.zones[2][0], code <= 2 ? 0 : 2 * 16);
    ASSERT_EQ(level.num_items, F::num_items);
    EXPECT_EQ(+level.items[0].intensity1, code <= 2 ? 255 : 0x1234);
    EXPECT_EQ(+level.items[0].intensity2, code <= 2 ? 0x1F : 0x0567);
    EXPECT_EQ(+level.items_tr1[0].intensity[1], code <= 2 ? 0x1F : 0x67);
    EXPECT_EQ(level.sound_map.size(), code <= 2 ? 512u : 740u);
    ASSERT_EQ(level.num_sample_indices, F::num_sample_indices);
    EXPECT_EQ(level.sample_indices[1], 3u);
    // Palette entry 0 is kept as read; TR1's palette follows the light map,
    // Unfinished Business's the sprite sequences, TR2/TR3's the version word.
    if (code <= 5) { EXPECT_EQ(level.palette[1] * 256 + level.palette[3], 2 * 256 + F::palette_marker); }
    if (code >= 3 && code <= 5) { EXPECT_EQ(level.palette16[5], 5); }

    ASSERT_FALSE(sinks.progress.empty());
    EXPECT_EQ(sinks.progress.front() + sinks.progress.back(), 0);
    EXPECT_NE(std::find(sinks.progress.begin(), sinks.progress.end(), 100), sinks.progress.end());
}

INSTANTIATE_TEST_SUITE_P(Generations, ReaderByCode, ::testing::Values(1, 2, 3, 4, 5, 6));

TEST(Reader, VersionCodeComesFromTheWordAndSubstringsOfTheWholePath)
{
    struct Row {
        std::uint32_t version;
        const char* path;
        int code;
    };
    for (const Row& r : {Row{version_tr1, "/a/level.TUB.phd", code_tr1_ub}, Row{version_tr1, "/a/level.Tub", code_tr1},
                         Row{version_tr1, "/levels.tub/x.phd", code_tr1_ub}, Row{version_tr2, "x.TRG", code_tr2_trg},
                         Row{version_tr2, "x.Trg", code_tr2}, Row{version_tr3b, "x.phd", code_tr3}, Row{version_tr4, "x.trc", code_tr5},
                         Row{version_tr4, "x.tr4", code_tr4}, Row{version_tr4_demo, "x.TRC", code_tr5},
                         Row{version_tr4_demo, "x.tr4", code_tr4}, Row{0x1234, "x.tr4", code_none}})
        EXPECT_EQ(version_code_for(r.version, r.path), r.code) << r.path;

    Bytes demo = synthetic_level(6);
    demo.patch_u32(0, version_tr4_demo);
    Ttrlevel level;
    ASSERT_EQ(level.load_level(write_level(demo, "demo.tr4")), load_ok);
    EXPECT_EQ(level.version, version_tr4_demo);
    EXPECT_EQ(level.version_code, code_tr4);
    EXPECT_FALSE(level.truncated);
}

TEST(Reader, FailedReadLeavesTheLevelHeldBeforeAndASecondReadKeepsWhatItDoesNotRead)
{
    Ttrlevel level;
    ASSERT_EQ(level.load_level(write_level(synthetic_level(3), "kept.tr2")), load_ok);
    const auto pages = level.textile8;

    EXPECT_EQ(level.load_level((output_dir("reader") / "does-not-exist.tr2").string()), load_no_file);
    EXPECT_EQ(level.load_level(write_level(Bytes().u32(0x12345678).fill(100, 1), "foreign.tr2")), load_not_a_level);
    // A 12-byte file that starts with "ZLIB" is plain bytes, not a container.
    EXPECT_EQ(level.load_level(write_level(Bytes().text("ZLIB").u32(4).u32(4), "short.tr2")), load_not_a_level);
    EXPECT_TRUE(level.is_loaded());
    EXPECT_EQ(level.version_code, code_tr2);
    EXPECT_EQ(level.textile8, pages);
    EXPECT_EQ(level.num_frames, SyntheticFacts::num_frames);

    ASSERT_EQ(level.load_level(write_level(synthetic_level(6), "first.tr4")), load_ok);
    ASSERT_EQ(level.load_level(write_level(synthetic_level(1), "second.phd")), load_ok);
    EXPECT_EQ(level.animations[1].lateral_speed, 7);  // TR1 has no such field
    EXPECT_TRUE(level.textile32.empty());             // released with the TR4 level
    EXPECT_TRUE(level.level_data_tail.empty());
}

TEST(Reader, DamagedContainerIsReportedAndMarksTheLevel)
{
    Bytes packed = in_container(synthetic_level(1));
    for (std::size_t i = 400; i < packed.size(); i += 3) packed.data()[i] ^= 0x5A;
    Ttrlevel level;
    Collect sinks;
    level.messages = &sinks;
    const std::uint8_t result = level.load_level(write_level(packed, "damaged.phd"));
    EXPECT_EQ(sinks.messages, std::vector<std::string>{"Zlib Error, your compressed data has errors!"});
    if (result == load_ok) { EXPECT_TRUE(level.truncated); }
}

// An absurd count is cut to what the file holds; a level cut short anywhere
// never reads out of bounds and says it ended early. (Spoiled bytes are the
// fuzz target's.)
TEST(Reader, AbsurdCountsAndTruncatedLevelsStayWithinTheFile)
{
    Bytes absurd = synthetic_level(1, 0);
    absurd.patch_u32(4 + 4 + 4 + 2 + detail::classic_room(1).size(), 0xFFFFFFFF);  // the floor-data count
    Ttrlevel level;
    ASSERT_EQ(level.load_level(write_level(absurd, "absurd.phd")), load_ok);
    EXPECT_TRUE(level.truncated);
    EXPECT_LT(level.floor_data.size(), absurd.size());
    EXPECT_EQ(level.num_floor_data, level.floor_data.size());

    for (int code : {1, 2, 3, 4, 5, 6}) {
        SCOPED_TRACE(code);
        const Bytes whole = synthetic_level(code, 0);
        for (std::size_t cut = 4; cut < whole.size(); ++cut) {
            ASSERT_EQ(level.load_level_from_memory({whole.data().begin(), whole.data().begin() + cut}, name_for(code)), load_ok) << cut;
            // TR4 samples run to the end of the file, so cutting them cannot be told.
            if (code <= 5 || cut < whole.size() - 8) { ASSERT_TRUE(level.truncated) << cut; }
            ASSERT_EQ(level.frames.size(), level.num_frames);
            ASSERT_EQ(level.rooms.size(), level.num_rooms);
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
        EXPECT_GT(level.num_moveables * level.num_texture_pages, 0u);
        // Moveables, animations, mesh pointers and state changes point inside their arrays.
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
        for (const troom& room : level.rooms) {
            for (const tface4& f : room.rectangles) EXPECT_LT(*std::max_element(f.vertices.begin(), f.vertices.end()), room.num_vertices);
            for (const tface3& f : room.triangles) EXPECT_LT(*std::max_element(f.vertices.begin(), f.vertices.end()), room.num_vertices);
        }
    }
}
