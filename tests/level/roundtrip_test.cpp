// Reading a level and saving it again gives back the file, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "level/ttrlevel.h"
#include "level/zfile.h"
#include "realdata.h"
#include "synthetic_level.h"
#include "synthetic_tr5.h"

using namespace kelanim;
using namespace kelanim::test;
namespace fs = std::filesystem;

namespace {

using ByteVector = std::vector<std::uint8_t>;

// Where the two files first differ, for a readable failure on megabytes.
::testing::AssertionResult same_bytes(const ByteVector& expected, const ByteVector& actual)
{
    if (expected == actual) return ::testing::AssertionSuccess();
    auto [e, a] = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    return ::testing::AssertionFailure() << "sizes " << expected.size() << " and " << actual.size()
                                         << ", first difference at byte " << (e - expected.begin());
}

const char* extension_for(int code)
{
    static const char* const extensions[] = {"", ".phd", ".tub", ".tr2", ".TRG.tr2", ".tr2", ".tr4", ".trc"};
    return extensions[code];
}

fs::path save(Ttrlevel& level, const std::string& name)
{
    fs::path path = output_dir("roundtrip") / name;
    EXPECT_EQ(level.save_level(path.string()), save_ok);
    return path;
}

class SyntheticRoundTrip : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(SyntheticRoundTrip, SavingWritesTheBytesThatWereRead)
{
    const int code = GetParam();
    const Bytes original = synthetic_level(code);
    Ttrlevel level;
    ASSERT_EQ(level.load_level_from_memory(original.data(), std::string("in") + extension_for(code)), load_ok);
    ByteVector saved = read_file(save(level, "synthetic" + std::to_string(code) + extension_for(code)));
    EXPECT_TRUE(same_bytes(original.data(), saved));
}

INSTANTIATE_TEST_SUITE_P(Generations, SyntheticRoundTrip, ::testing::Values(1, 2, 3, 4, 5, 6));

// A TRNG level holds its sound map where the demo data would be, and ends
// with an "NG" trailer that stays with the samples.
TEST(RoundTrip, TrngSoundMapAndTrailerComeBack)
{
    const Bytes file = synthetic_trng_level();
    Ttrlevel level;
    ASSERT_EQ(level.load_level_from_memory(file.data(), "trng.tr4"), load_ok);
    ASSERT_TRUE(level.trng);
    EXPECT_FALSE(level.truncated);
    EXPECT_EQ(level.num_demo_data, 0u);
    ASSERT_EQ(level.sound_map.size(), 4096u);
    EXPECT_EQ(level.sound_map[14], 7);  // entry 7
    EXPECT_EQ(level.sound_map[2], 0xFF);
    EXPECT_EQ(level.num_sample_indices, SyntheticFacts::num_sample_indices);
    ASSERT_GE(level.samples.size(), 8u);
    EXPECT_EQ(std::string(level.samples.end() - 8, level.samples.end() - 4), "NGLE");
    EXPECT_TRUE(same_bytes(file.data(), read_file(save(level, "trng_saved.tr4"))));
}

// TR5 rooms come back with their layers.
TEST(RoundTrip, Tr5RoomsComeBackWithTheirLayers)
{
    std::vector<Bytes> rooms = {tr5_room(two_layer_room(0)), tr5_room(two_layer_room(1)), tr5_room(Tr5RoomPlan{})};
    const ByteVector file = synthetic_tr5_level(rooms).data();
    Ttrlevel level;
    ASSERT_EQ(level.load_level_from_memory(file, "synthetic.trc"), load_ok);
    EXPECT_EQ(level.version_code, code_tr5);
    EXPECT_FALSE(level.truncated);
    EXPECT_EQ(level.tr5_header[1], 0xF1);
    EXPECT_EQ(level.moveables[1].tr5_filler, 0xCDCD);
    EXPECT_EQ(level.num_sample_indices, SyntheticFacts::num_sample_indices);
    EXPECT_EQ(level.sound_map.size(), 900u);
    EXPECT_EQ(level.num_samples, 3u);

    ASSERT_EQ(level.num_rooms, 3);
    EXPECT_EQ(level.rooms[0].num_layers, 2u);
    EXPECT_EQ(std::string(level.samples.begin(), level.samples.end()), "TR5 SAMPLE DATA");
    EXPECT_TRUE(same_bytes(file, read_file(save(level, "synthetic_saved.trc"))));
}

TEST(RoundTrip, TruncatedLevelsStillSaveWhatTheyHold)
{
    for (int code : {1, 3, 5, 6, 7}) {
        SCOPED_TRACE(code);
        const ByteVector full = code == 7 ? synthetic_tr5_level({tr5_room(two_layer_room(0)), tr5_room(Tr5RoomPlan{})}).data()
                                          : synthetic_level(code).data();
        // Cut inside the level body and the rooms (the texture pages are
        // the bulk of the file and are read as one block).
        const std::size_t first = code >= 6 ? 30 : full.size() - 12000;
        for (std::size_t cut = first; cut < full.size(); cut += (full.size() - first) / 12 + 1) {
            SCOPED_TRACE(cut);
            Ttrlevel level, again;
            ASSERT_EQ(level.load_level_from_memory({full.begin(), full.begin() + cut}, std::string("cut") + extension_for(code)), load_ok);
            const fs::path saved = save(level, std::string("cut_saved") + extension_for(code));
            ASSERT_EQ(again.load_level(saved), load_ok);
            EXPECT_EQ(again.num_frames, level.num_frames);
            EXPECT_EQ(again.num_items, level.num_items);
        }
    }
}

class RealRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(RealRoundTrip, SavingGivesTheFileBack)
{
    KELANIM_REQUIRE_REALDATA();
    const std::string name = GetParam();
    const fs::path in = real_level(name);
    if (!fs::exists(in)) GTEST_SKIP() << name << " absent";
    Ttrlevel level;
    ASSERT_EQ(level.load_level(in), load_ok);
    ASSERT_FALSE(level.truncated);
    const ByteVector original = read_file(in);
    EXPECT_TRUE(same_bytes(original, read_file(save(level, "real_" + name))));
}

INSTANTIATE_TEST_SUITE_P(Levels, RealRoundTrip, ::testing::Values("tr1.phd", "tr2.tr2", "tr3.tr2", "tr4.tr4", "tr5.trc"),
                         [](const auto& info) { return std::string(info.param).substr(0, 3); });
