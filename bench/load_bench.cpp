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

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "level/ttrlevel.h"
#include "synthetic_level.h"

namespace fs = std::filesystem;
using namespace kelanim;

namespace {

std::vector<std::uint8_t> read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Chunk {
    std::size_t at, packed, unpacked;
};

// The four packed chunks of a TR4 file: three texture chunks, the level data.
std::vector<Chunk> tr4_chunks(const std::vector<std::uint8_t>& file)
{
    std::vector<Chunk> chunks;
    std::size_t at = 10;
    for (int i = 0; i < 4 && at + 8 <= file.size(); ++i) {
        std::uint32_t unpacked, packed;
        std::memcpy(&unpacked, file.data() + at, 4);
        std::memcpy(&packed, file.data() + at + 4, 4);
        chunks.push_back({at + 8, packed, unpacked});
        at += 8 + packed;
    }
    return chunks;
}

std::size_t unpacked_bytes(const std::vector<std::uint8_t>& file)
{
    std::size_t total = 0;
    for (const Chunk& c : tr4_chunks(file)) total += c.unpacked;
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

// Peak resident memory, in bytes, of a child process that reads the level.
long peak_memory_of_read(const fs::path& path)
{
    pid_t child = fork();
    if (child == 0) {
        Ttrlevel level;
        _exit(level.load_level(path.string()) == load_ok ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return usage.ru_maxrss * 1024L;
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
    const std::vector<Chunk> chunks = tr4_chunks(file);
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
