// The memory file: a level file read whole into memory (unpacking the "ZLIB"
// container on the way) or assembled in memory and written to disk in one
// piece. Reads past the end are short and silent; the caller sees how many
// bytes it got.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sinks.h"

namespace kelanim {

// The four bytes that open a compressed container: "ZLIB".
inline constexpr std::uint32_t zlib_container_magic = 0x42494C5A;
inline constexpr std::size_t zfile_write_growth = 262144;

struct TZFile {
    std::string name;
    bool from_container = false;
    std::vector<std::uint8_t> buffer;  // buffer.size() is the capacity
    std::uint32_t size = 0;
    std::uint32_t position = 0;
    std::uint32_t record_size = 1;
    // The container file as read, when the file was one.
    std::vector<std::uint8_t> container;
    // Set when a container's stream was damaged and only part of it unpacked.
    bool damaged_container = false;
};

// Binds the memory file to a path.
void zf_assign(TZFile& f, const std::string& path);

// Reads the whole file into memory, unpacking a "ZLIB" container. A damaged
// container shows "Zlib Error, your compressed data has errors!" through
// `messages` (when given) and keeps what was unpacked. Throws
// std::system_error when the file cannot be read.
void zf_reset(TZFile& f, std::uint32_t record_size, MessageSink* messages = nullptr);

// Takes bytes already in memory as the file's contents, unpacking a "ZLIB"
// container as zf_reset does.
void zf_load_bytes(TZFile& f, std::vector<std::uint8_t> contents, std::uint32_t record_size,
                   MessageSink* messages = nullptr);

// Starts an empty buffer for writing. The file on disk is not touched until
// zf_close writes it back.
void zf_rewrite(TZFile& f, std::uint32_t record_size);

// Copies up to record_size * count bytes from the current position; returns
// the number of bytes copied (fewer at the end of the data).
std::size_t zf_read(TZFile& f, void* destination, std::size_t count);

// Copies record_size * count bytes to the current position, overwriting or
// extending the data.
void zf_write(TZFile& f, const void* source, std::size_t count);

void zf_seek(TZFile& f, std::uint32_t p);
inline std::uint32_t zf_pos(const TZFile& f) { return f.position; }
inline std::uint32_t zf_size(const TZFile& f) { return f.size; }

// With write-back, writes the data to the file on disk whole or not at all:
// a temporary file beside the target is renamed over it only once every byte
// is written. Throws std::system_error on failure, leaving the old file as it
// was. Then releases the buffer.
void zf_close(TZFile& f, bool write_back);

// Writes `size` bytes to `path` atomically (temporary file, then rename).
void write_file_atomically(const std::string& path, const std::uint8_t* data, std::size_t size);

// The two halves of write_file_atomically, for files written together (see
// StagedFiles). The first writes the bytes whole to a new temporary file in
// the folder of `path` and returns its name; on failure it removes it and
// throws std::system_error. The second renames the temporary over `path`; on
// failure it removes the temporary and throws, leaving `path` as it was.
std::string write_temporary_beside(const std::string& path, const std::uint8_t* data, std::size_t size);
void replace_with_temporary(const std::string& temporary, const std::string& path);

// A "ZLIB" container holding `length` bytes.
std::vector<std::uint8_t> pack_container(const std::uint8_t* data, std::size_t length);

// One zlib stream at level 9. Throws std::runtime_error on a zlib error.
std::vector<std::uint8_t> compress_buffer(const std::uint8_t* data, std::size_t length);

// Unpacks one zlib stream. `expected_length` 0 means unknown. Returns false on
// a damaged stream, or one that would unpack to more than `limit` bytes, with
// `out` holding what was unpacked until then.
bool decompress_buffer(const std::uint8_t* packed, std::size_t packed_length,
                       std::size_t expected_length, std::vector<std::uint8_t>& out,
                       std::size_t limit = SIZE_MAX);

}  // namespace kelanim
