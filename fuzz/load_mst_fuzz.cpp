// Reads the input as a MilkShape ascii file (.mst). A model that loads is
// written back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <sstream>
#include <string>

#include "fuzz_support.h"
#include "milkshape/ms3d_model.h"
#include "milkshape/mst_file.h"
#include "milkshape/mst_text.h"

namespace {

using namespace kelanim;

// Key slots one input may have filled: see load_ms3d_fuzz.cpp.
constexpr std::int64_t slot_budget = 32768;

// At most how many key slots the reader could fill for this text: the
// largest frame count of a "frames:" line times the largest count after a
// colon on any other line but the current frame's (the joint count is read
// from whatever line stands in its place; each joint it reads needs lines of
// its own, so a count the file cannot back ends the read early).
std::int64_t most_slots(const std::string& text)
{
    std::istringstream in(text);
    std::int64_t frames = 0, counts = 0;
    for (std::string line = next_line(in); !line.empty(); line = next_line(in)) {
        if (line.find(':') == std::string::npos) continue;
        std::int64_t value = 0;
        try {
            value = to_integer(field(line, ':', 2));
        } catch (const ConversionError&) {
            continue;
        }
        const std::string name = field(line, ':', 1);
        if (name == "frames")
            frames = std::max(frames, value);
        else if (name != "frame")
            counts = std::max(counts, value);
    }
    return frames * counts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFile file(".mst");
    static fuzz::ScratchFile saved("-saved.mst");
    if (most_slots(std::string(reinterpret_cast<const char*>(data), size)) > slot_budget) return 0;
    file.write(data, size);

    TMS3D_File model;
    if (load_mst(model, file.path()) != ms3d_ok) return 0;
    try {
        save_mst(model, saved.path());
    } catch (const std::exception&) {
        // A model the writer finds inconsistent is refused with a reason.
    }
    return 0;
}
