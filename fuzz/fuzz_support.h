// Helpers shared by the fuzz targets: a cursor over the fuzzer's bytes, a
// scratch file for readers that only take a path, and the "level parts" input
// that carries just the arrays of a level the mesh, keyframe and import code
// read.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <type_traits>
#include <vector>

#include "level/ttrlevel.h"

namespace kelanim::fuzz {

// Reads values off the front of the input; past its end everything reads as 0
// and arrays come out short.
class ByteCursor {
public:
    ByteCursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    template <class T>
    T take()
    {
        static_assert(std::is_trivially_copyable_v<T>);
        T value{};
        const std::size_t n = std::min(sizeof(T), remaining());
        if (n) std::memcpy(&value, data_ + at_, n);
        at_ += n;
        return value;
    }

    // Up to `count` records, as many as the input still holds whole.
    template <class T>
    std::vector<T> take_array(std::uint64_t count)
    {
        const std::uint64_t whole = remaining() / sizeof(T);
        std::vector<T> out(static_cast<std::size_t>(std::min(count, whole)));
        if (!out.empty()) std::memcpy(out.data(), data_ + at_, out.size() * sizeof(T));
        at_ += out.size() * sizeof(T);
        return out;
    }

    std::vector<std::uint8_t> take_bytes(std::size_t count)
    {
        count = std::min(count, remaining());
        std::vector<std::uint8_t> out(data_ + at_, data_ + at_ + count);
        at_ += count;
        return out;
    }

    std::vector<std::uint8_t> rest() { return take_bytes(remaining()); }
    std::size_t remaining() const { return size_ - at_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A file named after this process in memory-backed storage when there is
// some, for readers that take a path. Removed when the fuzzer exits.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& extension)
    {
        std::filesystem::path dir = "/dev/shm";
        std::error_code ec;
        if (!std::filesystem::is_directory(dir, ec)) dir = std::filesystem::temp_directory_path();
        path_ = (dir / ("kelanim-fuzz-" + std::to_string(::getpid()) + extension)).string();
    }
    ~ScratchFile()
    {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& write(const std::uint8_t* data, std::size_t size)
    {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        out.close();
        if (!out) std::abort();  // the fuzzer cannot work without its scratch file
        return path_;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The "level parts" input:
//   u8   version code, taken modulo 7 plus 1 (codes 1 to 7)
//   then for each array, in this order, a u32 element count followed by the
//   elements as their bytes: mesh_pointers (u32), mesh_data (u16), moveables
//   (20-byte records), animations (40-byte records), mesh_trees (i32),
//   frames (i16).
// Counts larger than the input are cut to the whole elements it holds; every
// count field of the level then equals its array, as after a read.
inline void read_level_parts(ByteCursor& in, Ttrlevel& level)
{
    level.version_code = in.take<std::uint8_t>() % 7 + 1;
    level.mesh_pointers = in.take_array<std::uint32_t>(in.take<std::uint32_t>());
    level.mesh_data = in.take_array<std::uint16_t>(in.take<std::uint32_t>());
    level.moveables = in.take_array<tmoveable>(in.take<std::uint32_t>());
    level.animations = in.take_array<tanimation>(in.take<std::uint32_t>());
    level.mesh_trees = in.take_array<std::int32_t>(in.take<std::uint32_t>());
    level.frames = in.take_array<std::int16_t>(in.take<std::uint32_t>());
    level.num_mesh_pointers = static_cast<std::uint32_t>(level.mesh_pointers.size());
    level.num_mesh_data = static_cast<std::uint32_t>(level.mesh_data.size());
    level.num_moveables = static_cast<std::uint32_t>(level.moveables.size());
    level.num_animations = static_cast<std::uint32_t>(level.animations.size());
    level.num_mesh_trees = static_cast<std::uint32_t>(level.mesh_trees.size());
    level.num_frames = static_cast<std::uint32_t>(level.frames.size());
    level.loaded_tag = "Vornisk";
}

namespace detail {
template <class T>
void append_array(std::vector<std::uint8_t>& out, const std::vector<T>& array)
{
    const auto count = static_cast<std::uint32_t>(array.size());
    const auto* count_bytes = reinterpret_cast<const std::uint8_t*>(&count);
    out.insert(out.end(), count_bytes, count_bytes + sizeof count);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(array.data());
    out.insert(out.end(), bytes, bytes + array.size() * sizeof(T));
}
}  // namespace detail

// The level parts input for a level: what seeds are made from.
inline std::vector<std::uint8_t> level_parts_bytes(const Ttrlevel& level)
{
    std::vector<std::uint8_t> out;
    out.push_back(static_cast<std::uint8_t>(level.version_code - 1));
    detail::append_array(out, level.mesh_pointers);
    detail::append_array(out, level.mesh_data);
    detail::append_array(out, level.moveables);
    detail::append_array(out, level.animations);
    detail::append_array(out, level.mesh_trees);
    detail::append_array(out, level.frames);
    return out;
}

}  // namespace kelanim::fuzz
