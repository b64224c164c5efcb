#include "anim/keyframes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iomanip>
#include <numeric>
#include <sstream>
#include <vector>

namespace kelanim {
namespace {

using moveable_shape = std::pair<std::uint16_t, std::int16_t>;  // mesh count, first animation
struct animation_shape {
    std::uint32_t first_word;  // where its keyframes start in `frames`
    std::uint8_t frame_size, frame_rate = 1;
};

Ttrlevel make_level(std::int32_t code, const std::vector<moveable_shape>& moveables,
                    const std::vector<animation_shape>& animations, const std::vector<std::uint16_t>& frames)
{
    Ttrlevel level;
    level.version_code = code;
    for (const auto& [meshes, first] : moveables) {
        tmoveable& m = level.moveables.emplace_back();
        m.num_meshes = meshes, m.animation = first;
    }
    for (const animation_shape& shape : animations) {
        tanimation& a = level.animations.emplace_back();
        a.frame_offset = 2 * shape.first_word, a.frame_size = shape.frame_size, a.frame_rate = shape.frame_rate;
    }
    level.frames.assign(frames.begin(), frames.end());
    level.num_moveables = std::uint32_t(level.moveables.size()), level.num_animations = std::uint32_t(level.animations.size());
    level.num_frames = std::uint32_t(level.frames.size());
    return level;
}

// A pose as text: its first word, box, root offset, angles ("x,y,z" per bone), and whether words were missing.
std::string text_of(const tpose& pose)
{
    std::ostringstream out;
    out << "word " << pose.word << " box";
    for (std::int16_t v : pose.bbox) out << ' ' << v;
    out << " offset";
    for (std::int16_t v : pose.offset) out << ' ' << v;
    out << " angles " << std::setprecision(15);
    for (const tangles& a : pose.angles) out << a.x << ',' << a.y << ',' << a.z << ' ';
    out << (pose.cut_short ? "cut short" : "whole");
    return out.str();
}

TEST(AnimationCount, RunsEndAtTheNextMoveableThatHasAnimationsAndNeverOverlap)
{
    auto animation_counts = [](const Ttrlevel& level, std::int32_t last) {  // of moveables -1 to last
        std::vector<std::int32_t> counts;
        for (std::int32_t m = -1; m <= last; ++m) counts.push_back(animation_count(level, m));
        return counts;
    };
    // The moveable without animations does not cut the run; the last run ends at the level's animation count.
    const Ttrlevel level = make_level(code_tr4, {{1, 0}, {1, -1}, {1, 3}, {1, -1}}, std::vector<animation_shape>(5, {0, 10}), {});
    EXPECT_EQ(animation_counts(level, 4), (std::vector<std::int32_t>{0, 3, 0, 2, 0, 0}));

    // An inverted run has no animations, nor keyframes.
    const Ttrlevel inverted = make_level(code_tr4, {{1, 4}, {1, 2}}, std::vector<animation_shape>(3, {0, 10}), {});
    EXPECT_EQ(animation_counts(inverted, 1), (std::vector<std::int32_t>{0, 0, 1}));
    EXPECT_EQ(std::pair(keyframe_count(inverted, 0, 0), keyframe_word(inverted, 0, 0, 0)), std::pair(0, std::int64_t(-1)));
    // Damaged moveables whose first animations zigzag would each claim nearly every animation.
    std::vector<moveable_shape> zigzag(40, {1, 0});
    for (std::size_t m = 1; m < zigzag.size(); m += 2) zigzag[m].second = 30000;
    const std::vector<std::int32_t> counts = animation_counts(make_level(code_tr4, zigzag, {{0, 10}, {0, 10}}, {}), 39);
    EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), 0), 2);
}

