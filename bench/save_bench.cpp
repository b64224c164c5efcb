// How long saving a TR4 or TR5 level takes against the time zlib alone needs
// to compress its chunks at level 9, unedited (a save then packs nothing: its
// chunks are written as read) and after one box edit (against packing the
// level data alone), and how long merging the layers of TR5 rooms takes.
//
//   save_bench [--benchmark_...]
//
// Levels: the largest real TR4 and TR5 levels beside the project (when
// present). The merge is also timed on a synthetic room of 60000 distinct
// vertices in four layers, where a linear search per vertex would take
// billions of comparisons.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "level/tr5_rooms.h"
#include "level/ttrlevel.h"

namespace fs = std::filesystem;
using namespace kelanim;

namespace {

fs::path largest_real_level(const char* extension)
{
    fs::path dir = fs::path(KELANIM_REALDATA_DIR) / "levels";
    fs::path largest;
    std::uintmax_t size = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        if (entry.path().extension() != extension) continue;
        if (entry.file_size() > size) size = entry.file_size(), largest = entry.path();
    }
    return largest;
}

bool load(benchmark::State& state, Ttrlevel& level, const fs::path& path)
{
    if (path.empty() || level.load_level(path.string()) != load_ok) {
        state.SkipWithError("level file absent");
        return false;
    }
    return true;
}

fs::path output_path(const fs::path& level)
{
    return fs::temp_directory_path() / ("kelanim-save-bench" + level.extension().string());
}

// The chunks a save packs: the three texture chunks, and for TR4 the level
// data (taken from a first save, whose level data is what every save packs).
std::vector<std::vector<std::uint8_t>> packed_chunks(Ttrlevel& level, const fs::path& path)
{
    std::vector<std::vector<std::uint8_t>> chunks = {
        {level.textile32.begin(), level.textile32.begin() + level.textile8_size * 4},
        {level.textile16.begin(), level.textile16.begin() + level.textile8_size * 2},
        level.misc_textile,
    };
    if (level.version_code == code_tr4) {
        fs::path saved = output_path(path);
        level.save_level(saved.string());
        TZFile f;
        zf_assign(f, saved.string());
        zf_reset(f, 1);
        std::size_t at = 10;
        for (int i = 0; i < 3; ++i) {
            std::uint32_t packed;
            std::memcpy(&packed, f.buffer.data() + at + 4, 4);
            at += 8 + packed;
        }
        std::uint32_t size, packed;
        std::memcpy(&size, f.buffer.data() + at, 4);
        std::memcpy(&packed, f.buffer.data() + at + 4, 4);
        std::vector<std::uint8_t> level_data;
        decompress_buffer(f.buffer.data() + at + 8, packed, size, level_data);
        chunks.push_back(std::move(level_data));
    }
    return chunks;
}

void save(benchmark::State& state, const fs::path& path)
{
    Ttrlevel level;
    if (!load(state, level, path)) return;
    const fs::path out = output_path(path);
    for (auto _ : state) benchmark::DoNotOptimize(level.save_level(out.string()));
    state.counters["file_MB"] = static_cast<double>(fs::file_size(out)) / 1e6;
    fs::remove(out);
}

