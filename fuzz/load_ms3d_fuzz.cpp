// Reads the input as a binary MilkShape file (.ms3d). The first byte picks
// the mode: keys as stored (even) or one key slot per frame, interpolated
// (odd); the rest is the file. A model that loads is written back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>

#include "fuzz_support.h"
#include "milkshape/ms3d_file.h"
#include "milkshape/ms3d_model.h"

namespace {

// Key slots one input may have filled. Filling costs some microseconds a
// slot under the sanitizers and the reader accepts up to 2^20 slots, so a
// small file that claims 16 joints of 65535 frames takes seconds: work in
// proportion to the counts the file gives, which the fuzzer need not repeat.
constexpr std::int64_t slot_budget = 32768;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelanim;
    if (size < 1) return 0;
    static fuzz::ScratchFile file(".ms3d");
    static fuzz::ScratchFile saved("-saved.ms3d");
    file.write(data + 1, size - 1);

    TMS3D_File model;
    if (load_ms3d(model, file.path(), false) != ms3d_ok) return 0;
    const std::int64_t slots = std::int64_t{std::max(model.total_frames, 0)} * std::int64_t(model.joints.size());
    if ((data[0] & 1) && slots <= slot_budget && load_ms3d(model, file.path(), true) != ms3d_ok) return 0;
    try {
        save_ms3d(model, saved.path());
    } catch (const std::exception&) {
        // A model the writer finds inconsistent is refused with a reason.
    }
    return 0;
}
