// Reads the input as a MilkShape ascii file (.mst). A model that loads is
// written back.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "fuzz_support.h"
#include "milkshape/ms3d_model.h"
#include "milkshape/mst_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelanim;
    static fuzz::ScratchFile file(".mst");
    static fuzz::ScratchFile saved("-saved.mst");
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
