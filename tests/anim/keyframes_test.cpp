#include "anim/keyframes.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelanim {
namespace {

tmoveable moveable(std::uint16_t num_meshes, std::int16_t animation)
{
    tmoveable m{};
    m.num_meshes = num_meshes;
    m.animation = animation;
    return m;
}

// An animation whose keyframes start `first_word` words into `frames`.
tanimation animation(std::uint32_t first_word, std::uint8_t frame_size, std::uint8_t frame_rate = 1)
{
    tanimation a{};
    a.frame_offset = first_word * 2;
    a.frame_size = frame_size;
    a.frame_rate = frame_rate;
    return a;
}

Ttrlevel make_level(std::int32_t code, std::vector<tmoveable> moveables, std::vector<tanimation> animations,
                    std::vector<std::int16_t> frames)
{
    Ttrlevel level;
    level.version_code = code;
    level.moveables = std::move(moveables);
    level.num_moveables = std::uint32_t(level.moveables.size());
    level.animations = std::move(animations);
    level.num_animations = std::uint32_t(level.animations.size());
    level.frames = std::move(frames);
    level.num_frames = std::uint32_t(level.frames.size());
    return level;
}

std::vector<std::int16_t> words(std::initializer_list<std::uint16_t> list)
{
    std::vector<std::int16_t> out;
    for (std::uint16_t w : list) out.push_back(std::int16_t(w));
    return out;
}

TEST(AnimationCount, RunsEndAtTheNextMoveableThatHasAnimations)
{
    const Ttrlevel level = make_level(code_tr4,
                                      {moveable(1, 0), moveable(1, -1), moveable(1, 3), moveable(1, -1)},
                                      std::vector<tanimation>(5, animation(0, 10)), {});
    EXPECT_EQ(animation_count(level, 0), 3);  // the moveable without animations does not cut the run
    EXPECT_EQ(animation_count(level, 1), 0);
    EXPECT_EQ(animation_count(level, 2), 2);  // the last run ends at the level's animation count
    EXPECT_EQ(animation_count(level, 4), 0);
    EXPECT_EQ(animation_count(level, -1), 0);

    // An inverted run has no animations.
    const Ttrlevel inverted =
        make_level(code_tr4, {moveable(1, 4), moveable(1, 2)}, std::vector<tanimation>(3, animation(0, 10)), {});
    EXPECT_EQ(animation_count(inverted, 0), 0);
    EXPECT_EQ(animation_count(inverted, 1), 1);  // 3 - 2
    EXPECT_EQ(keyframe_count(inverted, 0, 0), 0);
    EXPECT_EQ(keyframe_word(inverted, 0, 0, 0), -1);
}

TEST(KeyframeCount, RunsEndAtTheNextAnimationOrTheEndOfFrames)
{
    // Animation 1 of moveable 0 ends where moveable 1's first animation starts.
    Ttrlevel level = make_level(code_tr3, {moveable(2, 0), moveable(2, 2)},
                                {animation(0, 12, 2), animation(36, 12, 3), animation(65, 12, 4)},
                                std::vector<std::int16_t>(100));
    EXPECT_EQ(keyframe_count(level, 0, 0), 3);
    EXPECT_EQ(keyframe_count(level, 0, 1), 2);  // 29 words: two whole keyframes
    EXPECT_EQ(keyframe_count(level, 1, 0), 2);  // the last animation ends at num_frames: 35 words
    EXPECT_EQ(keyframe_count(level, 1, 1), 0);
    EXPECT_EQ(keyframe_count(level, 0, -1), 0);
    EXPECT_EQ(keyframe_rate(level, 0, 1), 3);
    EXPECT_EQ(keyframe_rate(level, 1, 0), 4);
    EXPECT_EQ(keyframe_rate(level, 1, 5), 0);

    // A keyframe length of 0 makes no keyframes.
    level.animations[0].frame_size = 0;
    EXPECT_EQ(keyframe_count(level, 0, 0), 0);

    // An animation that starts after the next one has none either.
    level.animations[1].frame_offset = 2 * 70;
    EXPECT_EQ(keyframe_count(level, 0, 1), 0);

    // The count field of frames is not trusted beyond the array.
    level.num_frames = 100000;
    EXPECT_EQ(keyframe_count(level, 1, 0), 2);

    // TR1's keyframe length follows the moveable's mesh count: 10 + 2 x 3.
    for (std::int32_t code : {code_tr1, code_tr1_ub}) {
        const Ttrlevel tr1 = make_level(code, {moveable(3, 0)}, {animation(0, 99)}, std::vector<std::int16_t>(16 * 5 + 7));
        EXPECT_EQ(keyframe_length(tr1, 0, 0), 16);
        EXPECT_EQ(keyframe_count(tr1, 0, 0), 5);
    }
}

TEST(KeyframeWord, PastTheEndSelectsTheLastAndNegativeNumbersStay)
{
    const Ttrlevel level = make_level(code_tr4, {moveable(1, 0), moveable(1, 1)},
                                      {animation(0, 10), animation(40, 10)}, std::vector<std::int16_t>(80));
    EXPECT_EQ(keyframe_word(level, 1, 0, 0), 40);
    EXPECT_EQ(keyframe_word(level, 1, 0, 2), 60);
    EXPECT_EQ(keyframe_word(level, 1, 0, 4), 70);  // count 4: the last keyframe
    EXPECT_EQ(keyframe_word(level, 1, 0, 99), 70);
    EXPECT_EQ(keyframe_word(level, 1, 0, -1), 30);
    EXPECT_EQ(keyframe_word(level, 1, 0, -3), 10);
    EXPECT_EQ(keyframe_word(level, 0, 0, -1), -10);

    EXPECT_EQ(keyframe_word(level, -1, 0, 0), 0);
    EXPECT_EQ(keyframe_word(level, 0, -1, 0), 0);
    EXPECT_EQ(keyframe_word(level, 2, 0, 0), -1);
    EXPECT_EQ(keyframe_word(level, 0, 1, 0), -1);
}

// Decodes one bone's rotation entry made of `entry` words in a level of `code`.
tangles one_rotation(std::int32_t code, const std::vector<std::uint16_t>& entry)
{
    const Ttrlevel level = make_level(code, {moveable(1, 0)}, {animation(0, 12)}, {entry.begin(), entry.end()});
    bool cut_short = false;
    const std::vector<tangles> angles = decode_rotations(level, 0, 1, cut_short);
    EXPECT_FALSE(cut_short);
    return angles.at(0);
}

// One-axis entries (top bits 01, 10, 11 for x, y, z) hold 10 bits over a
// turn up to TR3 and 12 bits from TR4 on; three-axis entries hold 10 bits per
// axis across two words, first word high, swapped in TR1.
TEST(RotationEntries, EveryFormOfEveryGenerationAndTheWordsEachTakes)
{
    constexpr double step = 360.0 / 1024;
    struct Case {
        std::int32_t code;
        std::vector<std::uint16_t> entry;
        double x, y, z;
    };
    for (const Case& c : std::vector<Case>{
             {code_tr4, {0x4800}, 180, 0, 0},
             {code_tr5, {0x4800}, 180, 0, 0},
             {code_tr2, {0x4800}, 720, 0, 0},
             {code_tr3, {0x4800}, 720, 0, 0},
             {code_tr4, {0x8400}, 0, 90, 0},
             {code_tr4, {0xFFFF}, 0, 0, 0x3FFF * 360.0 / 4096},
             {code_tr2, {0xFFFF}, 0, 0, 0x3FFF * step},
             {code_tr2, {0x0010, 0x0400}, step, step, 0},
             {code_tr4, {0x3FFF, 0xFFFF}, 1023 * step, 1023 * step, 1023 * step},
             {code_tr1, {0x0010, 0x0400}, 64 * step, 0, 16 * step},
             {code_tr1_ub, {0x0010, 0x0400}, 64 * step, 0, 16 * step},
         }) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << " first word " << c.entry[0]);
        const tangles a = one_rotation(c.code, c.entry);
        EXPECT_DOUBLE_EQ(a.x, c.x);
        EXPECT_DOUBLE_EQ(a.y, c.y);
        EXPECT_DOUBLE_EQ(a.z, c.z);
    }

    // Each entry advances by the words of its form: x only, three axes, z only, y only.
    const Ttrlevel level = make_level(code_tr4, {moveable(4, 0)}, {animation(0, 14)},
                                      words({0x4400, 0x0010, 0x0400, 0xC200, 0x8100}));
    bool cut_short = false;
    const std::vector<tangles> a = decode_rotations(level, 0, 4, cut_short);
    EXPECT_FALSE(cut_short);
    ASSERT_EQ(a.size(), 4u);
    EXPECT_DOUBLE_EQ(a[0].x, 90.0);
    EXPECT_DOUBLE_EQ(a[1].x, 0.3515625);
    EXPECT_DOUBLE_EQ(a[1].y, 0.3515625);
    EXPECT_DOUBLE_EQ(a[2].z, 45.0);
    EXPECT_DOUBLE_EQ(a[3].y, 22.5);
}

