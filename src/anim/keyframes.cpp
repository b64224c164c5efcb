#include "anim/keyframes.h"

#include <algorithm>
#include <limits>

namespace kelanim {

namespace {

// What the level really holds: a count field is never trusted past its array.
std::size_t held_moveables(const Ttrlevel& level)
{
    return std::min<std::size_t>(level.num_moveables, level.moveables.size());
}
std::size_t held_animations(const Ttrlevel& level)
{
    return std::min<std::size_t>(level.num_animations, level.animations.size());
}
std::int64_t held_frames(const Ttrlevel& level)
{
    return std::int64_t(std::min<std::size_t>(level.num_frames, level.frames.size()));
}

// TR1 and its Unfinished Business levels store the words of a rotation
// entry low half first and size keyframes from the moveable's mesh count.
bool tr1_layout(const Ttrlevel& level)
{
    return level.version_code == code_tr1 || level.version_code == code_tr1_ub;
}

// Word index of the first keyframe of animation k.
std::int64_t first_word(const Ttrlevel& level, std::size_t k) { return level.animations[k].frame_offset / 2; }

// Reads words of `frames`; a word outside the array reads as 0 and is noted.
class FrameWords {
public:
    explicit FrameWords(const Ttrlevel& level) : level_(level), size_(held_frames(level)) {}

