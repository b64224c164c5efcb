#include "milkshape/import_animation.h"

#include <cmath>
#include <limits>

#include "anim/keyframes.h"
#include "editing/animation_editing.h"
#include "milkshape/exchange_angles.h"
#include "milkshape/ms3d_file.h"
#include "milkshape/mst_file.h"

namespace kelanim {

namespace {

constexpr std::int32_t max_frame_size = 255;  // an animation records its keyframe length in a byte
constexpr std::int32_t max_import_frames = 65535;  // a joint counts its keys in 16 bits

bool ends_with(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// round(value) half to even, clamped to a 16-bit word; counts the values
// that did not fit (a value that is not a number counts and becomes 0).
std::int16_t offset_word(extended value, std::int32_t& clamped)
{
    if (std::isnan(value)) {
        ++clamped;
        return 0;
    }
    const extended rounded = std::nearbyint(value);
    if (rounded > 32767) {
        ++clamped;
        return 32767;
    }
    if (rounded < -32768) {
        ++clamped;
        return -32768;
    }
    return static_cast<std::int16_t>(rounded);
}

// An angle in degrees as a 10-bit field; a full turn is 0.
std::uint32_t angle_field(float degrees)
{
    extended a = degrees;
    if (!std::isfinite(a)) return 0;
    if (a < 0) a += 360;
    if (a >= 360) a -= 360;
    const extended units = std::nearbyint(a / extended{angle_unit});
    if (!(units >= 0 && units < 1024)) return 0;
    return static_cast<std::uint32_t>(units);
}

void put_entry(std::vector<std::int16_t>& words, std::size_t at, std::uint32_t v, bool low_first)
{
    const auto high = static_cast<std::int16_t>(static_cast<std::uint16_t>(v >> 16));
    const auto low = static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFF));
    words[at] = low_first ? low : high;
    words[at + 1] = low_first ? high : low;
}

bool old_layout(std::int32_t version_code) { return version_code == code_tr1 || version_code == code_tr1_ub; }

}  // namespace

std::int32_t imported_keyframe_length(std::int32_t version_code, std::int32_t joints)
{
    return 2 * joints + (old_layout(version_code) ? 10 : 9);
}

std::uint32_t rotation_entry(const std::array<float, 3>& radians)
{
    const TVector3 e = level_angles(RadToDeg(radians[0]), RadToDeg(radians[1]), RadToDeg(radians[2]));
    return angle_field(e.x) << 20 | angle_field(e.y) << 10 | angle_field(e.z);
}

std::vector<std::int16_t> build_keyframes(const TMS3D_File& model, std::int32_t version_code, std::int32_t& clamped)
{
    clamped = 0;
    const std::int32_t joints = static_cast<std::int32_t>(model.joints.size());
    const std::size_t length = static_cast<std::size_t>(imported_keyframe_length(version_code, joints));
    const std::size_t frames = model.total_frames > 0 ? static_cast<std::size_t>(model.total_frames) : 0;
    std::vector<std::int16_t> words(frames * length, 0);
    const bool low_first = old_layout(version_code);
    for (std::size_t f = 0; f < frames; ++f) {
        const std::size_t w = f * length;
        if (joints > 0 && f < model.joints[0].translation_keys.size()) {
            const auto& t = model.joints[0].translation_keys[f].value;
            words[w + 6] = offset_word(100 * extended{t[0]}, clamped);
            words[w + 7] = offset_word(-std::nearbyint(100 * extended{t[1]}), clamped);
            words[w + 8] = offset_word(-std::nearbyint(100 * extended{t[2]}), clamped);
        }
        std::size_t p = w + 9;
        if (low_first) words[p++] = static_cast<std::int16_t>(joints);
        for (const MS3D_Joint& joint : model.joints) {
            const std::uint32_t v = f < joint.rotation_keys.size() ? rotation_entry(joint.rotation_keys[f].value) : 0;
            put_entry(words, p, v, low_first);
            p += 2;
        }
    }
    return words;
}

