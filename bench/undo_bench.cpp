// The cost of keeping an edit for undo on real levels: every box field
// keystroke copies the animation data and finds the one word it changed, so
// this must stay far below what a user can notice (a millisecond).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "editing/animation_editing.h"
#include "editing/level_change.h"

namespace kelanim {
namespace {

void record_box_edit(benchmark::State& state, const char* name)
{
    Ttrlevel level;
    if (level.load_level((std::filesystem::path(KELANIM_REALDATA_DIR) / "levels" / name).string()) != load_ok) return state.SkipWithError("no real level");
    std::int64_t value = 0;
    for (auto _ : state) {
        const animation_data before = copy_animation_data(level);
        set_keyframe_box_field(level, 0, 0, 0, 3, ++value);
        level_change change = level_change::between(before, level);
        benchmark::DoNotOptimize(change);
    }
    state.counters["frames_words"] = static_cast<double>(level.frames.size());
}

BENCHMARK_CAPTURE(record_box_edit, tr4, "tr4.tr4")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(record_box_edit, tr5, "tr5.trc")->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelanim

BENCHMARK_MAIN();
