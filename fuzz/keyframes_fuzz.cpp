// Decodes keyframes of every animation of every moveable of a level given as
// level parts (see fuzz_support.h), walks the bones of each pose and runs the
// automatic bound on them. Checks that a pose has one rotation per bone and
// that the walk visits each bone once, in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "anim/bone_walk.h"
#include "anim/keyframes.h"
#include "editing/animation_editing.h"
#include "fuzz_support.h"
#include "geometry/mesh_list.h"

namespace {

using namespace kelanim;

// Work one input may cost, so that a level of absurd counts still runs
// quickly: the code under test has to cope with it, the fuzzer need not visit
// all of it. The walk costs one transform a bone (some microseconds under the
// sanitizers); measuring a pose also transforms every face corner of every
// bone's mesh, so a moveable of 65535 bones that all share one large mesh
// costs billions. Moveables of more bones than the budget are not walked.
constexpr std::int64_t work_budget = 2000;

// Face corners the automatic bound transforms for one pose of moveable m,
// counted no further than `limit`.
std::int64_t corners_measured(const Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m, std::int32_t bones,
                              std::int64_t limit)
{
    std::int64_t corners = 0;
    for (std::int32_t b = 0; b < bones && corners <= limit; ++b) {
        const std::int32_t i = meshes.bone_mesh(level, m, b);
        if (i < 0) continue;
        const tmesh& mesh = meshes.meshes[std::size_t(i)];
        corners += 4 * std::int64_t(mesh.textured_rects.size() + mesh.coloured_rects.size()) +
                   3 * std::int64_t(mesh.textured_tris.size() + mesh.coloured_tris.size());
    }
    return corners;
}

// The keyframe numbers worth trying for an animation of `count` keyframes:
// the rest pose, the first, the last and the one past the end.
std::vector<std::int32_t> keyframes_to_try(std::int32_t count)
{
    std::vector<std::int32_t> n = {-1, 0};
    if (count > 1) n.push_back(count - 1);
    if (count > 0) n.push_back(count);
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteCursor in(data, size);
    Ttrlevel level;
    fuzz::read_level_parts(in, level);
    Tmesh_list meshes;
    meshes.decode_meshes(level);

    std::int64_t budget = work_budget;
    const std::int32_t moveables = std::int32_t(std::min<std::size_t>(level.moveables.size(), 64));
    for (std::int32_t m = -1; m <= moveables; ++m) {
        const std::int32_t animations = animation_count(level, m);
        if (animations < 0) std::abort();
        // The moveable one past those tried may still exist when the level has more.
        const bool exists = m >= 0 && std::size_t(m) < level.moveables.size();
        const std::int32_t bones = exists ? level.moveables[std::size_t(m)].num_meshes : 0;
        const std::int64_t walk_cost = bones + 1;
        const std::int64_t bound_cost =
            walk_cost <= budget ? 2 * (walk_cost + corners_measured(level, meshes, m, bones, budget)) : budget + 1;
        for (std::int32_t j = -1; j <= std::min(animations, 8); ++j) {
            keyframe_rate(level, m, j);
            keyframe_length(level, m, j);
            const std::int32_t count = keyframe_count(level, m, j);
            if (count < 0) std::abort();
            for (std::int32_t n : keyframes_to_try(count)) {
                keyframe_word(level, m, j, n);
                keyframe_box_fields(level, m, j, n);
                if (walk_cost > budget) continue;
                const tpose pose = decode_keyframe(level, m, j, n);
                if (exists && pose.angles.size() != std::size_t(bones)) std::abort();

                std::int32_t expected = 0;
                walk_bones(level, m, pose, n % 2 ? root_mode::translate : root_mode::ignore_translation,
                           bone_matrix(1.0), [&](std::int32_t bone, const bone_matrix&) {
                               if (bone != expected++) std::abort();
                           });
                budget -= walk_cost;

                if (n == 0 && bound_cost <= budget) {
                    keyframe_bounds(level, meshes, m, j, n);
                    automatic_bound(level, meshes, m, j, n);
                    budget -= bound_cost;
                }
            }
        }
    }
    return 0;
}
