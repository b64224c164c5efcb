// Builds files byte by byte for tests: synthetic levels, models, containers.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kelanim::test {

class Bytes {
public:
    Bytes& u8(std::uint8_t v) { return put(&v, 1); }
    Bytes& u16(std::uint16_t v) { return put(&v, 2); }
    Bytes& i16(std::int16_t v) { return put(&v, 2); }
    Bytes& u32(std::uint32_t v) { return put(&v, 4); }
    Bytes& i32(std::int32_t v) { return put(&v, 4); }
    Bytes& f32(float v) { return put(&v, 4); }
    Bytes& text(const std::string& s) { return put(s.data(), s.size()); }
    Bytes& fill(std::size_t n, std::uint8_t value = 0) { return data_.insert(data_.end(), n, value), *this; }
    Bytes& append(const std::vector<std::uint8_t>& more) { return put(more.data(), more.size()); }
    Bytes& append(const Bytes& more) { return append(more.data_); }
    Bytes& put(const void* p, std::size_t n)
    {
        const auto* bytes = static_cast<const std::uint8_t*>(p);
        return data_.insert(data_.end(), bytes, bytes + n), *this;
    }
    // Overwrites a 32-bit word already written (for sizes known only later).
    void patch_u32(std::size_t at, std::uint32_t v) { std::memcpy(data_.data() + at, &v, 4); }

    std::size_t size() const { return data_.size(); }
    const std::vector<std::uint8_t>& data() const { return data_; }
    std::vector<std::uint8_t>& data() { return data_; }
    void save(const std::filesystem::path& path) const
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(data_.data()), static_cast<std::streamsize>(data_.size()));
    }

private:
    std::vector<std::uint8_t> data_;
};

inline std::vector<std::uint8_t> read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kelanim::test
