// The MilkShape exchange with Lara of each real level and an animation of
// 100 keyframes: the export without the writing of its files (texture
// repacking with the BMP encoding, the collected geometry and rotations, the
// model), and the import of a loaded model (keyframes, splice, automatic
// bound). Target: under 20 ms each.
//
// Measured (RelWithDebInfo, 2 shared cores under a load of about 7, CPU time
// per run): export 2.4 ms (TR1) to 3.9 ms (TR5), import 2.8 to 3.5 ms; wall
// time on the loaded machine 3.9 to 7.8 ms and 4.6 to 7.0 ms.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>

#include "anim/keyframes.h"
#include "geometry/mesh_list.h"
#include "gltf/gltf_export.h"
#include "level/ttrlevel.h"
#include "milkshape/export_moveable.h"
#include "milkshape/import_animation.h"
#include "milkshape/ms3d_file.h"
#include "gltf/gltf_export.h"
#include "gltf/import_model.h"
#include "gltf/model_reading.h"

namespace {

using namespace kelanim;

constexpr std::int32_t bench_keyframes = 100;
const char* const level_files[] = {"tr1.phd", "tr2.tr2", "tr3.tr2", "tr4.tr4", "tr5.trc"};

// A real level whose Lara has, as animation 0, an animation of 100
// keyframes, and the model of that animation loaded from a file.
struct Prepared {
    Ttrlevel level;
    Tmesh_list meshes;
    TMS3D_File model;
    std::vector<unsigned char> glb;  // the same animation as glTF, by our export
    std::string error;
};

std::unique_ptr<Prepared> prepare(const std::string& file)
{
    auto p = std::make_unique<Prepared>();
    const std::filesystem::path level_path = std::filesystem::path(KELANIM_REALDATA_DIR) / "levels" / file;
    if (p->level.load_level(level_path.string()) != load_ok) {
        p->error = "cannot read " + level_path.string();
        return p;
    }
    p->meshes.decode_meshes(p->level);

    // Lara's longest animation, made 100 keyframes long by running it again
    // from its start, imported as her animation 0.
    std::int32_t longest = 0;
    for (std::int32_t j = 1; j < animation_count(p->level, 0); ++j)
        if (keyframe_count(p->level, 0, j) > keyframe_count(p->level, 0, longest)) longest = j;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kelanim-exchange-bench";
    std::filesystem::create_directories(dir);
    export_request request;
    request.path = (dir / "lara.ms3d").string();
    request.animation = longest;
    TMS3D_File model;
    repack_result pages;
    if (auto problem = prepare_export(p->level, p->meshes, request, model, pages)) {
        p->error = *problem;
        return p;
    }
    const std::int32_t source = model.total_frames;
    for (MS3D_Joint& joint : model.joints) {
        for (std::int32_t n = source; n < bench_keyframes; ++n) {
            joint.rotation_keys.push_back(joint.rotation_keys[static_cast<std::size_t>(n % source)]);
            joint.translation_keys.push_back(joint.translation_keys[static_cast<std::size_t>(n % source)]);
        }
        joint.rotation_keys.resize(bench_keyframes);
        joint.translation_keys.resize(bench_keyframes);
        for (std::int32_t n = 0; n < bench_keyframes; ++n) {
            const float time = static_cast<float>(n + 1) / model.fps;
            joint.rotation_keys[static_cast<std::size_t>(n)].time = time;
            joint.translation_keys[static_cast<std::size_t>(n)].time = time;
        }
        joint.num_rotation_keys = joint.num_translation_keys = bench_keyframes;
    }
    model.total_frames = bench_keyframes;
    save_ms3d(model, request.path);
    if (load_ms3d(p->model, request.path, true) != ms3d_ok) {
        p->error = p->model.last_error;
        return p;
    }
    const exchange_outcome imported = import_animation(p->level, p->meshes, 0, 0, p->model);
    if (!imported.ok) p->error = imported.message;
    gltf_export_request glb_request;
    gltf_export_parts parts;
    std::vector<std::string> warnings;
    if (auto problem = prepare_gltf_export(p->level, p->meshes, glb_request, parts, warnings)) p->error = *problem;
    const std::vector<std::uint8_t> glb = encode_glb(parts);
    p->glb.assign(glb.begin(), glb.end());
    return p;
}

Prepared* prepared(const std::string& file)
{
    static std::map<std::string, std::unique_ptr<Prepared>> cache;
    auto& slot = cache[file];
    if (!slot) slot = prepare(file);
    return slot.get();
}

void BM_ExportLara(benchmark::State& state)
{
    Prepared* p = prepared(level_files[state.range(0)]);
    if (!p->error.empty()) {
        state.SkipWithError(p->error.c_str());
        return;
    }
    state.SetLabel(level_files[state.range(0)]);
    export_request request;
    request.path = "/nowhere/lara.ms3d";
    for (auto _ : state) {
        TMS3D_File model;
        repack_result pages;
        auto problem = prepare_export(p->level, p->meshes, request, model, pages);
        for (int k = 0; k < pages.pages.page_count; ++k)
            benchmark::DoNotOptimize(encode_bmp24(pages.pages.rgb.data() + std::size_t(k) * 256 * 256 * 3, 256, 256));
        benchmark::DoNotOptimize(problem);
        benchmark::DoNotOptimize(model.joints.data());
    }
    state.counters["keyframes"] = keyframe_count(p->level, 0, 0);
}

// The same selection to glTF: repacking with the PNG encoding, joints,
// geometry, keys and the .glb bytes, without the writing. Target: at most
// twice the MilkShape export above. Measured (median CPU time of three runs,
// same run as the MilkShape export): 2.6 ms (TR1) to 7.9 ms (TR5), ratio 0.8
// to 1.2.
void BM_ExportLaraGltf(benchmark::State& state)
{
    Prepared* p = prepared(level_files[state.range(0)]);
    if (!p->error.empty()) {
        state.SkipWithError(p->error.c_str());
        return;
    }
    state.SetLabel(level_files[state.range(0)]);
    gltf_export_request request;
    request.path = "/nowhere/lara.glb";
    for (auto _ : state) {
        gltf_export_parts parts;
        std::vector<std::string> warnings;
        if (auto problem = prepare_gltf_export(p->level, p->meshes, request, parts, warnings))
            state.SkipWithError(problem->c_str());
        benchmark::DoNotOptimize(encode_glb(parts));
    }
    state.counters["keyframes"] = keyframe_count(p->level, 0, 0);
}

void BM_ImportLara(benchmark::State& state)
{
    Prepared* p = prepared(level_files[state.range(0)]);
    if (!p->error.empty()) {
        state.SkipWithError(p->error.c_str());
        return;
    }
    state.SetLabel(level_files[state.range(0)]);
    for (auto _ : state) {
        const exchange_outcome outcome = import_animation(p->level, p->meshes, 0, 0, p->model);
        if (!outcome.ok) state.SkipWithError(outcome.message.c_str());
        benchmark::DoNotOptimize(p->level.frames.data());
    }
    state.counters["keyframes"] = p->model.total_frames;
}

// The glTF import: the .glb read from memory, sampled, converted, spliced
// and bounded.
void BM_ImportLaraGlb(benchmark::State& state)
{
    Prepared* p = prepared(level_files[state.range(0)]);
    if (!p->error.empty()) {
        state.SkipWithError(p->error.c_str());
        return;
    }
    state.SetLabel(level_files[state.range(0)]);
    for (auto _ : state) {
        const skeleton_read read = read_gltf_bytes(p->glb, "");
        const exchange_outcome outcome = import_model_animation(p->level, p->meshes, 0, 0, read.skeleton, "");
        if (!outcome.ok) state.SkipWithError(outcome.message.c_str());
        benchmark::DoNotOptimize(p->level.frames.data());
    }
    state.counters["keyframes"] = keyframe_count(p->level, 0, 0);
}

BENCHMARK(BM_ExportLara)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportLaraGltf)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportLara)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportLaraGlb)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
