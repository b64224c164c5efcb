#include "milkshape/import_animation.h"

#include <cmath>

#include "milkshape/exchange_angles.h"
#include "milkshape/keyframe_splice.h"
#include "milkshape/ms3d_file.h"
#include "milkshape/mst_file.h"

namespace kelanim {

namespace {

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

}  // namespace

std::int32_t imported_keyframe_length(std::int32_t version_code, std::int32_t joints)
{
    return 2 * joints + (tr1_keyframe_layout(version_code) ? 10 : 9);
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
    const bool low_first = tr1_keyframe_layout(version_code);
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
    if (auto refused = check_import_target(level, m, j)) return *refused;

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
    if (!tr1_keyframe_layout(level.version_code) && length > max_keyframe_words)
        return exchange_failure("A keyframe of " + std::to_string(joints) + " bones takes " + std::to_string(length) +
                                " words; an animation can record at most " + std::to_string(max_keyframe_words) + ".");

    std::int32_t clamped = 0;
    const std::vector<std::int16_t> keyframes = build_keyframes(model, level.version_code, clamped);
    exchange_outcome outcome = splice_keyframes(level, meshes, m, j, keyframes, n, length);
    if (!outcome.ok) return outcome;

    if (clamped > 0)
        outcome.warnings.push_back(std::to_string(clamped) +
                                   " root offset values lay beyond the 16-bit range of a keyframe (-327.68 to "
                                   "327.67 in the file) and were clamped.");
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
