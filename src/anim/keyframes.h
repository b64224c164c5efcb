// Finding a moveable's animations and keyframes in the level, and decoding a
// keyframe's words into a pose.
//
// A moveable is addressed by its index in `moveables`, an animation by its
// number within the moveable (0 for its first), a keyframe by its number
// within the animation. All operations are pure reads of the level; none
// reads outside the level's arrays, whatever the level holds.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "level/ttrlevel.h"

namespace kelanim {

// Angles of one bone in degrees, about the level's axes.
struct tangles {
    double x = 0, y = 0, z = 0;
};

// One decoded keyframe.
struct tpose {
    std::array<std::int16_t, 6> bbox{};   // min x, max x, min y, max y, min z, max z
    std::array<std::int16_t, 3> offset{}; // root offset x, y, z
    std::vector<tangles> angles;          // one per bone, bone 0 first
    // Word index in `frames` where the keyframe starts (keyframe_word).
    std::int64_t word = 0;
    // Some word the keyframe needs lies outside `frames`: it decoded as 0.
    bool cut_short = false;
};

// Number of animations of moveable m: from its `animation` up to the
// `animation` of the next moveable that has any (or to the level's count).
// 0 for a moveable out of range, one whose `animation` is -1 (or any other
// negative value), or one whose run would come out negative. Bounded by what
// the level holds: the run stops at the last animation record, and a run
// that starts inside an earlier moveable's run counts none, so no two
// moveables share an animation and all of them together never count more
// animations than the level holds, however damaged the level.
std::int32_t animation_count(const Ttrlevel& level, std::int32_t m);

// Level-wide index one past the last animation of moveable m as the level
// states it (the next moveable's `animation`, or `num_animations`), not
// bounded by the records held; 0 for a moveable out of range. The check
// compares it with what exists.
std::int64_t animation_run_end(const Ttrlevel& level, std::int32_t m);

// Word index in `frames` one past the keyframes of level-wide animation k as
// the level states it (the next animation's first word, or the end of
// `frames`), not bounded by the words held; 0 for k out of range.
std::int64_t keyframe_run_end(const Ttrlevel& level, std::int64_t k);

// Number of keyframes of animation j of moveable m, within the words
// `frames` holds; 0 when out of range.
std::int32_t keyframe_count(const Ttrlevel& level, std::int32_t m, std::int32_t j);

// The animation's frame rate (game ticks per stored keyframe); 0 when out of range.
std::int32_t keyframe_rate(const Ttrlevel& level, std::int32_t m, std::int32_t j);

// Length of one keyframe of animation j of moveable m, in 16-bit words; 0
// when out of range.
std::int32_t keyframe_length(const Ttrlevel& level, std::int32_t m, std::int32_t j);

// Level-wide index of animation j of moveable m, or -1 when out of range.
std::int64_t animation_index(const Ttrlevel& level, std::int32_t m, std::int32_t j);

// Word index in `frames` of keyframe n of animation j of moveable m. A
// keyframe number past the end selects the last keyframe; a negative one is
// kept (n = -1 is the word just one keyframe before the first). 0 for a
// negative m or j, -1 for an m or j too large. The result may lie outside
// `frames`: callers that touch the words check it.
std::int64_t keyframe_word(const Ttrlevel& level, std::int32_t m, std::int32_t j, std::int32_t n);

// Decodes keyframe n of animation j of moveable m. A negative n gives the
// rest pose: every angle 0, the offset read one keyframe before the first.
// Words that lie outside `frames` decode as 0 and set `cut_short` (so the
// rest pose of the level's first animation has the offset (0, 0, 0)). For an
// animation that does not exist the pose is all zeros, with one rotation per
// bone when the moveable exists, and `cut_short` is set.
tpose decode_keyframe(const Ttrlevel& level, std::int32_t m, std::int32_t j, std::int32_t n);

// Decodes the rotation entries of `num_bones` bones starting at word p of
// `frames`, in the layout of the level's generation. Entries outside
// `frames` decode as 0 and set `cut_short`.
std::vector<tangles> decode_rotations(const Ttrlevel& level, std::int64_t p, std::int32_t num_bones,
                                      bool& cut_short);

}  // namespace kelanim
