#include "read_origin.h"

#include <xxhash.h>

namespace kelanim {

tcontents_digest digest_of(const std::uint8_t* data, std::size_t length)
{
    const XXH128_hash_t hash = XXH3_128bits(data, length);
    return tcontents_digest{hash.low64, hash.high64, length};
}

}  // namespace kelanim
