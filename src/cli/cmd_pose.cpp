// kelanim-cli pose LEVEL MOVEABLE ANIMATION KEYFRAME [--json]: one decoded
// keyframe of a moveable and where its bones stand.
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

#include "anim/bone_walk.h"
#include "anim/keyframes.h"
#include "commands.h"

namespace kelanim::cli {

namespace {

struct PlacedBone {
    tangles angles;
    glm::dvec3 origin;
};

int out_of_range(const std::string& what, long value, long count, const std::string& within)
{
    std::cerr << "kelanim-cli: " << what << ' ' << value << " does not exist: " << within << " has " << count << ' '
              << what << (count == 1 ? "" : "s");
    if (count > 0) std::cerr << " (0 to " << count - 1 << ')';
    std::cerr << '\n';
    return exit_usage;
}

// Four decimals, so that rounding noise of the walk does not show as digits.
double rounded(double value) { return std::round(value * 1e4) / 1e4 + 0.0; }

void print_text(const tpose& pose, const std::vector<PlacedBone>& bones, long m, long j, long n)
{
    std::cout << "moveable " << m << ", animation " << j << ", keyframe " << n << (n < 0 ? " (rest pose)" : "")
              << '\n';
    std::cout << "word    " << pose.word << (pose.cut_short ? "   (cut short: words outside the frames read as 0)" : "")
              << '\n';
    std::cout << "bbox    ";
    for (auto v : pose.bbox) std::cout << v << ' ';
    std::cout << "\noffset  " << pose.offset[0] << ' ' << pose.offset[1] << ' ' << pose.offset[2] << '\n';
    std::cout << "bone  angle x     angle y     angle z      placed x     placed y     placed z\n";
    for (std::size_t b = 0; b < bones.size(); ++b) {
        const PlacedBone& bone = bones[b];
        char line[160];
        std::snprintf(line, sizeof line, "%4zu  %10.4f  %10.4f  %10.4f  %11.4f  %11.4f  %11.4f\n", b, bone.angles.x,
                      bone.angles.y, bone.angles.z, bone.origin.x, bone.origin.y, bone.origin.z);
        std::cout << line;
    }
}

void print_json(const tpose& pose, const std::vector<PlacedBone>& bones, long m, long j, long n)
{
    nlohmann::ordered_json out;
    out["moveable"] = m;
    out["animation"] = j;
    out["keyframe"] = n;
    out["word"] = pose.word;
    out["cut_short"] = pose.cut_short;
    out["bbox"] = pose.bbox;
    out["offset"] = pose.offset;
    out["angles"] = nlohmann::ordered_json::array();
    out["placed"] = nlohmann::ordered_json::array();
    for (const PlacedBone& bone : bones) {
        out["angles"].push_back({bone.angles.x, bone.angles.y, bone.angles.z});
        out["placed"].push_back({rounded(bone.origin.x), rounded(bone.origin.y), rounded(bone.origin.z)});
    }
    std::cout << out.dump(2) << '\n';
}

int run_pose(Args args)
{
    const bool json = take_flag(args, "--json");
    if (args.size() != 4) return usage_error("usage: pose LEVEL MOVEABLE ANIMATION KEYFRAME [--json]");
    const auto m = parse_number(args[1], "MOVEABLE");
    const auto j = parse_number(args[2], "ANIMATION");
    const auto n = parse_number(args[3], "KEYFRAME");
    if (!m || !j || !n) return exit_usage;

    Ttrlevel level;
    if (auto failed = open_level(level, args[0])) return *failed;

    const long moveables = long(std::min<std::size_t>(level.num_moveables, level.moveables.size()));
    if (*m < 0 || *m >= moveables) return out_of_range("moveable", *m, moveables, "the level");
    const std::int32_t mi = std::int32_t(*m);
    const long animations = animation_count(level, mi);
    const std::string of_moveable = "moveable " + std::to_string(*m);
    if (*j < 0 || *j >= animations) return out_of_range("animation", *j, animations, of_moveable);
    const std::int32_t ji = std::int32_t(*j);
    const long keyframes = keyframe_count(level, mi, ji);
    // -1 stands for the rest pose.
    if (*n < -1 || *n >= keyframes)
        return out_of_range("keyframe", *n, keyframes, "animation " + std::to_string(*j) + " of " + of_moveable);
    const std::int32_t ni = std::int32_t(*n);

    const tpose pose = decode_keyframe(level, mi, ji, ni);
    std::vector<PlacedBone> bones;
    walk_bones(level, mi, pose, root_mode::translate, bone_matrix(1.0), [&](std::int32_t b, const bone_matrix& t) {
        const tangles angles = std::size_t(b) < pose.angles.size() ? pose.angles[std::size_t(b)] : tangles{};
        bones.push_back({angles, transform_point(t, glm::dvec3(0.0))});
    });

    if (json) {
        print_json(pose, bones, *m, *j, *n);
    } else {
        print_text(pose, bones, *m, *j, *n);
    }
    if (pose.cut_short) std::cerr << "kelanim-cli: warning: the keyframe runs outside the level's frames\n";
    return exit_ok;
}

const bool registered = register_command(
    {"pose", "pose LEVEL MOVEABLE ANIMATION KEYFRAME [--json]   one keyframe's angles and bone positions (KEYFRAME -1: rest pose)",
     run_pose});

}  // namespace

}  // namespace kelanim::cli
