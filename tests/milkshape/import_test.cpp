// Import of MilkShape keys into synthetic levels: the keyframe words, the
// splice with the offsets of later animations and moveables, and the files
// and selections that must leave the level as it was.
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
    model.joints.resize(static_cast<std::size_t>(joints));
    for (int b = 0; b < joints; ++b) {
        MS3D_Joint& joint = model.joints[static_cast<std::size_t>(b)];
        set_name(joint.name, "Bone#" + std::to_string(b));
        for (float f = 0; f < static_cast<float>(frames); ++f) {
            joint.rotation_keys.push_back({(f + 1) / 24, {0.01f * f, 0.02f * static_cast<float>(b), 0}});
            joint.translation_keys.push_back({(f + 1) / 24, {f / 10, 0.5f, -0.25f}});
        }
        joint.num_rotation_keys = joint.num_translation_keys = static_cast<std::uint16_t>(frames);
    }
    model.num_joints = static_cast<std::uint16_t>(joints);
    return model;
}

TEST(ImportSplice, TenFramesIntoAFifteenBoneTr2Moveable)
{
    ExchangeLevel fixture(code_tr2, {{15, {}, {3, 5}}, {1, {}, {}}, {2, {}, {4}}, {2, {}, {2}}});
    Ttrlevel& level = fixture.level;
    level.moveables[1].frame_offset = level.moveables[3].frame_offset = 0;  // no animations; reusing moveable 0's
    const auto before = test::keyframe_words(level);
    const std::uint32_t moveable2 = level.moveables[2].frame_offset;
    const exchange_outcome outcome = import_animation(fixture.level, fixture.meshes, 0, 0, keyed_model(15, 10));
    EXPECT_EQ(outcome.message, "Import Sucessfull.");
    EXPECT_TRUE(keyframe_count(level, 0, 0) == 10 && level.animations[0].frame_size == 39);
    EXPECT_EQ(level.num_frames, level.frames.size());
    // Later animations keep their words at their moved offsets, and so do later moveables with animations;
    // those without, or sharing earlier keyframes, keep their offsets.
    const auto after = test::keyframe_words(level);
    EXPECT_TRUE(std::equal(after.begin() + 1, after.end(), before.begin() + 1));
    EXPECT_EQ(level.moveables[2].frame_offset, moveable2 + 2 * (10 - 3) * 39);
    EXPECT_EQ(level.moveables[1].frame_offset + level.moveables[3].frame_offset, 0u);
    // Keyframe 7: root offset (70, -50, 25) from (0.7, 0.5, -0.25); joint 0
    // turns about x only (0.07 rad = 4.01 degrees, 11 units).
    const tpose pose = decode_keyframe(level, 0, 0, 7);
    EXPECT_EQ(pose.offset, (std::array<std::int16_t, 3>{70, -50, 25}));
    EXPECT_TRUE(std::abs(pose.angles[0].x - 11 * angle_unit) < 1e-9 && pose.angles[0].y == 0);
    for (int f = 0; f < 10; ++f) {  // the automatic bound measured every new keyframe
        const tpose p = decode_keyframe(level, 0, 0, f);
        EXPECT_TRUE(p.bbox[0] < p.bbox[1] && p.bbox[2] <= p.bbox[3]) << f;
    }
}

TEST(ImportKeyframes, RootOffsetsRoundHalfToEvenAndClampWithAWarning)
{
    TMS3D_File model = keyed_model(1, 3);
    auto& keys = model.joints[0].translation_keys;
    keys[0].value = {0.125f, 0.375f, -0.125f}, keys[1].value = {400.0f, -400.0f, 327.67f}, keys[2].value = {NAN, 1, -1};
    std::int32_t clamped = 0;
    const std::vector<std::int16_t> words = build_keyframes(model, code_tr2, clamped);
    ASSERT_EQ(words.size(), 3u * 11);
    const std::vector<std::int16_t> offsets{words[6], words[7], words[8], words[17], words[18], words[19], words[28]};
    EXPECT_EQ(offsets, (std::vector<std::int16_t>{12, -38, 12, 32767, 32767, -32767, 0}));
    EXPECT_EQ(clamped, 3);
    ExchangeLevel fixture(code_tr2, {{1, {}, {2}}});
    const exchange_outcome outcome = import_animation(fixture.level, fixture.meshes, 0, 0, model);
    ASSERT_TRUE(outcome.ok && outcome.warnings.size() == 1 && outcome.warnings[0].find("clamped") != std::string::npos);
}

