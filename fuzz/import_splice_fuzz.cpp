// Imports a MilkShape animation into a level: the model file is loaded (the
// binary form with one key slot per frame, or the ascii form) and its keys
// replace the keyframes of one animation of one moveable. Input:
//   u8  moveable index, u8 animation number, u8 file kind (even: .ms3d, odd: .mst)
//   u32 length of the level parts that follow (see fuzz_support.h)
//   the level parts, then the model file.
// Checks that a failed import leaves the level as it was and a successful
// one keeps the frame count equal to the frames held.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "geometry/mesh_list.h"
#include "milkshape/import_animation.h"
#include "milkshape/ms3d_file.h"
#include "milkshape/ms3d_model.h"
#include "milkshape/mst_file.h"

namespace {

using namespace kelanim;

// Rotation entries one input may have built. The import converts every key
// of every joint for every frame, which costs up to some tens of microseconds
// an entry (more under the sanitizers, for angles at a pole or denormal
// values), so a model of tens of thousands of frames takes seconds: work in
// proportion to the frame count the file gives, which the fuzzer need not
// repeat for every such input.
constexpr std::int64_t entry_budget = 2000;

template <class T>
bool same_bytes(const std::vector<T>& a, const std::vector<T>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteCursor in(data, size);
    const std::int32_t m = in.take<std::uint8_t>();
    const std::int32_t j = in.take<std::uint8_t>();
    const bool ascii = in.take<std::uint8_t>() & 1;
    const std::vector<std::uint8_t> parts = in.take_bytes(in.take<std::uint32_t>());
    const std::vector<std::uint8_t> model_file = in.rest();

    Ttrlevel level;
    fuzz::ByteCursor parts_in(parts.data(), parts.size());
    fuzz::read_level_parts(parts_in, level);
    Tmesh_list meshes;
    meshes.decode_meshes(level);

    static fuzz::ScratchFile binary(".ms3d");
    static fuzz::ScratchFile text(".mst");
    fuzz::ScratchFile& file = ascii ? text : binary;
    file.write(model_file.data(), model_file.size());

    const std::vector<std::int16_t> frames_before = level.frames;
    const std::vector<tanimation> animations_before = level.animations;
    const std::vector<tmoveable> moveables_before = level.moveables;

    // The load the import makes, so that the entries it would build can be
    // counted first; a model that loads is spliced as it is, one that does not
    // goes through the whole import for its message.
    TMS3D_File model;
    const std::int16_t loaded = ascii ? load_mst(model, file.path()) : load_ms3d(model, file.path(), true);
    if (loaded == ms3d_ok &&
        std::int64_t{std::max(model.total_frames, 0)} * std::max<std::int64_t>(model.joints.size(), 1) > entry_budget)
        return 0;

    const exchange_outcome outcome = loaded == ms3d_ok ? import_animation(level, meshes, m, j, model)
                                                       : import_animation_file(level, meshes, m, j, file.path(), model);
    if (level.num_frames != level.frames.size()) std::abort();
    if (!outcome.ok && (!same_bytes(level.frames, frames_before) || !same_bytes(level.animations, animations_before) ||
                        !same_bytes(level.moveables, moveables_before)))
        std::abort();
    if (!outcome.ok && outcome.message.empty()) std::abort();  // a failure always says why
    return 0;
}
