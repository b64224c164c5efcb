// The binary .ms3d form: the bytes save_ms3d writes, what load_ms3d reads,
// the per-frame key slots and how fill_keyframes fills them.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "ms3d_samples.h"

namespace kelanim {
namespace {

using test::Bytes;
using test::key;
using test::load_bytes;
using test::sample_model;
using test::saved_bytes;
using test::Vec3;

TEST(Ms3dSave, SubversionsAddTheTrailerAndExtrasOfTheirSize)
{
    // Header, 7 vertices, 3 triangles, groups 36+4 and 36+2, 1 material, animation, 3 joints, 10 keys.
    const auto v0 = saved_bytes(sample_model(0), "sub0.ms3d");
    EXPECT_EQ(v0.size(), 14 + 2 + 7 * 15 + 2 + 3 * 70 + 2 + 40 + 38 + 2 + 361 + 12 + 2 + 3 * 93 + 16 * 10);
    for (int subversion : {1, 2, 3}) {
        const auto v = saved_bytes(sample_model(subversion), "sub.ms3d");
        EXPECT_EQ(v.size(), v0.size() + 24 + (2 + 4 * subversion) * 7) << subversion;  // 24: comments, subversion
        EXPECT_TRUE(std::equal(v0.begin(), v0.end(), v.begin())) << subversion;
    }
    TMS3D_File empty = sample_model(2);  // without vertices: no extras, whatever the subversion
    clear_ms3d(empty);
    EXPECT_EQ(saved_bytes(empty, "empty.ms3d").size(), 14u + 2 + 2 + 2 + 2 + 12 + 2);
}

TEST(Ms3dSave, RefusesAnInconsistentModelAndKeepsTheOldFile)
{
    const auto path = test::temp_path("refused.ms3d");
    const auto before = saved_bytes(sample_model(1), "refused.ms3d");
    const std::function<void(TMS3D_File&)> breaks[] = {
        [](TMS3D_File& m) { m.triangles[2].vertex_indices[1] = 7; }, [](TMS3D_File& m) { m.num_vertices = 8; },
        [](TMS3D_File& m) { m.vertex_extras.pop_back(); }, [](TMS3D_File& m) { m.joints[1].num_rotation_keys = 5; }};
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
        const TMS3D_File original = sample_model(subversion);
        const auto bytes = saved_bytes(original, "roundtrip.ms3d");
        TMS3D_File loaded;
        ASSERT_EQ(load_bytes(loaded, bytes), ms3d_ok) << loaded.last_error;
        EXPECT_EQ(saved_bytes(loaded, "resaved.ms3d"), bytes);
        // Subversion 0 ends after the joints: default extras; 1 has no extra word.
        const auto& extra = loaded.vertex_extras.at(4);
        EXPECT_EQ(extra.weights, (subversion ? original.vertex_extras[4] : MS3D_VertexExtra{}).weights);
        EXPECT_EQ(extra.bone_ids, (subversion ? original.vertex_extras[4] : MS3D_VertexExtra{}).bone_ids);
        EXPECT_TRUE(loaded.subversion == subversion && loaded.vertex_extras[2].extra == (subversion >= 2 ? 7u : 0u));
    }
}

// Comments come before the vertex extras; MilkShape 1.8 writes subversion 3
// with a second extra word per vertex, then joint and model extras.
TEST(Ms3dLoad, SkipsCommentsAndReadsTheExtrasAfterThem)
{
    Bytes comments = Bytes().append(saved_bytes(sample_model(0), "sub0.ms3d")).i32(1);  // comment subversion
    comments.i32(2).i32(0).i32(5).text("first").i32(1).i32(0);  // two group comments, one empty
    comments.i32(0).i32(1).i32(2).i32(3).text("hip").i32(1).i32(11).text("model notes");
    for (int subversion : {2, 3}) {
        SCOPED_TRACE(subversion);
        Bytes bytes = Bytes().append(comments).i32(subversion);
        for (int v = 0; v < 7; ++v) {
            bytes.u8(v).u8(0xFF).u8(0xFF).u8(v * 10).u8(0).u8(0).u32(1000 + v);
            if (subversion == 3) bytes.u32(0xDEADBEEF);
        }
        bytes.i32(2).fill(3 * 4).i32(2).f32(1).i32(0).f32(0.5f);  // joint and model extras: not read
        TMS3D_File loaded;
        ASSERT_EQ(load_bytes(loaded, bytes.data()), ms3d_ok) << loaded.last_error;
        const MS3D_VertexExtra& e = loaded.vertex_extras[6];
        EXPECT_TRUE(loaded.subversion == subversion && e.bone_ids[0] == 6 && e.weights[0] == 60 && e.extra == 1006u);
    }
}

// A model of one joint whose keys lie at the given times, 2 frames a second.
TMS3D_File one_joint_model(std::vector<MS3D_Keyframe> rotations, std::vector<MS3D_Keyframe> translations, int frames)
{
    TMS3D_File m{.fps = 2, .total_frames = frames, .num_joints = 1};
    m.joints = {test::sample_joint("Only", "", std::move(rotations), std::move(translations))};
    return m;
}

TEST(Ms3dLoad, InterpolationPutsKeysInSlotsByRoundedFrame)
{
    // time x fps: 1.25 x 2 = 2.5 -> frame 2 (ties to even), 1.75 x 2 = 3.5 -> 4,
    // -3 -> below 1 -> frame 1, 9 x 2 = 18 -> past the 6 frames: dropped.
    TMS3D_File m =
        one_joint_model({}, {key(1.25f, 1, 0, 0), key(1.75f, 3, 0, 0), key(-3, -1, 0, 0), key(9, 99, 0, 0)}, 6);
    TMS3D_File loaded;
    ASSERT_EQ(load_bytes(loaded, saved_bytes(m, "slots.ms3d"), true), ms3d_ok) << loaded.last_error;
    const auto& slots = loaded.joints[0].translation_keys;
    const float expected[6] = {-1, 1, 2, 3, 3, 3};  // slot 2 lies halfway between the keys of frames 2 and 4
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(slots.at(k), (MS3D_Keyframe{(k + 1) / 6.0f, {expected[k], 0, 0}})) << k;
        EXPECT_EQ(loaded.joints[0].rotation_keys.at(k), (MS3D_Keyframe{(k + 1) / 6.0f, {}})) << "without keys: zero";
    }
    // Without frames there are no slots: a key is dropped, not written into an empty array.
    for (float time : {0.0f, 0.1f, -5.0f}) {
        m = one_joint_model({key(time, 0.5f, 0, 0)}, {}, 0);
        ASSERT_EQ(load_bytes(loaded, saved_bytes(m, "no_frames.ms3d"), true), ms3d_ok) << loaded.last_error;
        EXPECT_TRUE(loaded.joints.at(0).rotation_keys.empty()) << time;
    }
}

