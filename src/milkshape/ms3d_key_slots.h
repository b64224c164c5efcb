// Per-frame key slots, as both readers build them before fill_keyframes: a
// joint gets one slot per frame and each key read lands in the slot of its
// frame number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ms3d_model.h"

namespace kelanim::ms3d_detail {

// Key counts are 16-bit, so a per-frame model has at most this many frames.
inline constexpr std::int64_t max_slot_frames = 65535;
// The slots of all joints together (of each kind) that a load may fill:
// 2^20, room for a 16-bone figure at the most frames a joint can hold, far
// beyond any animation of a level. Every slot costs an interpolation of about
// half a microsecond, so a small file claiming more is taken as damaged rather
// than allowed to keep the program busy for seconds or exhaust memory.
inline constexpr std::int64_t max_key_slots = std::int64_t{1} << 20;

// Why `joints` joints of `frames` slots each cannot be held, or empty.
inline std::string slot_limit_problem(std::int64_t joints, std::int64_t frames)
{
    if (joints == 0) return {};  // no slots at all, whatever the frame count
    if (frames < 0) return "the frame count " + std::to_string(frames) + " is negative";
    if (frames > max_slot_frames)
        return "the frame count " + std::to_string(frames) + " is more than a joint can hold keys for (" +
               std::to_string(max_slot_frames) + ")";
    if (joints * frames > max_key_slots)
        return std::to_string(joints) + " joints of " + std::to_string(frames) +
               " frames are too many keys to fill";
    return {};
}

// Puts `key` in the slot of `frame` (1-based): frames below 1 go to the
// first slot; a frame past the last slot (or not a number) has no slot and
// the key is dropped, as is every key when there are no slots.
inline void put_key_in_slot(std::vector<MS3D_Keyframe>& slots, long double frame, const MS3D_Keyframe& key)
{
    if (slots.empty() || !(frame <= static_cast<long double>(slots.size()))) return;
    if (frame < 1) frame = 1;
    slots[static_cast<std::size_t>(frame) - 1] = key;
}

}  // namespace kelanim::ms3d_detail