TEST(DecodeKeyframe, ReadsBoxOffsetAndRotationsOfEachLayout)
{
    // TR3: box, offset, then the rotations from word 9.
    const Ttrlevel tr3 = make_level(code_tr3, {moveable(2, 0)}, {animation(0, 11)},
                                    words({0xFFF0, 16, 0xFFE0, 32, 0xFFD0, 48, 1, 0xFFFE, 3, 0x4400, 0x8400}));
    tpose pose = decode_keyframe(tr3, 0, 0, 0);
    EXPECT_EQ(pose.bbox, (std::array<std::int16_t, 6>{-16, 16, -32, 32, -48, 48}));
    EXPECT_EQ(pose.offset, (std::array<std::int16_t, 3>{1, -2, 3}));
    ASSERT_EQ(pose.angles.size(), 2u);
    EXPECT_DOUBLE_EQ(pose.angles[0].x, 360.0);
    EXPECT_DOUBLE_EQ(pose.angles[1].y, 360.0);
    EXPECT_FALSE(pose.cut_short);

    // TR1: a count word before the rotations, which are two words each.
    const Ttrlevel tr1 = make_level(code_tr1, {moveable(1, 0)}, {animation(0, 0)},
                                    words({0, 0, 0, 0, 0, 0, 5, 6, 7, 1, 0x0010, 0x0400}));
    pose = decode_keyframe(tr1, 0, 0, 0);
    EXPECT_EQ(pose.offset, (std::array<std::int16_t, 3>{5, 6, 7}));
    ASSERT_EQ(pose.angles.size(), 1u);
    EXPECT_DOUBLE_EQ(pose.angles[0].x, 22.5);
}

