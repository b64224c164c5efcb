// Reading the blocks of a level from the memory file, with the guard that
// hostile or truncated files need: a count is never trusted further than the
// bytes that remain can fill, and a read that comes up short is remembered
// (the level then says it ended early) instead of failing.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "zfile.h"

namespace kelanim {

class LevelStream {
public:
    explicit LevelStream(TZFile& file) : file_(file) {}

    TZFile& file() { return file_; }
    std::uint32_t pos() const { return zf_pos(file_); }
    std::uint32_t size() const { return zf_size(file_); }
    std::uint32_t remaining() const { return size() - pos(); }
    void seek(std::uint32_t p) { zf_seek(file_, p); }

    // True once any read found fewer bytes than it asked for.
    bool ended_early() const { return ended_early_; }
    void mark_ended_early() { ended_early_ = true; }

    // Copies n bytes; on a short read the rest of the target keeps its value.
    void read_bytes(void* target, std::size_t n)
    {
        if (zf_read(file_, target, n) < n) ended_early_ = true;
    }

    template <class T>
    void read(T& value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        read_bytes(&value, sizeof(T));
    }

    template <class T>
    T read_value()
    {
        T value{};
        read(value);
        return value;
    }

    void skip(std::size_t n)
    {
        if (n > remaining()) ended_early_ = true;
        seek(static_cast<std::uint32_t>(std::min<std::size_t>(pos() + std::size_t{n}, size())));
    }

    // The number of elements of `element_size` file bytes that a count may
    // really have: the count itself when the rest of the file can hold it,
    // else as many as fit (and the file is marked as ended early).
    std::size_t fitting_count(std::uint64_t count, std::size_t element_size)
    {
        if (element_size == 0) return static_cast<std::size_t>(count);
        std::uint64_t fit = remaining() / element_size;
        if (count > fit) {
            ended_early_ = true;
            return static_cast<std::size_t>(fit);
        }
        return static_cast<std::size_t>(count);
    }

    // Resizes `array` to the count (or to what fits) and reads whole records.
    // Returns the number of elements held.
    template <class T>
    std::size_t read_array(std::vector<T>& array, std::uint64_t count)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        std::size_t n = fitting_count(count, sizeof(T));
        array.resize(n);
        if (n) read_bytes(array.data(), n * sizeof(T));
        return n;
    }

    // Resizes `array` like read_array and hands each element to `read_one`,
    // which reads the file form of one element (`element_size` bytes).
    template <class T, class ReadOne>
    std::size_t read_each(std::vector<T>& array, std::uint64_t count, std::size_t element_size, ReadOne read_one)
    {
        std::size_t n = fitting_count(count, element_size);
        array.resize(n);
        for (T& element : array) read_one(element);
        return n;
    }

private:
    TZFile& file_;
    bool ended_early_ = false;
};

}  // namespace kelanim
