// How long decoding a level's meshes takes (done once per open; it must stay
// far below 10 ms), and decoding plus walking every keyframe of Lara's first
// animation, the work of one played animation.
//
//   mesh_bench [--benchmark_...]
//
// Levels: every real level beside the project, when present.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "anim/bone_walk.h"
#include "anim/keyframes.h"
#include "geometry/mesh_list.h"

namespace fs = std::filesystem;
using namespace kelanim;

namespace {

std::shared_ptr<Ttrlevel> load(const fs::path& path)
{
    auto level = std::make_shared<Ttrlevel>();
    if (level->load_level(path.string()) != load_ok) return nullptr;
    return level;
}

void decode_level_meshes(benchmark::State& state, std::shared_ptr<Ttrlevel> level)
{
    Tmesh_list list;
    for (auto _ : state) {
        list.decode_meshes(*level);
        benchmark::DoNotOptimize(list.meshes.data());
    }
    state.counters["meshes"] = double(list.count);
    state.counters["mesh_kB"] = double(level->num_mesh_data) * 2 / 1024;
}

void play_first_animation(benchmark::State& state, std::shared_ptr<Ttrlevel> level)
{
    const std::int32_t keyframes = keyframe_count(*level, 0, 0);
    for (auto _ : state) {
        double sum = 0;
        for (std::int32_t n = 0; n < keyframes; ++n) {
            const tpose pose = decode_keyframe(*level, 0, 0, n);
            walk_bones(*level, 0, pose, root_mode::translate, bone_matrix(1.0),
                       [&](std::int32_t, const bone_matrix& t) { sum += t[3][1]; });
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["keyframes"] = keyframes;
}

}  // namespace

int main(int argc, char** argv)
{
    const fs::path folder = fs::path(KELANIM_REALDATA_DIR) / "levels";
    std::vector<fs::path> paths;
    if (fs::is_directory(folder))
        for (const auto& entry : fs::directory_iterator(folder)) paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    for (const fs::path& path : paths) {
        auto level = load(path);
        if (!level) continue;
        const std::string name = path.filename().string();
        benchmark::RegisterBenchmark(("decode_meshes/" + name).c_str(), decode_level_meshes, level)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("play_first_animation/" + name).c_str(), play_first_animation, level)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
