#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>

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

}  // namespace

// The real levels judge most of the layout (their round trips are byte for
// byte, and every subsystem reads them); these checks cover the generations
// without a real file (.tub, .TRG) and what the reader works out rather than
// copies: the fields a generation lacks, the other vertex and item forms, TR1's
// zone slots and where each generation keeps its palette.
TEST(Reader, ReadsEveryBlockOfEachGeneration)
{
    using Values = std::vector<long>;
    // Per generation: 16-bit page byte 1; room ambient2, light mode and alternate group; lateral
    // speed; texture flags and TR4 word; zones [4][1] and [2][0] (TR1 keeps its six zone arrays in
    // slots 0, 1, 4, 5, 6, 9); item intensities and their TR1 form; sound map size; palette entries
    // 1 and 3 (TR1's follows the light map, Unfinished Business's the sprite sequences, TR2/TR3's
    // the version word); 16-bit palette entry 5.
    const Values tr1 = {-1, 0, 0, 0, 0, 0, 0, 33, 0, 255, 0x1F, 0x1F, 512, 2, 0x5A, 0};
    const Values tr2 = {9, 0x123, 1, 0, 0, 0, 0, 65, 32, 0x1234, 0x567, 0x67, 740, 2, 0x5A, 5};
    Values tr3 = tr2, tr4 = {11, 0x123, 0, 2, 7, 1, 4, 65, 32, 0x1234, 0x567, 0x67, 740, 0, 0, 0};
    tr3[2] = 0, tr3[3] = 2;
    const Values expected[] = {{}, tr1, tr1, tr2, tr2, tr3, tr4};
    for (int code = 1; code <= 6; ++code) {
        SCOPED_TRACE(code);
        Ttrlevel level;
        Collect sinks;
        level.gauge = &sinks;
        ASSERT_EQ(level.load_level(write_level(synthetic_level(code), name_for(code))), load_ok);
        ASSERT_EQ((Values{level.version_code, level.truncated, level.num_rooms}), (Values{code, 0, 1}));
        const troom& room = level.rooms[0];
        ASSERT_EQ(room.vertices.size() * 10 + room.vertices_tr1.size(), 44u);
        for (long v = 0; v < 4; ++v)
            EXPECT_EQ((Values{room.vertices_tr1[v].z, room.vertices[v].lighting - room.vertices_tr1[v].lighting,
                              room.vertices[v].attributes, room.vertices[v].colour}),
                      (Values{v * 512, 0, code <= 2 ? 16 : 0x8000, code <= 2 ? 0x3DEF : (0x7C00 | v)}))
                << v;
        // Packed records are read by value (unary plus), never bound to references.
        ASSERT_EQ(level.num_animations * level.num_object_textures * level.num_items, 2u * 4 * 2);
        EXPECT_EQ(Values({level.textile16.empty() ? -1 : level.textile16.at(1), room.ambient2, room.light_mode,
                          room.alternate_group, level.animations[1].lateral_speed, +level.object_textures[2].flags,
                          +level.object_textures[2].tr4_extra[3], level.zones[4][1], level.zones[2][0],
                          +level.items[0].intensity1, +level.items[0].intensity2, +level.items_tr1[0].intensity[1],
                          long(level.sound_map.size()), level.palette[1], level.palette[3], level.palette16[5]}),
                  expected[code]);
        EXPECT_EQ(Values({level.num_texture_pages, level.animations[1].frame_offset, level.animations[1].frame_end, level.num_frames,
                          level.frames[23], +level.object_textures[1].corners[3].y_coord, +level.object_textures[0].anim_group,
                          +level.object_textures[3].anim_group, level.num_sample_indices, level.sample_indices[1]}),
                  Values({1, 24, 11, 24, 23 * 3 - 20, -1, 0, 1, 2, 3}));  // one group of animated textures 1, 2, 3
        ASSERT_FALSE(sinks.progress.empty());  // from 0 through 100 back to 0
        EXPECT_TRUE(sinks.progress.front() + sinks.progress.back() == 0 && std::ranges::count(sinks.progress, 100) > 0);
    }
}

TEST(Reader, VersionCodeComesFromTheWordAndSubstringsOfTheWholePath)
{
    struct Row { std::uint32_t version; const char* path; int code; };
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
    EXPECT_EQ((std::tuple{level.version, level.version_code, level.truncated}), (std::tuple{version_tr4_demo, code_tr4, false}));
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
    EXPECT_TRUE(level.is_loaded() && level.version_code == code_tr2 && level.textile8 == pages &&
                level.num_frames == SyntheticFacts::num_frames);

    // A damaged container is reported, and marks the level if it reads at all.
    Bytes damaged = in_container(synthetic_level(1));
    for (std::size_t i = 400; i < damaged.size(); i += 3) damaged.data()[i] ^= 0x5A;
    Ttrlevel spoiled;
    Collect sinks;
    spoiled.messages = &sinks;
    if (spoiled.load_level(write_level(damaged, "damaged.phd")) == load_ok) { EXPECT_TRUE(spoiled.truncated); }
    EXPECT_EQ(sinks.messages, std::vector<std::string>{"Zlib Error, your compressed data has errors!"});

    ASSERT_EQ(level.load_level(write_level(synthetic_level(6), "first.tr4")), load_ok);
    ASSERT_EQ(level.load_level(write_level(synthetic_level(1), "second.phd")), load_ok);
    EXPECT_EQ(level.animations[1].lateral_speed, 7);  // TR1 has no such field; the TR4 level's pages and tail are released
    EXPECT_TRUE(level.textile32.empty() && level.level_data_tail.empty());
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
    EXPECT_TRUE(level.truncated && level.floor_data.size() < absurd.size() && level.num_floor_data == level.floor_data.size());

    for (int code : {1, 2, 3, 4, 5, 6}) {
        SCOPED_TRACE(code);
        const Bytes whole = synthetic_level(code, 0);
        for (std::size_t cut = 4; cut < whole.size(); ++cut) {
            ASSERT_EQ(level.load_level_from_memory({whole.data().begin(), whole.data().begin() + cut}, name_for(code)), load_ok) << cut;
            // TR4 samples run to the end of the file, so cutting them cannot be told.
            if (code <= 5 || cut < whole.size() - 8) { ASSERT_TRUE(level.truncated) << cut; }
            ASSERT_TRUE(level.frames.size() == level.num_frames && level.rooms.size() == level.num_rooms) << cut;
        }
    }
}
