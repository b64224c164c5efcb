// The binary .ms3d form: the bytes save_ms3d writes, what load_ms3d reads and
// refuses, the per-frame key slots and how fill_keyframes fills them.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "ms3d_samples.h"

namespace kelanim {
namespace {

using test::Bytes;
using test::saved_bytes;
using test::sample_model;
using test::temp_path;

constexpr std::size_t trailer_bytes = 24;  // comment section and the vertex-extra subversion

std::int16_t load_bytes(TMS3D_File& model, const std::vector<std::uint8_t>& bytes, bool interpolate,
                        const std::string& name = "loaded.ms3d")
{
    const auto path = temp_path(name);
    std::filesystem::remove(path);  // rewriting a file in place waits for the disk
    Bytes().append(bytes).save(path);
    return load_ms3d(model, path.string(), interpolate);
}

// A model marked so a failed load can be seen to leave it alone.
TMS3D_File marked_model()
{
    TMS3D_File m = sample_model(2);
    m.total_frames = 777;
    return m;
}

TEST(Ms3dSave, SubversionsAddTheTrailerAndExtrasOfTheirSize)
{
    // Header 14, 7 vertices, 3 triangles, groups 36+4 and 36+2, 1 material,
    // 10 animation bytes, 3 joints of 93 bytes and 16 per key (10 keys).
    const auto v0 = saved_bytes(sample_model(0), "sub0.ms3d");
    EXPECT_EQ(v0.size(), 14 + 2 + 7 * 15 + 2 + 3 * 70 + 2 + 40 + 38 + 2 + 361 + 12 + 2 + 3 * 93 + 16 * 10);
    EXPECT_EQ(std::string(v0.begin(), v0.begin() + 10), "MS3D000000");
    for (int subversion : {1, 2, 3}) {
        const auto v = saved_bytes(sample_model(subversion), "sub.ms3d");
        EXPECT_EQ(v.size(), v0.size() + trailer_bytes + (2 + 4 * subversion) * 7) << subversion;
        EXPECT_TRUE(std::equal(v0.begin(), v0.end(), v.begin())) << subversion;
    }

    // A model without vertices is the same file for every subversion.
    TMS3D_File empty = sample_model(0);
    clear_ms3d(empty);
    const auto e0 = saved_bytes(empty, "empty0.ms3d");
    EXPECT_EQ(e0.size(), 14u + 2 + 2 + 2 + 2 + 12 + 2);
    empty.subversion = 2;
    EXPECT_EQ(saved_bytes(empty, "empty2.ms3d"), e0);
}

TEST(Ms3dSave, RefusesAnInconsistentModelAndKeepsTheOldFile)
{
    const auto path = temp_path("refused.ms3d");
    const auto before = saved_bytes(sample_model(1), "refused.ms3d");

    const std::function<void(TMS3D_File&)> breaks[] = {
        [](TMS3D_File& m) { m.triangles[2].vertex_indices[1] = 7; },
        [](TMS3D_File& m) { m.num_vertices = 8; },
        [](TMS3D_File& m) { m.vertex_extras.pop_back(); },
        [](TMS3D_File& m) { m.joints[1].num_rotation_keys = 5; },
    };
    for (const auto& brk : breaks) {
        TMS3D_File bad = sample_model(1);
        brk(bad);
        EXPECT_THROW(save_ms3d(bad, path.string()), std::invalid_argument);
    }
    EXPECT_EQ(test::read_file(path), before);
}

TEST(Ms3dLoad, ReadsBackWhatWasSavedAsStored)
{
    for (int subversion : {0, 1, 2, 3}) {
        SCOPED_TRACE(subversion);
        TMS3D_File original = sample_model(subversion);
        auto bytes = saved_bytes(original, "roundtrip.ms3d");
        TMS3D_File loaded;
        ASSERT_EQ(load_bytes(loaded, bytes, false), ms3d_ok) << loaded.last_error;
        EXPECT_EQ(loaded.subversion, subversion);
        EXPECT_EQ(saved_bytes(loaded, "resaved.ms3d"), bytes);
        EXPECT_EQ(loaded.joints[1].rotation_keys[2].value[1], 1.0f);
        EXPECT_EQ(name_text(loaded.materials[0].texture), "page0.bmp");
        // Subversion 0 ends after the joints; its vertices get default extras.
        ASSERT_EQ(loaded.vertex_extras.size(), 7u);
        const MS3D_VertexExtra& extra = loaded.vertex_extras[4];
        EXPECT_EQ(extra.bone_ids, subversion ? (std::array<std::int8_t, 3>{1, 0, -1}) : (std::array<std::int8_t, 3>{-1, -1, -1}));
        EXPECT_EQ(extra.weights, subversion ? (std::array<std::uint8_t, 3>{100, 50, 0}) : (std::array<std::uint8_t, 3>{}));
        EXPECT_EQ(loaded.vertex_extras[2].extra, subversion >= 2 ? 7u : 0u);
    }
}

// Comments come before the vertex extras; MilkShape 1.8 writes subversion 3
// with a second extra word per vertex, then joint and model extras.
TEST(Ms3dLoad, SkipsCommentsAndReadsTheExtrasAfterThem)
{
    Bytes with_comments = Bytes().append(saved_bytes(sample_model(0), "sub0.ms3d"));
    with_comments.i32(1);                                            // comment subversion
    with_comments.i32(2).i32(0).i32(5).text("first").i32(1).i32(0);  // two group comments
    with_comments.i32(0);                                            // material comments
    with_comments.i32(1).i32(2).i32(3).text("hip");                  // a joint comment
    with_comments.i32(1).i32(11).text("model notes");                // the model comment
    for (int subversion : {2, 3}) {
        SCOPED_TRACE(subversion);
        Bytes bytes = Bytes().append(with_comments.data()).i32(subversion);
        for (int v = 0; v < 7; ++v) {
            bytes.u8(v).u8(0xFF).u8(0xFF).u8(v * 10).u8(0).u8(0).u32(1000 + v);
            if (subversion == 3) bytes.u32(0xDEADBEEF);
        }
        bytes.i32(2).fill(3 * 4).i32(2).f32(1).i32(0).f32(0.5f);  // joint and model extras: not read
        TMS3D_File loaded;
        ASSERT_EQ(load_bytes(loaded, bytes.data(), false), ms3d_ok) << loaded.last_error;
        EXPECT_EQ(loaded.subversion, subversion);
        EXPECT_EQ(loaded.vertex_extras[6].bone_ids[0], 6);
        EXPECT_EQ(loaded.vertex_extras[6].weights[0], 60);
        EXPECT_EQ(loaded.vertex_extras[6].extra, 1006u);
    }

    // The comments with nothing after them: the subversion is missing.
    TMS3D_File loaded = marked_model();
    EXPECT_EQ(load_bytes(loaded, with_comments.data(), false), ms3d_damaged);
    EXPECT_NE(loaded.last_error.find("vertex extra subversion"), std::string::npos) << loaded.last_error;
    EXPECT_EQ(loaded.total_frames, 777);
}

TEST(Ms3dLoad, ForeignNewerAndHostileFilesAreRefusedWithAReasonAndChangeNothing)
{
    TMS3D_File model = marked_model();
    EXPECT_EQ(load_ms3d(model, temp_path("no-such-file.ms3d").string(), false), ms3d_no_file);
    EXPECT_FALSE(model.last_error.empty());
    EXPECT_EQ(load_bytes(model, Bytes().text("MS3D00000").data(), false), ms3d_bad_signature);
    EXPECT_EQ(load_bytes(model, Bytes().text("MS3D000001").i32(4).data(), false), ms3d_bad_signature);
    EXPECT_EQ(load_bytes(model, Bytes().text("MS3D000000").i32(3).fill(40).data(), false), ms3d_bad_version);
    EXPECT_EQ(load_bytes(model, Bytes().text("MS3D000000").u16(4).data(), false), ms3d_damaged);

    auto header = [] { return Bytes().text("MS3D000000").i32(4); };
    EXPECT_EQ(load_bytes(model, header().u16(65535).fill(100).data(), false), ms3d_damaged);
    EXPECT_NE(model.last_error.find("65535 vertices"), std::string::npos) << model.last_error;

    // A group claiming more triangle indices than the file has.
    Bytes groups = header().u16(0).u16(0).u16(1).u8(0).fill(32).u16(60000).fill(10);
    EXPECT_EQ(load_bytes(model, groups.data(), false), ms3d_damaged);

    // A triangle naming a vertex that does not exist.
    auto bytes = saved_bytes(sample_model(0), "sub0.ms3d");
    const std::size_t first_index = 14 + 2 + 7 * 15 + 2 + 2;
    bytes[first_index] = 9;
    EXPECT_EQ(load_bytes(model, bytes, false), ms3d_damaged);
    EXPECT_NE(model.last_error.find("names vertex 9"), std::string::npos) << model.last_error;

    // A comment longer than the file.
    Bytes long_comment = Bytes().append(saved_bytes(sample_model(0), "sub0.ms3d")).i32(1).i32(1).i32(0).i32(0x7FFFFFFF);
    EXPECT_EQ(load_bytes(model, long_comment.data(), false), ms3d_damaged);

    // A frame count no per-frame model can hold, only when interpolating.
    TMS3D_File long_animation = sample_model(0);
    long_animation.total_frames = 2'000'000'000;
    bytes = saved_bytes(long_animation, "long.ms3d");
    EXPECT_EQ(load_bytes(model, bytes, true), ms3d_damaged);
    EXPECT_EQ(model.total_frames, 777);  // after every refusal above
    EXPECT_EQ(model.num_vertices, 7);
    EXPECT_EQ(load_bytes(model, bytes, false), ms3d_ok);
    EXPECT_EQ(model.total_frames, 2'000'000'000);
}

TEST(Ms3dLoad, EveryTruncationFailsCleanlyAndLeavesTheModelAlone)
{
    auto full = saved_bytes(sample_model(2), "full.ms3d");
    const std::size_t end_of_joints = saved_bytes(sample_model(0), "sub0.ms3d").size();
    const auto path = temp_path("cut.ms3d");
    for (std::size_t length = 0; length < full.size(); ++length) {
        TMS3D_File model = marked_model();
        std::filesystem::remove(path);  // a new file each time: rewriting in place waits for the disk
        Bytes().put(full.data(), length).save(path);
        for (bool interpolate : {false, true}) {
            std::int16_t result = load_ms3d(model, path.string(), interpolate);
            if (length == end_of_joints) {
                EXPECT_EQ(result, ms3d_ok);  // a whole subversion 0 file
                model = marked_model();
                continue;
            }
            ASSERT_EQ(result, length < 10 ? ms3d_bad_signature : ms3d_damaged) << length;
            ASSERT_FALSE(model.last_error.empty());
            ASSERT_EQ(model.total_frames, 777);
            ASSERT_EQ(model.vertices.size(), 7u);
        }
    }
}

// A model of one joint whose keys lie at the given times, 2 frames a second.
TMS3D_File one_joint_model(std::vector<MS3D_Keyframe> rotations, std::vector<MS3D_Keyframe> translations,
                           std::int32_t frames)
{
    TMS3D_File m;
    m.fps = 2;
    m.total_frames = frames;
    m.joints = {test::sample_joint("Only", "", std::move(rotations), std::move(translations))};
    m.num_joints = 1;
    return m;
}

TEST(Ms3dLoad, InterpolationPutsKeysInSlotsByRoundedFrame)
{
    using test::key;
    // time x fps: 1.25 x 2 = 2.5 -> frame 2 (ties to even), 1.75 x 2 = 3.5 -> 4,
    // -3 -> below 1 -> frame 1, 9 x 2 = 18 -> past the 6 frames: dropped.
    TMS3D_File m = one_joint_model({}, {key(1.25f, 1, 0, 0), key(1.75f, 3, 0, 0), key(-3, -1, 0, 0), key(9, 99, 0, 0)}, 6);
    auto bytes = saved_bytes(m, "slots.ms3d");
    TMS3D_File loaded;
    ASSERT_EQ(load_bytes(loaded, bytes, true), ms3d_ok) << loaded.last_error;
    const auto slots = loaded.joints[0].translation_keys;
    ASSERT_EQ(slots.size(), 6u);
    const float expected[6] = {-1, 1, 2, 3, 3, 3};  // slot 2 lies halfway between the keys of frames 2 and 4
    for (int k = 0; k < 6; ++k) {
        EXPECT_FLOAT_EQ(slots[k].value[0], expected[k]) << k;
        EXPECT_FLOAT_EQ(slots[k].time, (k + 1) / 6.0f) << k;
    }
    EXPECT_EQ(loaded.joints[0].num_rotation_keys, 6);  // without keys: zero keys
    for (const MS3D_Keyframe& slot : loaded.joints[0].rotation_keys) EXPECT_EQ(slot.value, (std::array<float, 3>{}));

    // A key at time zero counts as an empty slot.
    m = one_joint_model({}, {key(0, 5, 0, 0), key(1.5f, 7, 0, 0)}, 4);
    ASSERT_EQ(load_bytes(loaded, saved_bytes(m, "zero.ms3d"), true), ms3d_ok);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(loaded.joints[0].translation_keys[k].value[0], 7) << k;

    // Without frames there are no slots: a key is dropped, not written into
    // the first slot of an empty array.
    for (float time : {0.0f, 0.1f, -5.0f}) {
        m = one_joint_model({key(time, 0.5f, 0, 0)}, {}, 0);
        ASSERT_EQ(load_bytes(loaded, saved_bytes(m, "no_frames.ms3d"), true), ms3d_ok) << loaded.last_error;
        EXPECT_TRUE(loaded.joints.at(0).rotation_keys.empty()) << time;
    }
}

struct RecordedMessages : MessageSink {
    void show_message(std::string_view text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

float radians(float degrees) { return static_cast<float>(DegToRad(degrees)); }

// One joint with per-frame slots; `rotations` and `translations` give the
// filled slots as (slot, value).
TMS3D_File slotted(int frames, std::vector<std::pair<int, std::array<float, 3>>> rotations,
                   std::vector<std::pair<int, std::array<float, 3>>> translations)
{
    TMS3D_File m = one_joint_model(std::vector<MS3D_Keyframe>(frames), std::vector<MS3D_Keyframe>(frames), frames);
    for (auto& [slot, value] : rotations) m.joints[0].rotation_keys[slot] = {0.5f, value};
    for (auto& [slot, value] : translations) m.joints[0].translation_keys[slot] = {0.5f, value};
    return m;
}

TEST(FillKeyframes, StepsBetweenKeysAreSphericalAndTakeTheShorterWay)
{
    // 80 degrees about z between slot 2 and slot 6: one axis, so the steps are
    // 20, 40 and 60 degrees; before and after, the end keys' values.
    TMS3D_File m = slotted(8, {{2, {0, 0, 0}}, {6, {0, 0, radians(80)}}}, {{2, {0, 0, 0}}, {6, {4, 8, -4}}});
    ASSERT_TRUE(fill_keyframes(m));
    const auto &r = m.joints[0].rotation_keys, &t = m.joints[0].translation_keys;
    const float z_degrees[8] = {0, 0, 0, 20, 40, 60, 80, 80}, x[8] = {0, 0, 0, 1, 2, 3, 4, 4};
    for (int k = 0; k < 8; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(std::abs(r[k].value[0]) + std::abs(r[k].value[1]), 0, 1e-6);
        EXPECT_NEAR(r[k].value[2], radians(z_degrees[k]), 1e-5);
        EXPECT_FLOAT_EQ(r[k].time, (k + 1) / 8.0f);
        EXPECT_FLOAT_EQ(t[k].time, (k + 1) / 8.0f);
        EXPECT_EQ(t[k].value, (std::array<float, 3>{x[k], 2 * x[k], -x[k]}));
    }

    // 170 and -170 degrees about x are 20 degrees apart, through 180.
    m = slotted(3, {{0, {radians(170), 0, 0}}, {2, {radians(-170), 0, 0}}}, {});
    ASSERT_TRUE(fill_keyframes(m));
    EXPECT_NEAR(std::fabs(m.joints[0].rotation_keys[1].value[0]), radians(180), 1e-4);
}

TEST(FillKeyframes, AJointWithoutKeysEndsWithZeroKeysAndNoFramesChangeNothing)
{
    TMS3D_File m = slotted(5, {}, {});
    ASSERT_TRUE(fill_keyframes(m));
    for (const auto* slots : {&m.joints[0].rotation_keys, &m.joints[0].translation_keys})
        for (std::size_t k = 0; k < slots->size(); ++k) {
            EXPECT_EQ((*slots)[k].value, (std::array<float, 3>{}));
            EXPECT_FLOAT_EQ((*slots)[k].time, (k + 1) / 5.0f);
        }
    m = test::sample_model(0);
    m.total_frames = 0;
    EXPECT_TRUE(fill_keyframes(m));
    EXPECT_EQ(m.joints[0].num_rotation_keys, 2);
}

TEST(FillKeyframes, RefusesKeysThatAreNotPerFrameAndChangesNothing)
{
    TMS3D_File m = slotted(4, {{1, {1, 0, 0}}}, {{1, {1, 0, 0}}});
    MS3D_Joint sparse = test::sample_joint("Sparse", "", {test::key(0.1f, 0, 0, 0)}, {});
    m.joints.push_back(sparse);
    m.num_joints = 2;
    const TMS3D_File before = m;
    RecordedMessages messages;
    EXPECT_FALSE(fill_keyframes(m, &messages));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], "Error, you have to open the file with interpolation parameter set to true");
    EXPECT_EQ(m.last_error, messages.shown[0]);
    // The first joint, though per-frame, was not filled either.
    EXPECT_EQ(m.joints[0].rotation_keys[3].value, before.joints[0].rotation_keys[3].value);
}

}  // namespace
}  // namespace kelanim
