// Import of MilkShape keys into synthetic levels: the keyframe words, the
// splice into the frames with the offsets of later animations and moveables,
// and the files and selections that must leave the level as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "anim/keyframes.h"
#include "exchange_fixtures.h"
#include "milkshape/export_moveable.h"
#include "milkshape/import_animation.h"
#include "milkshape/ms3d_file.h"

namespace kelanim {
namespace {

using test::ExchangeLevel;

// A model of `joints` joints and `frames` frames; joint b's rotation key f
// is (0.01 f, 0.02 b, 0) radians and the root moves by f / 10 on x.
TMS3D_File keyed_model(int joints, int frames)
{
    TMS3D_File model;
    model.total_frames = frames;
    model.fps = 24;
    for (int b = 0; b < joints; ++b) {
        MS3D_Joint joint;
        set_name(joint.name, "Bone#" + std::to_string(b));
        for (int f = 0; f < frames; ++f) {
            const float time = static_cast<float>(f + 1) / 24;
            joint.rotation_keys.push_back({time, {0.01f * static_cast<float>(f), 0.02f * static_cast<float>(b), 0}});
            joint.translation_keys.push_back({time, {static_cast<float>(f) / 10, 0.5f, -0.25f}});
        }
        joint.num_rotation_keys = static_cast<std::uint16_t>(frames);
        joint.num_translation_keys = static_cast<std::uint16_t>(frames);
        model.joints.push_back(joint);
    }
    model.num_joints = static_cast<std::uint16_t>(joints);
    return model;
}

// The words of animation k (level-wide) up to the next animation's.
std::vector<std::int16_t> animation_words(const Ttrlevel& level, std::size_t k)
{
    const std::size_t start = level.animations[k].frame_offset / 2;
    const std::size_t end = k + 1 < level.animations.size() ? level.animations[k + 1].frame_offset / 2 : level.frames.size();
    return {level.frames.begin() + static_cast<std::ptrdiff_t>(start), level.frames.begin() + static_cast<std::ptrdiff_t>(end)};
}

// Everything an import may change, to show that a refused import changed nothing.
struct LevelState {
    std::vector<std::int16_t> frames;
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint8_t> sizes;
    std::vector<std::uint32_t> moveable_offsets;
    explicit LevelState(const Ttrlevel& level) : frames(level.frames)
    {
        for (const tanimation& a : level.animations) {
            offsets.push_back(a.frame_offset);
            sizes.push_back(a.frame_size);
        }
        for (const tmoveable& m : level.moveables) moveable_offsets.push_back(m.frame_offset);
    }
    bool operator==(const LevelState&) const = default;
};

TEST(ImportSplice, TenFramesIntoAFifteenBoneTr2Moveable)
{
    ExchangeLevel fixture(code_tr2, {{15, {}, {3, 5}}, {2, {}, {4}}});
    const Ttrlevel& level = fixture.level;
    const auto later_animation = animation_words(level, 1);
    const auto other_moveable = animation_words(level, 2);
    const std::int64_t old_length = 3 * 39;
    const std::uint32_t offset1 = level.animations[1].frame_offset, offset2 = level.animations[2].frame_offset;
    const std::uint32_t moveable1 = level.moveables[1].frame_offset;

    const exchange_outcome outcome = import_animation(fixture.level, fixture.meshes, 0, 0, keyed_model(15, 10));
    ASSERT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(outcome.message, "Import Sucessfull.");
    EXPECT_EQ(keyframe_count(level, 0, 0), 10);
    EXPECT_EQ(level.animations[0].frame_size, 39);
    const std::int64_t shift = 2 * (390 - old_length);
    EXPECT_EQ(level.animations[1].frame_offset, offset1 + shift);
    EXPECT_EQ(level.animations[2].frame_offset, offset2 + shift);
    EXPECT_EQ(level.moveables[1].frame_offset, moveable1 + shift);
    EXPECT_EQ(level.moveables[0].frame_offset, 0u);
    EXPECT_EQ(level.num_frames, level.frames.size());
    EXPECT_EQ(animation_words(level, 1), later_animation);
    EXPECT_EQ(animation_words(level, 2), other_moveable);

    // Keyframe 7: root offset (70, -50, 25) from (0.7, 0.5, -0.25); joint 0
    // turns about x only (0.07 rad = 4.01 degrees, 11 units).
    const tpose pose = decode_keyframe(level, 0, 0, 7);
    EXPECT_EQ(pose.offset, (std::array<std::int16_t, 3>{70, -50, 25}));
    EXPECT_NEAR(pose.angles[0].x, 11 * angle_unit, 1e-9);
    EXPECT_EQ(pose.angles[0].y, 0);
    // The automatic bound measured every new keyframe.
    for (int f = 0; f < 10; ++f) {
        const tpose p = decode_keyframe(level, 0, 0, f);
        EXPECT_LT(p.bbox[0], p.bbox[1]) << f;
        EXPECT_LE(p.bbox[2], p.bbox[3]) << f;
    }
}

TEST(ImportSplice, TheLastAnimationOfAMoveableAndOfTheLevel)
{
    ExchangeLevel fixture(code_tr3, {{2, {}, {3, 5}}, {2, {}, {4, 1}}});
    Ttrlevel& level = fixture.level;
    const auto next_moveable = animation_words(level, 2);
    const std::uint32_t offset2 = level.animations[2].frame_offset;
    // The moveable's last animation ends where the next moveable's first begins.
    ASSERT_TRUE(import_animation(level, fixture.meshes, 0, 1, keyed_model(2, 2)).ok);
    EXPECT_EQ(keyframe_count(level, 0, 1), 2);
    EXPECT_EQ(level.animations[2].frame_offset, offset2 + 2 * (2 * 13 - 5 * 13));
    EXPECT_EQ(animation_words(level, 2), next_moveable);
    // The level's last animation ends with the frames.
    const auto before_last = animation_words(level, 2);
    ASSERT_TRUE(import_animation(level, fixture.meshes, 1, 1, keyed_model(2, 6)).ok);
    EXPECT_EQ(keyframe_count(level, 1, 1), 6);
    EXPECT_EQ(level.frames.size(), level.animations[3].frame_offset / 2 + 6 * 13);
    EXPECT_EQ(animation_words(level, 2), before_last);
}

TEST(ImportSplice, NoFramesRemovesTheKeyframesAndAnImportFillsThemAgain)
{
    ExchangeLevel fixture(code_tr4, {{2, {}, {3, 5}}});
    Ttrlevel& level = fixture.level;
    const std::size_t before = level.frames.size();
    ASSERT_TRUE(import_animation(level, fixture.meshes, 0, 0, keyed_model(2, 0)).ok);
    EXPECT_EQ(keyframe_count(level, 0, 0), 0);
    EXPECT_EQ(level.frames.size(), before - 3 * 13);
    EXPECT_EQ(level.animations[1].frame_offset, 0u);
    // The empty animation takes keyframes again at its place.
    ASSERT_TRUE(import_animation(level, fixture.meshes, 0, 0, keyed_model(2, 4)).ok);
    EXPECT_EQ(keyframe_count(level, 0, 0), 4);
    EXPECT_EQ(keyframe_count(level, 0, 1), 5);
    EXPECT_EQ(level.animations[1].frame_offset, 2u * 4 * 13);
}

TEST(ImportSplice, LaterMoveablesWithoutAnimationsKeepTheirOffsets)
{
    ExchangeLevel fixture(code_tr2, {{2, {}, {3}}, {1, {}, {}}, {2, {}, {2}}});
    Ttrlevel& level = fixture.level;
    level.moveables[1].frame_offset = 0;  // points at no keyframes
    const std::uint32_t third = level.moveables[2].frame_offset;
    ASSERT_TRUE(import_animation(level, fixture.meshes, 0, 0, keyed_model(2, 1)).ok);
    EXPECT_EQ(level.moveables[1].frame_offset, 0u);
    EXPECT_EQ(level.moveables[2].frame_offset, third - 2 * 2 * 13);
    EXPECT_EQ(level.moveables[2].frame_offset, level.animations[1].frame_offset);
}

TEST(ImportKeyframes, Tr1StoresTheBoneCountAndSwapsTheEntryWords)
{
    ExchangeLevel fixture(code_tr1, {{3, {}, {2}}});
    Ttrlevel& level = fixture.level;
    ASSERT_TRUE(import_animation(level, fixture.meshes, 0, 0, keyed_model(3, 2)).ok);
    EXPECT_EQ(level.animations[0].frame_size, 0);
    EXPECT_EQ(keyframe_count(level, 0, 0), 2);
    ASSERT_EQ(level.frames.size(), 2u * 16);
    EXPECT_EQ(level.frames[9], 3);
    EXPECT_EQ(level.frames[16 + 9], 3);
    // Joint 2 of frame 1: (0.01, 0.04, 0) rad turn about x and y: its fields
    // decode the same way the words were meant, low half first.
    const std::uint32_t entry = rotation_entry(keyed_model(3, 2).joints[2].rotation_keys[1].value);
    EXPECT_EQ(static_cast<std::uint16_t>(level.frames[16 + 14]), entry & 0xFFFF);
    EXPECT_EQ(static_cast<std::uint16_t>(level.frames[16 + 15]), entry >> 16);
}

TEST(ImportKeyframes, RootOffsetsRoundHalfToEvenAndClampWithAWarning)
{
    TMS3D_File model = keyed_model(1, 3);
    model.joints[0].translation_keys[0].value = {0.125f, 0.375f, -0.125f};
    model.joints[0].translation_keys[1].value = {400.0f, -400.0f, 327.67f};
    model.joints[0].translation_keys[2].value = {std::nanf(""), 1, -1};
    std::int32_t clamped = 0;
    const std::vector<std::int16_t> words = build_keyframes(model, code_tr2, clamped);
    ASSERT_EQ(words.size(), 3u * 11);
    EXPECT_EQ(words[6], 12);
    EXPECT_EQ(words[7], -38);
    EXPECT_EQ(words[8], 12);
    EXPECT_EQ(words[11 + 6], 32767);
    EXPECT_EQ(words[11 + 7], 32767);
    EXPECT_EQ(words[11 + 8], -32767);
    EXPECT_EQ(words[22 + 6], 0);
    EXPECT_EQ(clamped, 3);
    for (int w = 0; w < 6; ++w) EXPECT_EQ(words[static_cast<std::size_t>(w)], 0);

    ExchangeLevel fixture(code_tr2, {{1, {}, {2}}});
    const exchange_outcome outcome = import_animation(fixture.level, fixture.meshes, 0, 0, model);
    ASSERT_TRUE(outcome.ok);
    ASSERT_EQ(outcome.warnings.size(), 1u);
    EXPECT_NE(outcome.warnings[0].find("clamped"), std::string::npos);
}

// The import's rotation entry for level angles (degrees) sent through the
// export's conversion.
std::uint32_t round_trip_entry(double x, double y, double z)
{
    const TVector3 e = QuatToEuler(EulerToQuatYXZ(x, -y, -z));
    return rotation_entry({static_cast<float>(DegToRad(e.x)), static_cast<float>(DegToRad(e.y)),
                           static_cast<float>(DegToRad(e.z))});
}

TEST(ImportKeyframes, RotationEntriesUndoTheExportConversion)
{
    EXPECT_EQ(rotation_entry({0, 0, 0}), 0u);
    EXPECT_EQ(round_trip_entry(30, 45, 60), 85u << 20 | 128u << 10 | 171u);
    // (180, 0, 0) comes back as the same rotation (0, 180, 180).
    EXPECT_EQ(round_trip_entry(180, 0, 0), 0u << 20 | 512u << 10 | 512u);
    // Angles just below a full turn round to 1024 units: stored as 0, the
    // other fields and the form bits untouched.
    EXPECT_EQ(round_trip_entry(-0.1, 0, 0), 0u);
    EXPECT_EQ(round_trip_entry(85 * angle_unit, 128 * angle_unit, -0.1), 85u << 20 | 128u << 10);
    EXPECT_EQ(round_trip_entry(10 * angle_unit, -0.1, 20 * angle_unit), 10u << 20 | 20u);
}

TEST(ImportRefusals, JointCountsMustMatch)
{
    ExchangeLevel fixture(code_tr2, {{3, {}, {2}}});
    const LevelState before(fixture.level);
    const exchange_outcome outcome = import_animation(fixture.level, fixture.meshes, 0, 0, keyed_model(4, 2));
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "File has different amount Joints than current selected movable: Imported=4<>current=3");
    EXPECT_TRUE(LevelState(fixture.level) == before);
}

TEST(ImportRefusals, AMoveableWithoutAnimationsOrAnimationOutsideIt)
{
    ExchangeLevel fixture(code_tr2, {{2, {}, {}}, {2, {}, {2}}});
    const LevelState before(fixture.level);
    for (auto [m, j] : {std::pair{0, 0}, {0, -1}, {1, 1}, {1, -1}, {5, 0}}) {
        SCOPED_TRACE(std::to_string(m) + "/" + std::to_string(j));
        const exchange_outcome outcome = import_animation(fixture.level, fixture.meshes, m, j, keyed_model(2, 2));
        EXPECT_FALSE(outcome.ok);
        EXPECT_FALSE(outcome.message.empty());
        EXPECT_TRUE(LevelState(fixture.level) == before);
    }
}

TEST(ImportRefusals, FilesThatDoNotLoadChangeNothing)
{
    ExchangeLevel fixture(code_tr2, {{2, {}, {2}}});
    const LevelState before(fixture.level);
    const auto dir = test::exchange_dir("import-files");
    {
        std::ofstream garbage(dir / "garbage.ms3d", std::ios::binary);
        garbage << "MS3D000000\x04\x00\x00\x00\x10";  // cut short after the header
    }
    {
        std::ofstream text(dir / "plain.mst");
        text << "not a model\r\n";
    }
    // A model loaded before must not stand in for a file that fails.
    TMS3D_File model = keyed_model(2, 2);
    for (const char* name : {"missing.ms3d", "garbage.ms3d", "plain.mst", "model.obj", "MODEL.MS3D"}) {
        SCOPED_TRACE(name);
        const exchange_outcome outcome =
            import_animation_file(fixture.level, fixture.meshes, 0, 0, (dir / name).string(), model);
        EXPECT_FALSE(outcome.ok);
        EXPECT_NE(outcome.message.find("Cannot import"), std::string::npos) << outcome.message;
        EXPECT_TRUE(LevelState(fixture.level) == before);
    }
    // The reason of the loader is passed on.
    const exchange_outcome missing =
        import_animation_file(fixture.level, fixture.meshes, 0, 0, (dir / "missing.ms3d").string(), model);
    EXPECT_NE(missing.message.find("does not exist"), std::string::npos) << missing.message;
}

TEST(ImportRefusals, FrameCountsNoJointCanHold)
{
    // A moveable without meshes matches a model without joints, whose frame
    // count no key bounds.
    ExchangeLevel fixture(code_tr2, {{0, {}, {2}}});
    const LevelState before(fixture.level);
    TMS3D_File model;
    for (std::int32_t frames : {-1, 65536, 2000000000}) {
        model.total_frames = frames;
        EXPECT_FALSE(import_animation(fixture.level, fixture.meshes, 0, 0, model).ok) << frames;
        EXPECT_TRUE(LevelState(fixture.level) == before);
    }
    model.total_frames = 3;
    ASSERT_TRUE(import_animation(fixture.level, fixture.meshes, 0, 0, model).ok);
    EXPECT_EQ(keyframe_count(fixture.level, 0, 0), 3);
}

TEST(ImportRefusals, KeyframesOutsideTheFrames)
{
    ExchangeLevel fixture(code_tr3, {{2, {}, {3, 2}}});
    fixture.level.animations[1].frame_offset = 2 * 1000;  // past the end of the frames
    LevelState before(fixture.level);
    EXPECT_FALSE(import_animation(fixture.level, fixture.meshes, 0, 1, keyed_model(2, 1)).ok);
    EXPECT_FALSE(import_animation(fixture.level, fixture.meshes, 0, 0, keyed_model(2, 1)).ok);
    EXPECT_TRUE(LevelState(fixture.level) == before);
}

TEST(ImportRefusals, KeyframesTooLongForTheirLengthByte)
{
    ExchangeLevel fixture(code_tr4, {{124, {}, {1}}});
    const LevelState before(fixture.level);
    const exchange_outcome outcome = import_animation(fixture.level, fixture.meshes, 0, 0, keyed_model(124, 1));
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.message.find("257"), std::string::npos) << outcome.message;
    EXPECT_TRUE(LevelState(fixture.level) == before);
    // TR1 keyframes have no length byte.
    ExchangeLevel tr1(code_tr1, {{124, {}, {1}}});
    EXPECT_TRUE(import_animation(tr1.level, tr1.meshes, 0, 0, keyed_model(124, 1)).ok);
}

