// The performance report over the real level of every generation: reading
// and saving each level against the least work that reading or writing that
// file takes, the peak memory of a read, building the viewport's scene for
// the level's largest moveable and the automatic bound of its longest
// animation. The export and import figures come from exchange_bench.
//
//   report_bench [--benchmark_...]
//
// References, in CPU time of this process so that other work on the machine
// does not bend the ratios:
//   - reading: zlib inflating the packed chunks of a TR4 or TR5 file; for the
//     unpacked TR1 to TR3 files, reading the file into memory;
//   - saving: zlib compressing at level 9 what a TR4 or TR5 save packs; for
//     TR1 to TR3, writing the saved file's bytes whole (temporary file, fsync,
//     rename).
// Counters: ref_ms and ratio (the operation's CPU time over the reference's),
// unpacked_MB and peak_MB of a read (measured in a child process) with the
// limit set for it (twice the unpacked size and 20 MB), and the size of what
// the scene and the bound work on.
#include <benchmark/benchmark.h>

#include <time.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "anim/keyframes.h"
#include "editing/animation_editing.h"
#include "geometry/mesh_list.h"
#include "level/ttrlevel.h"
#include "level_file_bench_support.h"
#include "render/moveable_scene.h"
#include "synthetic_level.h"

namespace fs = std::filesystem;
using namespace kelanim;
using namespace kelanim::bench;