exchange_outcome import_animation(Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m, std::int32_t j,
                                  const TMS3D_File& model)
{
    if (!level.is_loaded()) return exchange_failure("No level is loaded.");
    if (m < 0 || static_cast<std::size_t>(m) >= level.moveables.size())
        return exchange_failure("Moveable " + std::to_string(m) + " does not exist.");
    const std::int32_t animations = animation_count(level, m);
    if (animations <= 0)
        return exchange_failure("The selected moveable has no animation to import into. The level is unchanged.");
    if (j < 0 || j >= animations)
        return exchange_failure("No animation is selected (the moveable has " + std::to_string(animations) +
                                " animations). The level is unchanged.");

    const std::int32_t bones = level.moveables[static_cast<std::size_t>(m)].num_meshes;
    const std::int32_t joints = model.num_joints;
    if (joints != bones || model.joints.size() != model.num_joints)
        return exchange_failure("File has different amount Joints than current selected movable: Imported=" +
                                std::to_string(joints) + "<>current=" + std::to_string(bones));

    const std::int32_t n = model.total_frames;
    if (n < 0 || n > max_import_frames)
        return exchange_failure("The file's frame count " + std::to_string(n) +
                                " is not one a joint can hold keys for (0 to " + std::to_string(max_import_frames) +
                                ").");
    for (std::size_t b = 0; b < model.joints.size(); ++b) {
        const MS3D_Joint& joint = model.joints[b];
        if (joint.rotation_keys.size() < static_cast<std::size_t>(n) ||
            (b == 0 && joint.translation_keys.size() < static_cast<std::size_t>(n)))
            return exchange_failure("Joint " + std::to_string(b) + " of the file has fewer keys than its " +
                                    std::to_string(n) + " frames.");
    }
    const std::int32_t length = imported_keyframe_length(level.version_code, joints);
    if (!old_layout(level.version_code) && length > max_frame_size)
        return exchange_failure("A keyframe of " + std::to_string(joints) + " bones takes " + std::to_string(length) +
                                " words; an animation can record at most " + std::to_string(max_frame_size) + ".");

    // Where the animation's keyframes lie: from its own offset to the next
    // animation's, or to the end of the frames for the level's last one.
    const std::int64_t k = animation_index(level, m, j);
    if (k < 0 || static_cast<std::size_t>(k) >= level.animations.size())
        return exchange_failure("The selected animation lies outside the level's animation list.");
    const std::size_t kk = static_cast<std::size_t>(k);
    const std::size_t total = level.frames.size();
    const std::size_t start = level.animations[kk].frame_offset / 2;
    const std::size_t end = kk + 1 < level.animations.size() && kk + 1 < level.num_animations
                                ? level.animations[kk + 1].frame_offset / 2
                                : total;
    if (start > end || end > total)
        return exchange_failure("The selected animation's keyframes do not lie inside the level's frames. The level "
                                "is unchanged.");
    const std::size_t block = static_cast<std::size_t>(n) * static_cast<std::size_t>(length);
    const std::size_t new_total = total - (end - start) + block;
    if (new_total > std::numeric_limits<std::uint32_t>::max() / 2)
        return exchange_failure("The level's frames would grow past what its byte offsets can address.");

    exchange_outcome outcome;
    std::int32_t clamped = 0;
    const std::vector<std::int16_t> keyframes = build_keyframes(model, level.version_code, clamped);

    std::vector<std::int16_t> spliced;
    spliced.reserve(new_total);
    spliced.insert(spliced.end(), level.frames.begin(), level.frames.begin() + static_cast<std::ptrdiff_t>(start));
    spliced.insert(spliced.end(), keyframes.begin(), keyframes.end());
    spliced.insert(spliced.end(), level.frames.begin() + static_cast<std::ptrdiff_t>(end), level.frames.end());
    level.set_num_frames(static_cast<std::uint32_t>(new_total));
    level.frames = std::move(spliced);

    // Keyframe offsets are in bytes. Later moveables and animations move with
    // the keyframes behind the replaced block; one that points before the
    // block's end (keyframes it shares with an earlier one) keeps its offset,
    // and so do later moveables without animations, which point at none.
    const std::int64_t delta_bytes = 2 * (static_cast<std::int64_t>(block) - static_cast<std::int64_t>(end - start));
    const std::uint64_t end_bytes = 2 * static_cast<std::uint64_t>(end);
    for (std::size_t i = static_cast<std::size_t>(m) + 1; i < level.moveables.size(); ++i)
        if (level.moveables[i].animation != -1 && level.moveables[i].frame_offset >= end_bytes)
            level.moveables[i].frame_offset = static_cast<std::uint32_t>(level.moveables[i].frame_offset + delta_bytes);
    for (std::size_t i = kk + 1; i < level.animations.size(); ++i)
        if (level.animations[i].frame_offset >= end_bytes)
            level.animations[i].frame_offset = static_cast<std::uint32_t>(level.animations[i].frame_offset + delta_bytes);
    level.animations[kk].frame_size = old_layout(level.version_code) ? 0 : static_cast<std::uint8_t>(length);

    for (std::int32_t f = 0; f < n; ++f) automatic_bound(level, meshes, m, j, f);

    if (clamped > 0)
        outcome.warnings.push_back(std::to_string(clamped) +
                                   " root offset values lay beyond the 16-bit range of a keyframe (-327.68 to "
                                   "327.67 in the file) and were clamped.");
    outcome.ok = true;
    outcome.message = import_done_message;
    return outcome;
}

exchange_outcome import_animation_file(Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m, std::int32_t j,
                                       const std::string& path, TMS3D_File& model)
{
    std::int16_t result = ms3d_ok;
    if (ends_with(path, ".ms3d"))
        result = load_ms3d(model, path, true);
    else if (ends_with(path, ".mst"))
        result = load_mst(model, path);
    else
        return exchange_failure("Cannot import " + quoted(path) +
                                ": the file name must end in \".ms3d\" (binary) or \".mst\" (ascii). The level is "
                                "unchanged.");
    if (result != ms3d_ok) {
        // The loaders' reasons name the file themselves.
        std::string reason = model.last_error;
        if (reason.empty())
            reason = quoted(path) + (result == ms3d_no_file         ? " does not exist"
                                     : result == ms3d_bad_signature ? " is not a MilkShape file"
                                     : result == ms3d_bad_version   ? " is not of MilkShape format version 4"
                                                                    : " is damaged");
        if (!reason.empty() && reason.back() == '.') reason.pop_back();
        return exchange_failure("Cannot import: " + reason + ". The level is unchanged.");
    }
    return import_animation(level, meshes, m, j, model);
}

}  // namespace kelanim