TEST(ImportKeyframes, AnAngleThatRoundsToAFullTurnIsStoredAsZero)
{
    // Level angles (degrees) sent through the export's conversion, then the import's.
    const auto round_trip_entry = [](double x, double y, double z) {
        const TVector3 e = QuatToEuler(EulerToQuatYXZ(x, -y, -z));
        return rotation_entry({float(DegToRad(e.x)), float(DegToRad(e.y)), float(DegToRad(e.z))});
    };
    EXPECT_EQ(round_trip_entry(30, 45, 60), 85u << 20 | 128u << 10 | 171u);
    // Angles just below a full turn round to 1024 units: stored as 0, the
    // other fields and the form bits untouched.
    EXPECT_EQ(round_trip_entry(-0.1, 0, 0), 0u);
    EXPECT_EQ(round_trip_entry(85 * angle_unit, 128 * angle_unit, -0.1), 85u << 20 | 128u << 10);
    EXPECT_EQ(round_trip_entry(10 * angle_unit, -0.1, 20 * angle_unit), 10u << 20 | 20u);
}

TEST(ImportRefusals, SelectionsAndModelsThatDoNotFitChangeNothing)
{
    TMS3D_File frameless;  // a model without joints, whose frame count no key bounds
    const auto frames = [&](std::int32_t n) {
        frameless.total_frames = n;
        return frameless;
    };
    struct Case {
        int code;
        test::moveable_plan plan;
        int m, j;
        TMS3D_File model;
        std::string reason;
    };
    const Case cases[] = {
        {code_tr2, {3, {}, {2}}, 0, 0, keyed_model(4, 2),
         "File has different amount Joints than current selected movable: Imported=4<>current=3"},
        {code_tr2, {2, {}, {}}, 0, 0, keyed_model(2, 2), "no animation"},
        {code_tr2, {2, {}, {}}, 0, -1, keyed_model(2, 2), "no animation"},
        {code_tr2, {2, {}, {2}}, 0, 1, keyed_model(2, 2), "has 1 animations"},
        {code_tr2, {2, {}, {2}}, 0, -1, keyed_model(2, 2), "has 1 animations"},
        {code_tr2, {2, {}, {2}}, 5, 0, keyed_model(2, 2), "does not exist"},
        {code_tr2, {0, {}, {2}}, 0, 0, frames(-1), "frame count -1"},
        {code_tr2, {0, {}, {2}}, 0, 0, frames(65536), "frame count 65536"},
        {code_tr2, {0, {}, {2}}, 0, 0, frames(2000000000), "frame count 2000000000"},
        {code_tr4, {124, {}, {1}}, 0, 0, keyed_model(124, 1), "257"},  // past the length byte
        {code_tr3, {2, {}, {3, 2}}, 0, 1, keyed_model(2, 1), ""},      // keyframes outside the frames
        {code_tr3, {2, {}, {3, 2}}, 0, 0, keyed_model(2, 1), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        ExchangeLevel fixture(c.code, {c.plan});
        if (c.reason.empty()) fixture.level.animations[1].frame_offset = 2 * 1000;
        const auto before = test::level_state(fixture.level);
        const exchange_outcome outcome = import_animation(fixture.level, fixture.meshes, c.m, c.j, c.model);
        EXPECT_FALSE(outcome.ok);
        EXPECT_NE(outcome.message.find(c.reason), std::string::npos) << outcome.message;
        EXPECT_TRUE(test::level_state(fixture.level) == before);
    }
    // What the refusals above stop at fits otherwise: TR1 keyframes have no
    // length byte, and a frameless model of 3 frames imports.
    ExchangeLevel tr1(code_tr1, {{124, {}, {1}}}), boneless(code_tr2, {{0, {}, {2}}});
    EXPECT_TRUE(import_animation(tr1.level, tr1.meshes, 0, 0, keyed_model(124, 1)).ok);
    EXPECT_TRUE(import_animation(boneless.level, boneless.meshes, 0, 0, frames(3)).ok);
    EXPECT_EQ(tr1.level.animations[0].frame_size + keyframe_count(boneless.level, 0, 0), 0 + 3);
}

TEST(ImportRefusals, FilesThatDoNotLoadChangeNothing)
{
    ExchangeLevel fixture(code_tr2, {{2, {}, {2}}});
    const auto before = test::level_state(fixture.level);
    const auto dir = test::exchange_dir("import-files");
    std::ofstream(dir / "garbage.ms3d", std::ios::binary) << "MS3D000000\x04";  // cut short after the header
    std::ofstream(dir / "plain.mst") << "not a model\r\n";
    TMS3D_File model = keyed_model(2, 2);  // a model loaded before must not stand in for a file that fails
    const std::pair<const char*, const char*> files[] = {{"missing.ms3d", "does not exist"},
                                                         {"garbage.ms3d", "garbage.ms3d"}, {"plain.mst", "plain.mst"},
                                                         {"model.obj", "\".ms3d\""}, {"MODEL.MS3D", "\".mst\""}};
    for (const auto& [name, reason] : files) {
        SCOPED_TRACE(name);
        const exchange_outcome outcome =
            import_animation_file(fixture.level, fixture.meshes, 0, 0, (dir / name).string(), model);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.message.rfind("Cannot import", 0), 0u) << outcome.message;
        EXPECT_NE(outcome.message.find(reason), std::string::npos) << outcome.message;  // the loader's reason
        EXPECT_TRUE(test::level_state(fixture.level) == before);
    }
}