void compress_only(benchmark::State& state, const fs::path& path)
{
    Ttrlevel level;
    if (!load(state, level, path)) return;
    const auto chunks = packed_chunks(level, path);
    std::size_t total = 0;
    for (const auto& c : chunks) total += c.size();
    for (auto _ : state) {
        for (const auto& c : chunks) {
            uLongf length = compressBound(static_cast<uLong>(c.size()));
            std::vector<std::uint8_t> out(length);
            compress2(out.data(), &length, c.data(), static_cast<uLong>(c.size()), 9);
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.counters["unpacked_MB"] = static_cast<double>(total) / 1e6;
    fs::remove(output_path(path));
}

// The level data as read: TR4 packs it in its fourth chunk, TR5 holds it
// plain after the texture chunks and the 40 bytes of its head.
std::vector<std::uint8_t> level_data(const Ttrlevel& level)
{
    if (level.version_code == code_tr4) return level.origin.level_data;
    const tpacked_chunk_origin& last = level.origin.chunks[chunk_misc_textile];
    const std::size_t at = std::size_t{last.at} + last.length + 40;
    const std::size_t end = std::min(at + level.tr5_data_size[0], level.origin.file.size());
    return {level.origin.file.begin() + static_cast<std::ptrdiff_t>(std::min(at, end)),
            level.origin.file.begin() + static_cast<std::ptrdiff_t>(end)};
}

// A save after one box word of a keyframe changed: a different value every
// time, so no save finds the level as it was read.
void save_after_box_edit(benchmark::State& state, const fs::path& path)
{
    Ttrlevel level;
    if (!load(state, level, path)) return;
    const fs::path out = output_path(path);
    std::int16_t& word = level.frames[level.animations[level.num_animations / 2].frame_offset / 2 + 1];
    const std::int16_t original = word;
    int edit = 0;
    for (auto _ : state) {
        word = static_cast<std::int16_t>(original + 1 + edit++ % 100);
        benchmark::DoNotOptimize(level.save_level(out.string()));
    }
    fs::remove(out);
}

void compress_level_data(benchmark::State& state, const fs::path& path)
{
    Ttrlevel level;
    if (!load(state, level, path)) return;
    const std::vector<std::uint8_t> data = level_data(level);
    for (auto _ : state) {
        uLongf length = compressBound(static_cast<uLong>(data.size()));
        std::vector<std::uint8_t> out(length);
        compress2(out.data(), &length, data.data(), static_cast<uLong>(data.size()), 9);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["unpacked_MB"] = static_cast<double>(data.size()) / 1e6;
}

void merge_rooms(benchmark::State& state, std::vector<troom>& rooms)
{
    std::size_t vertices = 0;
    for (auto _ : state) {
        vertices = 0;
        for (troom& room : rooms) {
            merge_tr5_layers(room);
            vertices += room.num_vertices;
        }
        benchmark::DoNotOptimize(vertices);
    }
    state.counters["rooms"] = static_cast<double>(rooms.size());
    state.counters["merged_vertices"] = static_cast<double>(vertices);
}

void merge_real_tr5(benchmark::State& state)
{
    Ttrlevel level;
    if (!load(state, level, largest_real_level(".trc"))) return;
    merge_rooms(state, level.rooms);
}

// Four layers of 15000 vertices each, on a grid; each layer repeats one row
// of the layer before so that merging finds shared vertices too.
void merge_large_room(benchmark::State& state)
{
    std::vector<troom> rooms(1);
    troom& room = rooms[0];
    room.layers.resize(4);
    for (int l = 0; l < 4; ++l) {
        ttr5_layer& layer = room.layers[l];
        const int first_row = l * 100 - (l ? 1 : 0);
        for (int row = first_row; row < first_row + 101; ++row)
            for (int column = 0; column < 150 && layer.vertices.size() < 15000; ++column)
                layer.vertices.push_back({column * 64.0f, -row * 16.0f, row * 64.0f, {}, 0xFF808080});
        for (std::uint16_t v = 0; std::size_t{v} + 151 < layer.vertices.size(); ++v) {
            layer.rectangles.push_back({{{v, static_cast<std::uint16_t>(v + 1), static_cast<std::uint16_t>(v + 151),
                                          static_cast<std::uint16_t>(v + 150)}, 1}, 0});
            layer.triangles.push_back({{{v, static_cast<std::uint16_t>(v + 1), static_cast<std::uint16_t>(v + 150)}, 2}, 0});
        }
    }
    merge_rooms(state, rooms);
}

}  // namespace

BENCHMARK_CAPTURE(save, real_tr4, largest_real_level(".tr4"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(compress_only, real_tr4, largest_real_level(".tr4"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(save, real_tr5, largest_real_level(".trc"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(compress_only, real_tr5, largest_real_level(".trc"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(save_after_box_edit, real_tr4, largest_real_level(".tr4"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(compress_level_data, real_tr4, largest_real_level(".tr4"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(save_after_box_edit, real_tr5, largest_real_level(".trc"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(compress_level_data, real_tr5, largest_real_level(".trc"))->Unit(benchmark::kMillisecond);
BENCHMARK(merge_real_tr5)->Unit(benchmark::kMicrosecond);
BENCHMARK(merge_large_room)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // glibc adapts its mmap and trim thresholds to the blocks freed before,
    // so without fixed ones the figures of one level depend on the levels
    // timed before it: after the TR4 runs, every TR5 save would get its
    // buffers as fresh pages from the system again (35 ms instead of 3 ms).
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