TEST(KeyframeRuns, EndAtTheNextAnimationOrTheEndOfFramesAndPastTheEndSelectTheLast)
{
    Ttrlevel level = make_level(code_tr3, {{2, 0}, {2, 2}}, {{0, 12, 2}, {36, 12, 3}, {65, 12, 4}}, std::vector<std::uint16_t>(100));
    auto counts = [&] { return std::vector{keyframe_count(level, 0, 0), keyframe_count(level, 0, 1), keyframe_count(level, 1, 0),
                                           keyframe_count(level, 1, 1), keyframe_count(level, 0, -1)}; };
    // Animation 1 of moveable 0 ends where moveable 1's first starts (29 words: two whole keyframes);
    // the last ends at the end of frames (35 words).
    EXPECT_EQ(counts(), (std::vector<std::int32_t>{3, 2, 2, 0, 0}));
    EXPECT_EQ((std::vector{keyframe_rate(level, 0, 1), keyframe_rate(level, 1, 0), keyframe_rate(level, 1, 5)}), (std::vector{3, 4, 0}));

    level.animations[0].frame_size = 0;         // a keyframe length of 0 makes no keyframes
    level.animations[1].frame_offset = 2 * 70;  // nor does a start after the next animation's
    level.num_frames = 100000;                  // the count field is not trusted beyond the array
    EXPECT_EQ(counts(), (std::vector<std::int32_t>{0, 0, 2, 0, 0}));

    // TR1's keyframe length follows the moveable's mesh count: 10 + 2 x 3.
    for (std::int32_t code : {code_tr1, code_tr1_ub}) {
        const Ttrlevel tr1 = make_level(code, {{3, 0}}, {{0, 99}}, std::vector<std::uint16_t>(16 * 5 + 7));
        EXPECT_EQ(std::pair(keyframe_length(tr1, 0, 0), keyframe_count(tr1, 0, 0)), std::pair(16, 5));
    }

    // Keyframe words past the end select the last, negative numbers stay. Rows: moveable, animation, keyframe,
    // word; moveable 1's animation holds 4 keyframes.
    const Ttrlevel words = make_level(code_tr4, {{1, 0}, {1, 1}}, {{0, 10}, {40, 10}}, std::vector<std::uint16_t>(80));
    const std::int64_t cases[][4] = {{1, 0, 0, 40}, {1, 0, 2, 60}, {1, 0, 4, 70}, {1, 0, 99, 70}, {1, 0, -1, 30},
                                     {1, 0, -3, 10}, {0, 0, -1, -10}, {-1, 0, 0, 0},  {0, -1, 0, 0},  {2, 0, 0, -1},
                                     {0, 1, 0, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(keyframe_word(words, std::int32_t(c[0]), std::int32_t(c[1]), std::int32_t(c[2])), c[3]) << c[0] << c[1] << c[2];
}

// One-axis entries (top bits 01, 10, 11 for x, y, z) hold 10 bits over a turn up to TR3 and 12 bits from
// TR4 on; three-axis entries hold 10 bits per axis across two words, first word high, swapped in TR1. Each
// entry takes the words of its form.
TEST(RotationEntries, EveryFormOfEveryGenerationAndTheWordsEachTakes)
{
    const struct {
        std::int32_t code;
        std::vector<std::uint16_t> words;
        std::string angles;
    } cases[] = {
        {code_tr4, {0x4800}, "180,0,0 "}, {code_tr5, {0x4800}, "180,0,0 "},
        {code_tr2, {0x4800}, "720,0,0 "}, {code_tr3, {0x4800}, "720,0,0 "},
        {code_tr4, {0x8400}, "0,90,0 "},
        {code_tr4, {0xFFFF}, "0,0,1439.912109375 "}, {code_tr2, {0xFFFF}, "0,0,5759.6484375 "},
        {code_tr2, {0x0010, 0x0400}, "0.3515625,0.3515625,0 "},
        {code_tr4, {0x3FFF, 0xFFFF}, "359.6484375,359.6484375,359.6484375 "},
        {code_tr1, {0x0010, 0x0400}, "22.5,0,5.625 "}, {code_tr1_ub, {0x0010, 0x0400}, "22.5,0,5.625 "},
        {code_tr4, {0x4400, 0x0010, 0x0400, 0xC200, 0x8100}, "90,0,0 0.3515625,0.3515625,0 0,0,45 0,22.5,0 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << " first word " << c.words[0]);
        // A keyframe of these rotations after a zero box and offset (and TR1's count word).
        std::vector<std::uint16_t> frames(c.code == code_tr1 || c.code == code_tr1_ub ? 10 : 9);
        frames.insert(frames.end(), c.words.begin(), c.words.end());
        const auto bones = std::uint16_t(std::count(c.angles.begin(), c.angles.end(), ' '));
        const Ttrlevel level = make_level(c.code, {{bones, 0}}, {{0, std::uint8_t(frames.size())}}, frames);
        EXPECT_EQ(text_of(decode_keyframe(level, 0, 0, 0)), "word 0 box 0 0 0 0 0 0 offset 0 0 0 angles " + c.angles + "whole");
    }
}

TEST(DecodeKeyframe, TheRestPoseAndWordsPastTheEndOfFrames)
{
    // The rest pose has no angles and the offset of the keyframe before the animation, which for
    // the first animation lies before the start of frames.
    std::vector<std::uint16_t> frames(20);
    frames[6] = 100, frames[7] = std::uint16_t(-200), frames[8] = 300, frames[10 + 9] = 0x4400;
    const Ttrlevel two = make_level(code_tr4, {{1, 0}}, {{0, 10}, {10, 10}}, frames);
    EXPECT_EQ(text_of(decode_keyframe(two, 0, 1, -1)), "word 0 box 0 0 0 0 0 0 offset 100 -200 300 angles 0,0,0 whole");
    EXPECT_EQ(text_of(decode_keyframe(two, 0, 0, -1)), "word -10 box 0 0 0 0 0 0 offset 0 0 0 angles 0,0,0 cut short");

    // Words past the end decode as 0: three bones, but the keyframe's words stop after the first rotation;
    // a three-axis entry lacks its second word.
    const Ttrlevel cut = make_level(code_tr4, {{3, 0}}, {{0, 10}}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0x4400});
    EXPECT_EQ(text_of(decode_keyframe(cut, 0, 0, 0)), "word 0 box 1 2 3 4 5 6 offset 7 8 9 angles 90,0,0 0,0,0 0,0,0 cut short");
    const Ttrlevel half = make_level(code_tr4, {{1, 0}}, {{0, 10}}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0x0010});
    EXPECT_EQ(text_of(decode_keyframe(half, 0, 0, 0)), "word 0 box 1 2 3 4 5 6 offset 7 8 9 angles 0.3515625,0,0 cut short");
    // An animation or moveable that does not exist gives an empty pose.
    EXPECT_EQ(text_of(decode_keyframe(half, 0, 5, 0)), "word -1 box 0 0 0 0 0 0 offset 0 0 0 angles 0,0,0 cut short");
    EXPECT_TRUE(decode_keyframe(half, 7, 0, 0).angles.empty());
}

}  // namespace
}  // namespace kelanim