float radians(float degrees) { return static_cast<float>(DegToRad(degrees)); }

// One joint with per-frame slots, filled at the given slots.
using Slots = std::vector<std::pair<int, Vec3>>;
TMS3D_File slotted(int frames, Slots rotations, Slots translations)
{
    TMS3D_File m = one_joint_model(std::vector<MS3D_Keyframe>(frames), std::vector<MS3D_Keyframe>(frames), frames);
    for (auto& [slot, value] : rotations) m.joints[0].rotation_keys[slot] = {0.5f, value};
    for (auto& [slot, value] : translations) m.joints[0].translation_keys[slot] = {0.5f, value};
    return m;
}

TEST(FillKeyframes, StepsBetweenKeysAreSphericalAndTakeTheShorterWay)
{
    // 80 degrees about z from slot 2 to 6: steps of 20 degrees; before and after, the end keys' values.
    TMS3D_File m = slotted(8, {{2, {0, 0, 0}}, {6, {0, 0, radians(80)}}}, {{2, {0, 0, 0}}, {6, {4, 8, -4}}});
    ASSERT_TRUE(fill_keyframes(m));
    const auto &r = m.joints[0].rotation_keys, &t = m.joints[0].translation_keys;
    const float z_degrees[8] = {0, 0, 0, 20, 40, 60, 80, 80}, x[8] = {0, 0, 0, 1, 2, 3, 4, 4};
    for (int k = 0; k < 8; ++k) {
        EXPECT_NEAR(std::abs(r[k].value[0]) + std::abs(r[k].value[1]) + std::abs(r[k].value[2] - radians(z_degrees[k])),
                    0, 1e-5) << k;
        EXPECT_EQ(t[k], (MS3D_Keyframe{(k + 1) / 8.0f, {x[k], 2 * x[k], -x[k]}})) << k;
        EXPECT_EQ(r[k].time, t[k].time) << k;
    }
    // 170 and -170 degrees about x are 20 degrees apart, through 180.
    m = slotted(3, {{0, {radians(170), 0, 0}}, {2, {radians(-170), 0, 0}}}, {});
    ASSERT_TRUE(fill_keyframes(m));
    EXPECT_NEAR(std::fabs(m.joints[0].rotation_keys[1].value[0]), radians(180), 1e-4);
    EXPECT_EQ(m.joints[0].translation_keys[2], (MS3D_Keyframe{1, {}}));  // without keys: zero keys
    // Keys that are not per frame are refused, and nothing changes.
    struct Recorded : MessageSink {
        void show_message(std::string_view text) override { shown.emplace_back(text); }
        std::vector<std::string> shown;
    } messages;
    m = slotted(4, {{1, {1, 0, 0}}}, {{1, {1, 0, 0}}});
    m.joints.push_back(test::sample_joint("Sparse", "", {key(0.1f, 0, 0, 0)}, {}));
    m.num_joints = 2;
    const TMS3D_File before = m;
    EXPECT_FALSE(fill_keyframes(m, &messages));
    EXPECT_EQ(messages.shown, std::vector<std::string>{m.last_error});
    EXPECT_EQ(m.last_error, "Error, you have to open the file with interpolation parameter set to true");
    EXPECT_EQ(m.joints[0].rotation_keys, before.joints[0].rotation_keys);  // the per-frame joint was not filled either
}

}  // namespace
}  // namespace kelanim