TEST(DecodeKeyframe, RestPoseHasNoAnglesAndTheOffsetBeforeTheAnimation)
{
    std::vector<std::int16_t> frames(20);
    frames[6] = 100, frames[7] = -200, frames[8] = 300;  // offset of the last keyframe of animation 0
    frames[10 + 9] = 0x4400;
    const Ttrlevel level =
        make_level(code_tr4, {moveable(1, 0)}, {animation(0, 10), animation(10, 10)}, std::move(frames));

    tpose rest = decode_keyframe(level, 0, 1, -1);
    EXPECT_EQ(rest.word, 0);
    EXPECT_EQ(rest.offset, (std::array<std::int16_t, 3>{100, -200, 300}));
    ASSERT_EQ(rest.angles.size(), 1u);
    EXPECT_EQ(rest.angles[0].x, 0.0);
    EXPECT_FALSE(rest.cut_short);

    // The first animation's rest pose would read before the start of frames.
    rest = decode_keyframe(level, 0, 0, -1);
    EXPECT_EQ(rest.word, -10);
    EXPECT_EQ(rest.offset, (std::array<std::int16_t, 3>{0, 0, 0}));
    EXPECT_EQ(rest.bbox, (std::array<std::int16_t, 6>{}));
    EXPECT_TRUE(rest.cut_short);
}

TEST(DecodeKeyframe, WordsPastTheEndOfFramesDecodeAsZero)
{
    // Three bones, but the keyframe's words stop after the first rotation.
    std::vector<std::int16_t> frames = words({1, 2, 3, 4, 5, 6, 7, 8, 9, 0x4400});
    const Ttrlevel level = make_level(code_tr4, {moveable(3, 0)}, {animation(0, 10)}, frames);
    const tpose pose = decode_keyframe(level, 0, 0, 0);
    EXPECT_TRUE(pose.cut_short);
    ASSERT_EQ(pose.angles.size(), 3u);
    EXPECT_DOUBLE_EQ(pose.angles[0].x, 90.0);
    EXPECT_EQ(pose.angles[2].z, 0.0);

    // A three-axis entry whose second word is missing.
    const Ttrlevel half = make_level(code_tr4, {moveable(1, 0)}, {animation(0, 10)},
                                     words({1, 2, 3, 4, 5, 6, 7, 8, 9, 0x0010}));
    const tpose halved = decode_keyframe(half, 0, 0, 0);
    EXPECT_TRUE(halved.cut_short);
    EXPECT_DOUBLE_EQ(halved.angles.at(0).x, 0.3515625);

    // An animation or moveable that does not exist gives an empty pose.
    const tpose none = decode_keyframe(half, 0, 5, 0);
    EXPECT_TRUE(none.cut_short);
    EXPECT_EQ(none.word, -1);
    EXPECT_EQ(none.angles.size(), 1u);
    EXPECT_TRUE(decode_keyframe(half, 7, 0, 0).angles.empty());
}

}  // namespace
}  // namespace kelanim
