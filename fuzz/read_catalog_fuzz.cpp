// Reads the input as trcatalog.xml. The first byte picks the level
// generation whose section is read; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "catalog/catalog.h"
#include "catalog/catalog_values.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelanim;
    if (size < 1) return 0;
    static fuzz::ScratchFile file(".xml");
    static auto table = std::make_unique<catalog_table>();
    file.write(data + 1, size - 1);
    try {
        read_catalog(*table, file.path(), data[0] % 8);
    } catch (const conversion_error&) {
        // A number attribute that is not a number: the one failure the
        // reader reports by raising.
    }
    return 0;
}
