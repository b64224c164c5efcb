// Reading a level and saving it again gives back the file: byte for byte for
// TR1 to TR3, chunk by unpacked chunk for TR4, and for TR5 (whose rooms are
// rewritten as one layer) a second save equal to the first.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

std::uint32_t u32_at(const ByteVector& b, std::size_t at)
{
    std::uint32_t v = 0;
    if (at + 4 <= b.size()) std::memcpy(&v, b.data() + at, 4);
    return v;
}

// Where the two files first differ, for a readable failure on megabytes.
::testing::AssertionResult same_bytes(const ByteVector& expected, const ByteVector& actual)
{
    if (expected == actual) return ::testing::AssertionSuccess();
    auto [e, a] = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    return ::testing::AssertionFailure() << "sizes " << expected.size() << " and " << actual.size()
                                         << ", first difference at byte " << (e - expected.begin());
}

// The file with palette entry 0 as the writer gives it: magenta. The palette
// is found by the bytes of its other entries.
ByteVector with_magenta_entry0(ByteVector bytes, const Ttrlevel& level)
{
    auto rest = level.palette.begin() + 3;
    auto at = std::search(bytes.begin(), bytes.end(), rest, level.palette.end());
    if (at == bytes.end() || at - bytes.begin() < 3) {
        ADD_FAILURE() << "palette not found";
        return bytes;
    }
    at[-3] = 255;
    at[-2] = 0;
    at[-1] = 255;
    return bytes;
}

// A TR4 or TR5 file taken apart: the head words, the unpacked chunks, and
// what follows them.
struct PackedFile {
    ByteVector head;  // version and the three page counts
    std::vector<ByteVector> chunks;
    ByteVector rest;
};

PackedFile take_apart(const ByteVector& file, int chunks)
{
    PackedFile parts;
    parts.head.assign(file.begin(), file.begin() + std::min<std::size_t>(10, file.size()));
    std::size_t at = 10;
    for (int i = 0; i < chunks; ++i) {
        std::uint32_t size = u32_at(file, at), packed = u32_at(file, at + 4);
        at += 8;
        ByteVector unpacked;
        EXPECT_TRUE(decompress_buffer(file.data() + at, std::min<std::size_t>(packed, file.size() - at), size, unpacked));
        EXPECT_EQ(unpacked.size(), size) << "chunk " << i;
        parts.chunks.push_back(std::move(unpacked));
        at = std::min<std::size_t>(at + packed, file.size());
    }
    parts.rest.assign(file.begin() + at, file.end());
    return parts;
}

void expect_same_tr4(const ByteVector& original, const ByteVector& saved)
{
    PackedFile a = take_apart(original, 4), b = take_apart(saved, 4);
    EXPECT_TRUE(same_bytes(a.head, b.head)) << "head";
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(same_bytes(a.chunks[i], b.chunks[i])) << "chunk " << i;
    EXPECT_TRUE(same_bytes(a.rest, b.rest)) << "samples";
}

// A saved TR5 file: its level data sizes agree with the bytes, and the
// sample block stands where they point.
void expect_sound_tr5(const ByteVector& saved, const Ttrlevel& level)
{
    PackedFile parts = take_apart(saved, 3);
    const ByteVector& rest = parts.rest;
    const std::uint32_t data_size = u32_at(rest, 32);
    EXPECT_EQ(u32_at(rest, 36), data_size);
    ASSERT_LE(40u + data_size + 4, rest.size());
    EXPECT_EQ(u32_at(rest, 40 + data_size - 4), 0xCDCDCDCDu);
    EXPECT_EQ(u32_at(rest, 40 + data_size), level.num_samples);
    ByteVector samples(rest.begin() + 40 + data_size + 4, rest.end());
    EXPECT_TRUE(same_bytes(level.samples, samples));
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
    if (code <= 5) {
        EXPECT_TRUE(same_bytes(with_magenta_entry0(original.data(), level), saved));
    } else {
        expect_same_tr4(original.data(), saved);
    }
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
    expect_same_tr4(file.data(), read_file(save(level, "trng_saved.tr4")));
}

// TR5 rooms are rewritten as one layer: what is read back is the same level,
// and a second save equals the first.
TEST(RoundTrip, Tr5SecondSaveEqualsTheFirst)
{
    std::vector<Bytes> rooms = {tr5_room(two_layer_room(0)), tr5_room(two_layer_room(1)), tr5_room(Tr5RoomPlan{})};
    Ttrlevel level;
    ASSERT_EQ(level.load_level_from_memory(synthetic_tr5_level(rooms).data(), "synthetic.trc"), load_ok);
    EXPECT_EQ(level.version_code, code_tr5);
    EXPECT_FALSE(level.truncated);
    EXPECT_EQ(level.tr5_header[1], 0xF1);
    EXPECT_EQ(level.moveables[1].tr5_filler, 0xCDCD);
    EXPECT_EQ(level.num_sample_indices, SyntheticFacts::num_sample_indices);
    EXPECT_EQ(level.sound_map.size(), 900u);
    EXPECT_EQ(level.num_samples, 3u);

    fs::path first = save(level, "synthetic_first.trc");
    Ttrlevel again;
    ASSERT_EQ(again.load_level(first), load_ok);
    EXPECT_FALSE(again.truncated);
    ASSERT_EQ(again.num_rooms, 3);
    EXPECT_EQ(again.rooms[0].num_vertices, 6);
    EXPECT_EQ(again.rooms[1].num_triangles, 2);
    EXPECT_EQ(again.rooms[2].num_vertices, 0);
    fs::path second = save(again, "synthetic_second.trc");
    ByteVector saved = read_file(first);
    EXPECT_TRUE(same_bytes(saved, read_file(second)));
    ASSERT_NO_FATAL_FAILURE(expect_sound_tr5(saved, level));
    EXPECT_EQ(std::string(again.samples.begin(), again.samples.end()), "TR5 SAMPLE DATA");
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
    const fs::path first = save(level, "real_" + name);
    const ByteVector saved = read_file(first);

    if (level.version_code <= code_tr3) {
        EXPECT_TRUE(same_bytes(with_magenta_entry0(original, level), saved));
    } else if (level.version_code == code_tr4) {
        expect_same_tr4(original, saved);
    } else {
        ASSERT_NO_FATAL_FAILURE(expect_sound_tr5(saved, level));
        Ttrlevel again;
        ASSERT_EQ(again.load_level(first), load_ok);
        EXPECT_FALSE(again.truncated);
        ASSERT_EQ(again.rooms.size(), level.rooms.size());
        for (std::size_t r = 0; r < again.rooms.size(); ++r) {
            EXPECT_EQ(again.rooms[r].num_vertices, level.rooms[r].num_vertices);
            EXPECT_EQ(again.rooms[r].num_rectangles, level.rooms[r].num_rectangles);
            EXPECT_EQ(again.rooms[r].num_triangles, level.rooms[r].num_triangles);
        }
        EXPECT_TRUE(same_bytes(saved, read_file(save(again, "real_second_" + name))));
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, RealRoundTrip, ::testing::Values("tr1.phd", "tr2.tr2", "tr3.tr2", "tr4.tr4", "tr5.trc"),
                         [](const auto& info) { return std::string(info.param).substr(0, 3); });