TEST(ImportFromExport, RotationsAtThePolesOfEitherSideComeBack)
{
    // Level x at +-90 degrees, and a level rotation that is MilkShape's
    // y = -90: there one decomposition alone loses the rotation.
    const test::unit_angles poses[] = {{256, 100, 300}, {768, 512, 40}, {785, 768, 512},
                                       {0, 0, 256},     {256, 0, 0},    {512, 256, 768}};
    for (const char* name : {"poles.ms3d", "poles.mst"}) {
        SCOPED_TRACE(name);
        ExchangeLevel fixture(code_tr3, {{6, {}, {2}}});
        Ttrlevel& level = fixture.level;
        std::vector<std::int16_t> entries;  // into keyframe 1, after its 9 words of box and offset
        for (const auto& pose : poses) test::put_rotation(entries, code_tr3, pose);
        std::copy(entries.begin(), entries.end(), level.frames.begin() + 2 * 9 + std::ptrdiff_t(entries.size()));
        const tpose before = decode_keyframe(level, 0, 0, 1);
        const export_request request{.path = (test::exchange_dir("poles") / name).string()};
        TMS3D_File model;
        ASSERT_TRUE(export_selection(level, fixture.meshes, request, model).ok);
        ASSERT_TRUE(import_animation_file(level, fixture.meshes, 0, 0, request.path, model).ok);
        const tpose after = decode_keyframe(level, 0, 0, 1);
        for (std::size_t b = 0; b < 6; ++b)
            EXPECT_LT(test::rotation_difference(after.angles[b], before.angles[b]), 0.01) << "bone " << b;
    }
}

}  // namespace
}  // namespace kelanim
