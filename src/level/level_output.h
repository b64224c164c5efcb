// Writing the blocks of a level into the memory file: plain values, counted
// arrays that are never read past their end, filler bytes, and placeholders
// for sizes and offsets known only once the data after them is written.
#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "zfile.h"

namespace kelanim {

template <class T>
void put(TZFile& out, const T& value)
{
    static_assert(std::is_trivially_copyable_v<T>);
    zf_write(out, &value, sizeof(T));
}

inline void put_fill(TZFile& out, std::size_t n, std::uint8_t value)
{
    std::uint8_t block[64];
    std::fill(std::begin(block), std::end(block), value);
    while (n) {
        std::size_t k = std::min(n, sizeof block);
        zf_write(out, block, k);
        n -= k;
    }
}

// A count the file holds in 16 bits.
inline std::uint16_t count16(std::uint64_t count, const char* what)
{
    if (count > 0xFFFF)
        throw std::length_error(std::string("cannot save: ") + what + " has " + std::to_string(count) +
                                " entries, more than the file can count");
    return static_cast<std::uint16_t>(count);
}

// Writes the first `count` elements of `array` as their bytes. A count larger
// than the array would read past it: that is a damaged level in memory and
// fails clearly instead of writing a file whose counts lie.
template <class T>
void put_array(TZFile& out, const std::vector<T>& array, std::uint64_t count, const char* what)
{
    static_assert(std::is_trivially_copyable_v<T>);
    if (count > array.size())
        throw std::length_error(std::string("cannot save: ") + what + " holds " + std::to_string(array.size()) +
                                " elements but its count says " + std::to_string(count));
    if (count) zf_write(out, array.data(), static_cast<std::size_t>(count) * sizeof(T));
}

// A word written now and given its value later.
class Placeholder {
public:
    explicit Placeholder(TZFile& out) : out_(out), at_(zf_pos(out)) { put<std::uint32_t>(out, 0); }

    std::uint32_t at() const { return at_; }

    // Writes the value at the placeholder and returns to the end of the data.
    void set(std::uint32_t value)
    {
        zf_seek(out_, at_);
        put(out_, value);
        zf_seek(out_, zf_size(out_));
    }

private:
    TZFile& out_;
    std::uint32_t at_;
};

}  // namespace kelanim
