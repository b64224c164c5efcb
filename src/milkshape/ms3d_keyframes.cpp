// fill_keyframes: from sparse keys in per-frame slots to one key per frame.
#include <array>

#include "ms3d_file.h"
#include "milkshape/exchange_angles.h"

namespace kelanim {

namespace {

using Value = std::array<float, 3>;

// Walks the slots from the first: gaps before the first key take its value,
// gaps between two keys a and b are filled by `between(a, b)(t)`, slots after
// the last key take its value. Every slot written is stamped with the time
// (k + 1) / frames. `between` makes its interpolator once per pair of keys, so
// what depends on the two keys alone is not worked out again for every slot.
template <class Between>
void fill_slots(std::vector<MS3D_Keyframe>& slots, Between between)
{
    const int frames = static_cast<int>(slots.size());
    auto is_empty = [&](int k) { return slots[k].time == 0; };
    auto write = [&](int k, const Value& value) {
        slots[k].value = value;
        slots[k].time = static_cast<float>(static_cast<extended>(k + 1) / frames);
    };
    auto next_key = [&](int i) {
        for (int j = i + 1; j < frames; ++j)
            if (!is_empty(j)) return j;
        return -1;
    };

    int i = 0;
    while (i < frames - 1) {
        int j = next_key(i);
        if (is_empty(i)) {
            if (j < 0) j = frames - 1;
            const Value value = slots[j].value;
            for (int k = i; k <= j; ++k) write(k, value);
            i = j;
        } else if (j >= 0) {
            const auto at = between(slots[i].value, slots[j].value);
            const int steps = j - i;
            for (int k = 0; k <= steps; ++k) write(i + k, at(static_cast<extended>(k) / steps));
            i = j;
        } else {
            const Value value = slots[i].value;
            for (int k = i; k < frames; ++k) write(k, value);
            i = frames - 1;
        }
    }
}

TQuat rotation_of(const Value& radians)
{
    TQuat q;
    EulerToQuatZYX(q, false, RadToDeg(radians[0]), RadToDeg(radians[1]), RadToDeg(radians[2]));
    return q;
}

auto slerp_rotation(const Value& a, const Value& b)
{
    return [qa = rotation_of(a), qb = rotation_of(b)](extended t) -> Value {
        TVector3 degrees = milkshape_euler(QuatSlerp(qa, qb, t));
        return {static_cast<float>(DegToRad(degrees.x)), static_cast<float>(DegToRad(degrees.y)),
                static_cast<float>(DegToRad(degrees.z))};
    };
}

auto lerp_translation(const Value& a, const Value& b)
{
    return [va = TVector3{a[0], a[1], a[2]}, vb = TVector3{b[0], b[1], b[2]}](extended t) -> Value {
        TVector3 v = VectorLerp(va, vb, t);
        return {v.x, v.y, v.z};
    };
}

}  // namespace

bool fill_keyframes(TMS3D_File& model, MessageSink* messages)
{
    const std::int32_t frames = model.total_frames;
    if (frames <= 0) return true;
    // Every joint is checked before any is touched, so a refusal changes nothing.
    for (const MS3D_Joint& joint : model.joints) {
        bool per_frame = joint.num_rotation_keys == frames && joint.rotation_keys.size() == std::size_t(frames) &&
                         joint.num_translation_keys == frames &&
                         joint.translation_keys.size() == std::size_t(frames);
        if (!per_frame) {
            model.last_error = fill_keyframes_error;
            if (messages) messages->show_message(fill_keyframes_error);
            return false;
        }
    }
    for (MS3D_Joint& joint : model.joints) fill_slots(joint.rotation_keys, slerp_rotation);
    for (MS3D_Joint& joint : model.joints) fill_slots(joint.translation_keys, lerp_translation);
    return true;
}

}  // namespace kelanim
