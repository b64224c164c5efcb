// Reads the input as a binary MilkShape file (.ms3d). The first byte picks
// the mode: keys as stored (even) or one key slot per frame, interpolated
// (odd); the rest is the file. A model that loads is written back.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "fuzz_support.h"
#include "milkshape/ms3d_file.h"
#include "milkshape/ms3d_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelanim;
    if (size < 1) return 0;
    static fuzz::ScratchFile file(".ms3d");
    static fuzz::ScratchFile saved("-saved.ms3d");
    file.write(data + 1, size - 1);

    TMS3D_File model;
    if (load_ms3d(model, file.path(), data[0] & 1) != ms3d_ok) return 0;
    try {
        save_ms3d(model, saved.path());
    } catch (const std::exception&) {
        // A model the writer finds inconsistent is refused with a reason.
    }
    return 0;
}
