#include <gtest/gtest.h>

#include <cmath>

#include "ms3d_samples.h"

namespace kelanim {
namespace {

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
    TMS3D_File m;
    m.total_frames = frames;
    MS3D_Joint j;
    j.rotation_keys.assign(frames, MS3D_Keyframe{});
    j.translation_keys.assign(frames, MS3D_Keyframe{});
    j.num_rotation_keys = j.num_translation_keys = static_cast<std::uint16_t>(frames);
    for (auto& [slot, value] : rotations) j.rotation_keys[slot] = {0.5f, value};
    for (auto& [slot, value] : translations) j.translation_keys[slot] = {0.5f, value};
    m.joints = {j};
    m.num_joints = 1;
    return m;
}

TEST(FillKeyframes, StepsBetweenKeysAreSphericalAndTakeTheShorterWay)
{
    // 80 degrees about z between slot 2 and slot 6: one axis, so the steps are
    // 20, 40 and 60 degrees; before and after, the end keys' values.
    TMS3D_File m = slotted(8, {{2, {0, 0, 0}}, {6, {0, 0, radians(80)}}}, {{2, {0, 0, 0}}, {6, {4, 8, -4}}});
    ASSERT_TRUE(fill_keyframes(m));
    const auto& r = m.joints[0].rotation_keys;
    const auto& t = m.joints[0].translation_keys;
    const float z_degrees[8] = {0, 0, 0, 20, 40, 60, 80, 80};
    for (int k = 0; k < 8; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(r[k].value[0], 0, 1e-6);
        EXPECT_NEAR(r[k].value[1], 0, 1e-6);
        EXPECT_NEAR(r[k].value[2], radians(z_degrees[k]), 1e-5);
        EXPECT_FLOAT_EQ(r[k].time, (k + 1) / 8.0f);
        EXPECT_FLOAT_EQ(t[k].time, (k + 1) / 8.0f);
    }
    const float x[8] = {0, 0, 0, 1, 2, 3, 4, 4};
    for (int k = 0; k < 8; ++k) EXPECT_EQ(t[k].value, (std::array<float, 3>{x[k], 2 * x[k], -x[k]})) << k;

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