namespace {

// The real levels, then a synthetic TR4 level of 40 texture pages (36.7 MB
// unpacked) for reading and saving at a larger scale.
const char* const level_files[] = {"tr1.phd", "tr2.tr2", "tr3.tr2", "tr4.tr4", "tr5.trc", "synthetic.tr4"};
constexpr int synthetic_index = 5;

fs::path level_path(int i)
{
    if (i != synthetic_index) return fs::path(KELANIM_REALDATA_DIR) / "levels" / level_files[i];
    const fs::path path = fs::temp_directory_path() / "kelanim-report-bench-synthetic.tr4";
    if (!fs::exists(path)) test::synthetic_level(code_tr4, 40).save(path);
    return path;
}

double cpu_seconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// CPU seconds per run of `work`, over at least a quarter second.
double cpu_per_run(const std::function<void()>& work)
{
    work();  // warm caches and the page cache
    const double start = cpu_seconds();
    int runs = 0;
    do {
        work();
        ++runs;
    } while (cpu_seconds() - start < 0.25 || runs < 3);
    return (cpu_seconds() - start) / runs;
}

// A level loaded once per file, with its meshes decoded.
struct Loaded {
    Ttrlevel level;
    Tmesh_list meshes;
    bool ok = false;
};

Loaded* loaded(int i)
{
    static std::map<int, std::unique_ptr<Loaded>> cache;
    auto& slot = cache[i];
    if (!slot) {
        slot = std::make_unique<Loaded>();
        slot->ok = slot->level.load_level(level_path(i).string()) == load_ok;
        if (slot->ok) slot->meshes.decode_meshes(slot->level);
    }
    return slot.get();
}

bool packs(const Ttrlevel& level) { return level.version_code >= code_tr4; }

std::vector<long>& peak_of_read()
{
    static std::vector<long> peaks;
    return peaks;
}

bool usable(benchmark::State& state, int i)
{
    state.SetLabel(level_files[i]);
    if (!loaded(i)->ok) {
        state.SkipWithError("real level absent");
        return false;
    }
    return true;
}

void BM_Load(benchmark::State& state)
{
    const int i = static_cast<int>(state.range(0));
    if (!usable(state, i)) return;
    const fs::path path = level_path(i);
    const double start = cpu_seconds();
    for (auto _ : state) {
        Ttrlevel level;
        benchmark::DoNotOptimize(level.load_level(path.string()));
    }
    const double load_cpu = (cpu_seconds() - start) / double(state.iterations());

    const std::vector<std::uint8_t> file = read_file(path);
    double reference = 0;
    std::size_t unpacked = file.size();
    if (packs(loaded(i)->level)) {
        const std::vector<Chunk> chunks = packed_chunks(file, loaded(i)->level.version_code == code_tr5);
        for (const Chunk& c : chunks) unpacked += c.unpacked - c.packed;
        // The unpacked chunks are held together, as the level holds them.
        reference = cpu_per_run([&] {
            std::vector<std::vector<std::uint8_t>> held;
            for (const Chunk& c : chunks) {
                std::vector<std::uint8_t>& out = held.emplace_back(c.unpacked);
                uLongf length = c.unpacked;
                uncompress(out.data(), &length, file.data() + c.at, c.packed);
                benchmark::DoNotOptimize(out.data());
            }
        });
    } else {
        reference = cpu_per_run([&] { benchmark::DoNotOptimize(read_file(path).data()); });
    }
    state.counters["ref_ms"] = reference * 1e3;
    state.counters["ratio"] = load_cpu / reference;
    state.counters["unpacked_MB"] = double(unpacked) / 1e6;
    state.counters["peak_MB"] = double(peak_of_read()[i]) / 1e6;
    state.counters["limit_MB"] = 2 * double(unpacked) / 1e6 + 20;
}

void BM_Save(benchmark::State& state)
{
    const int i = static_cast<int>(state.range(0));
    if (!usable(state, i)) return;
    Ttrlevel& level = loaded(i)->level;
    const fs::path out = fs::temp_directory_path() / ("kelanim-report-bench-" + std::string(level_files[i]));
    const double start = cpu_seconds();
    for (auto _ : state) benchmark::DoNotOptimize(level.save_level(out.string()));
    const double save_cpu = (cpu_seconds() - start) / double(state.iterations());

    const std::vector<std::uint8_t> saved = read_file(out);
    double reference = 0;
    if (packs(level)) {
        // What a save packs is what the saved file holds packed.
        const std::vector<Chunk> chunks = packed_chunks(saved, level.version_code == code_tr5);
        std::vector<std::vector<std::uint8_t>> plain;
        for (const Chunk& c : chunks) {
            std::vector<std::uint8_t> data;
            decompress_buffer(saved.data() + c.at, c.packed, c.unpacked, data);
            plain.push_back(std::move(data));
        }
        reference = cpu_per_run([&] {
            for (const auto& data : plain) {
                uLongf length = compressBound(static_cast<uLong>(data.size()));
                std::vector<std::uint8_t> packed(length);
                compress2(packed.data(), &length, data.data(), static_cast<uLong>(data.size()), 9);
                benchmark::DoNotOptimize(packed.data());
            }
        });
    } else {
        reference = cpu_per_run([&] { write_file_atomically(out.string(), saved.data(), saved.size()); });
    }
    fs::remove(out);
    state.counters["ref_ms"] = reference * 1e3;
    state.counters["ratio"] = save_cpu / reference;
    state.counters["file_MB"] = double(saved.size()) / 1e6;
}

// The moveable that emits the most vertices at keyframe 0.
std::int32_t largest_moveable(Loaded& l, std::size_t& vertices)
{
    TxGL gl;
    TVertexBuffer_array buffers;
    setup_vertex_buffer_array(buffers);
    MoveableScene scene(l.level, l.meshes, gl, buffers);
    std::int32_t best = -1;
    vertices = 0;
    for (std::uint32_t m = 0; m < l.level.num_moveables; ++m) {
        scene.selection.moveable = static_cast<std::int32_t>(m);
        scene.build_scene();
        if (best < 0 || gl.vertices().size() > vertices) {
            vertices = gl.vertices().size();
            best = static_cast<std::int32_t>(m);
        }
    }
    return best;
}

void BM_BuildScene(benchmark::State& state)
{
    const int i = static_cast<int>(state.range(0));
    if (!usable(state, i)) return;
    Loaded& l = *loaded(i);
    std::size_t vertices = 0;
    const std::int32_t m = largest_moveable(l, vertices);
    TxGL gl;
    TVertexBuffer_array buffers;
    setup_vertex_buffer_array(buffers);
    MoveableScene scene(l.level, l.meshes, gl, buffers);
    scene.selection.moveable = m;
    scene.selection.show_box = true;
    for (auto _ : state) {
        scene.build_scene();
        benchmark::DoNotOptimize(buffers.buffers[0].vertices.data());
    }
    state.counters["moveable"] = m;
    state.counters["vertices"] = double(vertices);
}

// Automatic Bound over every keyframe of the level's longest animation.
void BM_AutomaticBound(benchmark::State& state)
{
    const int i = static_cast<int>(state.range(0));
    if (!usable(state, i)) return;
    Loaded& l = *loaded(i);
    std::int32_t best_m = -1, best_j = -1, longest = 0;
    for (std::int32_t m = 0; m < std::int32_t(l.level.num_moveables); ++m)
        for (std::int32_t j = 0; j < animation_count(l.level, m); ++j)
            if (keyframe_count(l.level, m, j) > longest) {
                longest = keyframe_count(l.level, m, j);
                best_m = m;
                best_j = j;
            }
    for (auto _ : state)
        for (std::int32_t n = 0; n < longest; ++n) benchmark::DoNotOptimize(automatic_bound(l.level, l.meshes, best_m, best_j, n));
    state.counters["moveable"] = best_m;
    state.counters["keyframes"] = longest;
    state.counters["bones"] = best_m >= 0 ? l.level.moveables[std::size_t(best_m)].num_meshes : 0;
}

}  // namespace

BENCHMARK(BM_Load)->DenseRange(0, synthetic_index)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->DenseRange(0, synthetic_index)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildScene)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AutomaticBound)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    for (int i = 0; i < int(std::size(level_files)); ++i) peak_of_read().push_back(peak_memory_of_read(level_path(i)));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
