// Byte-level access to the binary .ms3d layout: little-endian, packed. The
// reader never trusts a count further than the bytes left can hold and stops
// a damaged file with Ms3dDamaged, whose text tells what ran short.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace kelanim::ms3d_detail {

static_assert(std::endian::native == std::endian::little, "the .ms3d layout is little-endian");

class Ms3dDamaged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ByteWriter {
public:
    template <class T>
    void put(const T& value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        bytes(&value, sizeof(T));
    }
    void bytes(const void* p, std::size_t n)
    {
        const auto* b = static_cast<const std::uint8_t*>(p);
        data_.insert(data_.end(), b, b + n);
    }
    const std::vector<std::uint8_t>& data() const { return data_; }

private:
    std::vector<std::uint8_t> data_;
};

class ByteReader {
public:
    explicit ByteReader(const std::vector<std::uint8_t>& data) : data_(data) {}

    std::size_t remaining() const { return data_.size() - position_; }
    bool at_end() const { return remaining() == 0; }

    void bytes(void* target, std::size_t n, const char* what)
    {
        if (n > remaining()) throw Ms3dDamaged(std::string("the file ends early, in the ") + what);
        if (n) std::memcpy(target, data_.data() + position_, n);
        position_ += n;
    }

    template <class T>
    T get(const char* what)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        T value;
        bytes(&value, sizeof(T), what);
        return value;
    }

    template <class T>
    void get(T& value, const char* what)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        bytes(&value, sizeof(T), what);
    }

    void skip(std::size_t n, const char* what)
    {
        if (n > remaining()) throw Ms3dDamaged(std::string("the file ends early, in the ") + what);
        position_ += n;
    }

    // Stops a count of records of at least `element_size` bytes each that the
    // rest of the file cannot hold, before anything is sized from it.
    void require_room(std::uint64_t count, std::size_t element_size, const char* what)
    {
        if (count > remaining() / element_size)
            throw Ms3dDamaged("the file claims " + std::to_string(count) + " " + what +
                              " but has room for only " + std::to_string(remaining() / element_size));
    }

private:
    const std::vector<std::uint8_t>& data_;
    std::size_t position_ = 0;
};

}  // namespace kelanim::ms3d_detail