    std::uint16_t operator()(std::int64_t i)
    {
        if (i < 0 || i >= size_) {
            outside_ = true;
            return 0;
        }
        return std::uint16_t(level_.frames[std::size_t(i)]);
    }
    bool outside() const { return outside_; }

private:
    const Ttrlevel& level_;
    std::int64_t size_;
    bool outside_ = false;
};

}  // namespace

std::int32_t animation_count(const Ttrlevel& level, std::int32_t m)
{
    const std::size_t moveables = held_moveables(level);
    if (m < 0 || std::size_t(m) >= moveables) return 0;
    const std::int64_t a = level.moveables[std::size_t(m)].animation;
    // -1 marks a moveable without animations; no other negative index means anything.
    if (a < 0) return 0;
    // Runs follow one another in moveable order. One that starts inside an
    // earlier moveable's run would share its animations; in a damaged level
    // every moveable could then claim nearly all of them, so it gets none.
    // `claimed` is the end of the animations the earlier runs hold.
    const std::int64_t held = std::int64_t(held_animations(level));
    std::int64_t claimed = 0, previous = -1;
    for (std::size_t i = 0; i < std::size_t(m); ++i) {
        const std::int64_t start = level.moveables[i].animation;
        if (start < 0) continue;
        // This start ends the run of the previous moveable that has animations.
        if (previous >= claimed && std::min(start, held) > previous) claimed = std::min(start, held);
        previous = start;
    }
    if (previous >= claimed && std::min(a, held) > previous) claimed = std::min(a, held);
    if (a < claimed) return 0;
    // The run never reaches past the animation records the level holds,
    // whatever a damaged next moveable claims.
    const std::int64_t end = std::min(animation_run_end(level, m), held);
    return std::int32_t(std::max<std::int64_t>(end - a, 0));
}

std::int64_t animation_run_end(const Ttrlevel& level, std::int32_t m)
{
    const std::size_t moveables = held_moveables(level);
    if (m < 0 || std::size_t(m) >= moveables) return 0;
    // The run ends where the next moveable that has animations starts its own.
    for (std::size_t next = std::size_t(m) + 1; next < moveables; ++next)
        if (level.moveables[next].animation >= 0) return level.moveables[next].animation;
    return level.num_animations;
}

std::int64_t animation_index(const Ttrlevel& level, std::int32_t m, std::int32_t j)
{
    if (j < 0 || j >= animation_count(level, m)) return -1;
    const std::int64_t k = std::int64_t(level.moveables[std::size_t(m)].animation) + j;
    if (k < 0 || std::size_t(k) >= held_animations(level)) return -1;
    return k;
}

std::int32_t keyframe_length(const Ttrlevel& level, std::int32_t m, std::int32_t j)
{
    const std::int64_t k = animation_index(level, m, j);
    if (k < 0) return 0;
    if (tr1_layout(level)) return 10 + 2 * std::int32_t(level.moveables[std::size_t(m)].num_meshes);
    return level.animations[std::size_t(k)].frame_size;
}

std::int32_t keyframe_count(const Ttrlevel& level, std::int32_t m, std::int32_t j)
{
    const std::int64_t k = animation_index(level, m, j);
    if (k < 0) return 0;
    const std::int64_t start = first_word(level, std::size_t(k));
    // The run ends where the next animation of the level starts, whichever
    // moveable that one belongs to, and never past the words the level holds.
    const std::int64_t end = std::min(keyframe_run_end(level, k), held_frames(level));
    const std::int32_t len = keyframe_length(level, m, j);
    if (len == 0 || end <= start) return 0;
    return std::int32_t(std::min<std::int64_t>((end - start) / len, std::numeric_limits<std::int32_t>::max()));
}

std::int64_t keyframe_run_end(const Ttrlevel& level, std::int64_t k)
{
    const std::size_t animations = held_animations(level);
    if (k < 0 || std::size_t(k) >= animations) return 0;
    return std::size_t(k) + 1 < animations ? first_word(level, std::size_t(k) + 1) : held_frames(level);
}

std::int32_t keyframe_rate(const Ttrlevel& level, std::int32_t m, std::int32_t j)
{
    const std::int64_t k = animation_index(level, m, j);
    return k < 0 ? 0 : level.animations[std::size_t(k)].frame_rate;
}

std::int64_t keyframe_word(const Ttrlevel& level, std::int32_t m, std::int32_t j, std::int32_t n)
{
    if (m < 0 || j < 0) return 0;
    const std::int64_t k = animation_index(level, m, j);
    if (k < 0) return -1;
    const std::int64_t start = first_word(level, std::size_t(k));
    const std::int64_t len = keyframe_length(level, m, j);
    const std::int32_t c = keyframe_count(level, m, j);
    if (n >= c) n = c - 1;  // past the end: the last keyframe
    return start + std::int64_t(n) * len;
}

std::vector<tangles> decode_rotations(const Ttrlevel& level, std::int64_t p, std::int32_t num_bones,
                                      bool& cut_short)
{
    FrameWords word(level);
    const bool swapped = tr1_layout(level);
    // Full turn of a one-axis angle field.
    const double one_axis_turn = level.version_code >= code_tr4 ? 4096.0 : 1024.0;
    constexpr double three_axis_step = 360.0 / 1024.0;

    std::vector<tangles> angles(std::size_t(std::max(num_bones, 0)));
    for (tangles& a : angles) {
        std::uint32_t v;
        if (swapped) {
            // The high half, which holds the form bits, is the second word.
            v = std::uint32_t(word(p + 1)) << 16 | word(p);
        } else {
            v = std::uint32_t(word(p)) << 16;
            if ((v >> 30) == 0) v |= word(p + 1);
        }
        const std::uint32_t form = v >> 30;
        const double one_axis = double((v >> 16) & 0x3FFF) * 360.0 / one_axis_turn;
        switch (form) {
        case 0:
            a.x = double((v >> 20) & 0x3FF) * three_axis_step;
            a.y = double((v >> 10) & 0x3FF) * three_axis_step;
            a.z = double(v & 0x3FF) * three_axis_step;
            p += 2;
            break;
        case 1: a.x = one_axis; p += 1; break;
        case 2: a.y = one_axis; p += 1; break;
        default: a.z = one_axis; p += 1; break;
        }
    }
    cut_short = cut_short || word.outside();
    return angles;
}

tpose decode_keyframe(const Ttrlevel& level, std::int32_t m, std::int32_t j, std::int32_t n)
{
    tpose pose;
    pose.word = keyframe_word(level, m, j, n);
    if (animation_index(level, m, j) < 0) {
        // No such animation: an empty pose, with one zero rotation per bone
        // when the moveable at least exists.
        if (m >= 0 && std::size_t(m) < held_moveables(level))
            pose.angles.resize(level.moveables[std::size_t(m)].num_meshes);
        pose.cut_short = true;
        return pose;
    }

    FrameWords word(level);
    const std::int64_t w = pose.word;
    for (std::size_t i = 0; i < pose.bbox.size(); ++i) pose.bbox[i] = std::int16_t(word(w + std::int64_t(i)));
    for (std::size_t i = 0; i < pose.offset.size(); ++i) pose.offset[i] = std::int16_t(word(w + 6 + std::int64_t(i)));
    pose.cut_short = word.outside();

    const std::int32_t num_bones = level.moveables[std::size_t(m)].num_meshes;
    if (n < 0) {
        pose.angles.assign(std::size_t(num_bones), tangles{});  // the rest pose
        return pose;
    }
    // TR1 keyframes hold a count word before the rotations.
    const std::int64_t first_rotation = w + (tr1_layout(level) ? 10 : 9);
    pose.angles = decode_rotations(level, first_rotation, num_bones, pose.cut_short);
    return pose;
}

}  // namespace kelanim
