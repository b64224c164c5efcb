// What a level keeps of the file it was read from, so that a save writes the
// parts nobody edited with the very bytes they came from: the packed chunks
// of TR4 and TR5 files are not compressed again (zlib would give other bytes)
// and a level read from a "ZLIB" container goes back into the same container.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace kelanim {

// A fingerprint of the unpacked contents of a texture chunk (XXH3, 128 bits).
struct tcontents_digest {
    std::uint64_t low = 0, high = 0;
    std::uint64_t length = 0;
    bool operator==(const tcontents_digest&) const = default;
};

tcontents_digest digest_of(const std::uint8_t* data, std::size_t length);

// One packed chunk as it stands in the file: its two size words and its zlib
// stream, `length` bytes from `at`.
struct tpacked_chunk_origin {
    bool held = false;
    std::uint32_t at = 0, length = 0;
    tcontents_digest contents;  // texture chunks only
};

enum packed_chunk_slot : std::size_t { chunk_textile32, chunk_textile16, chunk_misc_textile, chunk_level_data };

struct tread_origin {
    // The level file as read, unwrapped from its container; held for TR4 and
    // TR5 files (their packed chunks lie in it) and for every level read from
    // a container.
    std::vector<std::uint8_t> file;
    // The container file as read; empty when the file was a plain level.
    std::vector<std::uint8_t> container;
    std::array<tpacked_chunk_origin, 4> chunks{};
    // TR4: the level data as it unpacked. The level data is what edits
    // change, so the decision to reuse its packed bytes compares every byte.
    std::vector<std::uint8_t> level_data;

    void clear() { *this = tread_origin{}; }
};

}  // namespace kelanim
