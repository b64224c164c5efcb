// Reads the input as a level file of any generation, plain or in the "ZLIB"
// container, and writes back what was read. The first byte picks the file
// name the level is read under (the name decides the Unfinished Business,
// .TRG and TR5 layouts); the rest is the file.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "level/ttrlevel.h"

namespace {

const char* const extensions[] = {".phd", ".tub", ".tr2", ".trg", ".tr4", ".trc"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelanim;
    if (size < 1) return 0;
    const std::size_t kind = data[0] % std::size(extensions);
    const std::string name = std::string("fuzz") + extensions[kind];
    std::vector<std::uint8_t> bytes(data + 1, data + size);

    Ttrlevel level;
    if (level.load_level_from_memory(std::move(bytes), name) != load_ok) return 0;

    // A level that was read must save, or fail with a clear error. It is
    // saved under its own extension, so in its own layout.
    static fuzz::ScratchFile saved[] = {fuzz::ScratchFile(extensions[0]), fuzz::ScratchFile(extensions[1]),
                                        fuzz::ScratchFile(extensions[2]), fuzz::ScratchFile(extensions[3]),
                                        fuzz::ScratchFile(extensions[4]), fuzz::ScratchFile(extensions[5])};
    try {
        level.save_level(saved[kind].path());
    } catch (const std::exception&) {
    }
    return 0;
}
