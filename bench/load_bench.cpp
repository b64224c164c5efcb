// How long reading a TR4 level takes against the time zlib alone needs to
// inflate its chunks, and how much memory a read needs at its peak.
//
//   load_bench [--benchmark_...]
//
// Levels: the largest real TR4 level beside the project (when present) and a
// synthetic TR4 level of more than 10 MB unpacked. The peak resident memory
// of a read is measured in a child process of its own and reported as the
// counters peak_MB and unpacked_MB.
#include <benchmark/benchmark.h>

#include <zlib.h>

#include <filesystem>

#include "level/ttrlevel.h"
#include "level_file_bench_support.h"
#include "synthetic_level.h"

namespace fs = std::filesystem;
using namespace kelanim;
using namespace kelanim::bench;

namespace {

std::size_t unpacked_bytes(const std::vector<std::uint8_t>& file)
{
    std::size_t total = 0;
    for (const Chunk& c : packed_chunks(file, false)) total += c.unpacked;
    return total;
}

fs::path synthetic_path()
{
    fs::path path = fs::temp_directory_path() / "kelanim-bench-large.tr4";
    if (!fs::exists(path)) kelanim::test::synthetic_level(6, 40).save(path);
    return path;
}

fs::path real_tr4_path()
{
    fs::path dir = fs::path(KELANIM_REALDATA_DIR) / "levels";
    fs::path largest;
    std::uintmax_t size = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        if (entry.path().extension() != ".tr4") continue;
        if (entry.file_size() > size) size = entry.file_size(), largest = entry.path();
    }
    return largest;
}

void load(benchmark::State& state, const fs::path& path)
{
    if (path.empty() || !fs::exists(path)) {
        state.SkipWithError("level file absent");
        return;
    }
    for (auto _ : state) {
        Ttrlevel level;
        benchmark::DoNotOptimize(level.load_level(path.string()));
    }
    const std::vector<std::uint8_t> file = read_file(path);
    state.counters["unpacked_MB"] = static_cast<double>(unpacked_bytes(file)) / 1e6;
    state.counters["peak_MB"] = static_cast<double>(peak_memory_of_read(path)) / 1e6;
}

void inflate_only(benchmark::State& state, const fs::path& path)
{
    if (path.empty() || !fs::exists(path)) {
        state.SkipWithError("level file absent");
        return;
    }
    const std::vector<std::uint8_t> file = read_file(path);
    const std::vector<Chunk> chunks = packed_chunks(file, false);
    for (auto _ : state) {
        for (const Chunk& c : chunks) {
            std::vector<std::uint8_t> out(c.unpacked);
            uLongf length = c.unpacked;
            uncompress(out.data(), &length, file.data() + c.at, c.packed);
            benchmark::DoNotOptimize(out.data());
        }
    }
}

}  // namespace

BENCHMARK_CAPTURE(load, real_tr4, real_tr4_path())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(inflate_only, real_tr4, real_tr4_path())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, synthetic_tr4, synthetic_path())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(inflate_only, synthetic_tr4, synthetic_path())->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
