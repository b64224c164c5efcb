// Imports a glTF model (the input, binary or JSON) into the first animation of
// the demo level's figure. No file beside the input is read: the model's
// buffers must be inside it. Checks that a failed import leaves the level as
// it was and a successful one keeps the frame count equal to the frames held.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "geometry/mesh_list.h"
#include "gltf/import_model.h"
#include "gltf/model_reading.h"

namespace {

using namespace kelanim;

// Keyframes one input may make: the import samples the model once a keyframe,
// so a model that lasts minutes takes long for nothing the fuzzer needs.
constexpr double keyframe_budget = 2000;

struct demo_level {
    Ttrlevel level;
    Tmesh_list meshes;
    std::vector<std::int16_t> frames;
    std::vector<tanimation> animations;
    std::vector<tmoveable> moveables;
    demo_level()
    {
        if (level.load_level(KELANIM_DEMO_DIR "/demo.tr4") != 0) std::abort();
        meshes.decode_meshes(level);
        frames = level.frames;
        animations = level.animations;
        moveables = level.moveables;
    }
    bool unchanged() const
    {
        return level.frames == frames && level.animations.size() == animations.size() &&
               std::memcmp(level.animations.data(), animations.data(), animations.size() * sizeof(tanimation)) == 0 &&
               std::memcmp(level.moveables.data(), moveables.data(), moveables.size() * sizeof(tmoveable)) == 0;
    }
    void restore()
    {
        level.set_num_frames(static_cast<std::uint32_t>(frames.size()));
        level.frames = frames;
        level.animations = animations;
        level.moveables = moveables;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static demo_level demo;
    const skeleton_read read = read_gltf_bytes(std::vector<unsigned char>(data, data + size), "");
    if (!read.error.empty()) return 0;
    for (const model_animation& a : read.skeleton.animations)
        if (!(a.end - a.start < keyframe_budget / 30)) return 0;
    const exchange_outcome outcome = import_model_animation(demo.level, demo.meshes, 0, 0, read.skeleton, "");
    if (demo.level.num_frames != demo.level.frames.size()) std::abort();
    if (!outcome.ok && !demo.unchanged()) std::abort();
    if (outcome.ok) demo.restore();
    return 0;
}