TEST(ImportFromExport, RotationsAtThePolesOfEitherSideComeBack)
{
    // Level x at +-90 degrees, and a level rotation that is MilkShape's
    // y = -90: there one decomposition alone loses the rotation.
    const std::vector<test::unit_angles> poses{{256, 100, 300}, {768, 512, 40}, {785, 768, 512},
                                               {0, 0, 256}, {256, 0, 0}, {512, 256, 768}};
    for (const char* name : {"poles.ms3d", "poles.mst"}) {
        SCOPED_TRACE(name);
        ExchangeLevel fixture(code_tr3, {{static_cast<int>(poses.size()), {}, {2}}});
        Ttrlevel& level = fixture.level;
        const std::size_t length = 9 + 2 * poses.size();
        for (std::size_t f = 0; f < 2; ++f) {
            std::vector<std::int16_t> entries;
            for (const auto& pose : poses) test::put_rotation(entries, code_tr3, pose);
            std::copy(entries.begin(), entries.end(), level.frames.begin() + static_cast<std::ptrdiff_t>(f * length + 9));
        }
        const tpose before = decode_keyframe(level, 0, 0, 1);
        const auto dir = test::exchange_dir("poles");
        export_request request;
        request.path = (dir / name).string();
        TMS3D_File model;
        ASSERT_TRUE(export_selection(level, fixture.meshes, request, model).ok);
        ASSERT_TRUE(import_animation_file(level, fixture.meshes, 0, 0, request.path, model).ok);
        const tpose after = decode_keyframe(level, 0, 0, 1);
        for (std::size_t b = 0; b < poses.size(); ++b)
            EXPECT_LT(test::rotation_difference(after.angles[b], before.angles[b]), 0.01)
                << "bone " << b << ": (" << before.angles[b].x << ", " << before.angles[b].y << ", "
                << before.angles[b].z << ") came back as (" << after.angles[b].x << ", " << after.angles[b].y << ", "
                << after.angles[b].z << ")";
    }
}

}  // namespace
}  // namespace kelanim
