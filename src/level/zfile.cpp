#include "zfile.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kelanim {

namespace {

[[noreturn]] void throw_errno(int error, const std::string& what, const std::string& path)
{
    throw std::system_error(error, std::generic_category(), what + " \"" + path + "\"");
}

std::vector<std::uint8_t> read_whole_file(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw_errno(errno, "Cannot open", path);
    std::vector<std::uint8_t> data;
    std::uint8_t chunk[65536];
    while (true) {
        std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        data.insert(data.end(), chunk, chunk + got);
        if (got < sizeof chunk) break;
    }
    int error = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (error) throw_errno(error, "Cannot read", path);
    return data;
}

std::uint32_t read_u32(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

std::size_t round_up_256(std::size_t n) { return (n + 255) / 256 * 256; }

}  // namespace

void zf_assign(TZFile& f, const std::string& path)
{
    f.name = path;
    f.from_container = false;
}

void zf_reset(TZFile& f, std::uint32_t record_size, MessageSink* messages)
{
    zf_load_bytes(f, read_whole_file(f.name), record_size, messages);
}

void zf_load_bytes(TZFile& f, std::vector<std::uint8_t> contents, std::uint32_t record_size, MessageSink* messages)
{
    f.record_size = record_size;
    f.position = 0;
    f.damaged_container = false;
    f.container.clear();
    if (contents.size() > UINT32_MAX) throw std::runtime_error("The file \"" + f.name + "\" is too large");

    f.from_container = contents.size() > 12 && read_u32(contents.data()) == zlib_container_magic;
    if (f.from_container) {
        std::size_t packed = std::min<std::size_t>(read_u32(contents.data() + 4), contents.size() - 12);
        std::uint32_t unpacked_size = read_u32(contents.data() + 8);
        std::vector<std::uint8_t> unpacked;
        // The expected size is only a first guess at the output block: a
        // hostile header must not make us reserve gigabytes up front.
        std::size_t guess = std::min<std::size_t>(unpacked_size, packed * 1032 + 256);
        if (!decompress_buffer(contents.data() + 12, packed, guess, unpacked)) {
            f.damaged_container = true;
            if (messages) messages->show_message("Zlib Error, your compressed data has errors!");
        }
        f.container = std::move(contents);
        contents = std::move(unpacked);
    }
    f.size = static_cast<std::uint32_t>(contents.size());
    f.buffer = std::move(contents);
}

void zf_rewrite(TZFile& f, std::uint32_t record_size)
{
    f.container.clear();
    f.size = 0;
    f.position = 0;
    f.record_size = record_size;
    f.buffer.assign(zfile_write_growth, 0);
}

std::size_t zf_read(TZFile& f, void* destination, std::size_t count)
{
    std::size_t k = std::min<std::size_t>(std::size_t{f.record_size} * count, f.size - f.position);
    if (k) std::memcpy(destination, f.buffer.data() + f.position, k);
    f.position += static_cast<std::uint32_t>(k);
    return k;
}

void zf_write(TZFile& f, const void* source, std::size_t count)
{
    std::size_t k = std::size_t{f.record_size} * count;
    if (std::size_t{f.position} + k > UINT32_MAX) throw std::length_error("level data larger than 4 GB");
    if (k > f.buffer.size() - f.position) f.buffer.resize(f.position + k + zfile_write_growth);
    if (k) std::memcpy(f.buffer.data() + f.position, source, k);
    f.position += static_cast<std::uint32_t>(k);
    f.size = std::max(f.size, f.position);
}

void zf_seek(TZFile& f, std::uint32_t p) { f.position = std::min(p, f.size); }

std::string write_temporary_beside(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    // A short temporary name in the target's folder, so that the rename is
    // atomic and long target names still fit the system's limit.
    const std::string::size_type slash = path.rfind('/');
    std::string temp = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".kelanim-XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) throw_errno(errno, "Cannot create a file beside", path);
    // Keep the permissions of the file being replaced, or the usual ones.
    struct stat old_stat {};
    mode_t mode = 0666;
    if (stat(path.c_str(), &old_stat) == 0) {
        mode = old_stat.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode &= ~mask;
    }
    fchmod(fd, mode);

    auto fail = [&](const char* what) {
        int error = errno;
        close(fd);
        unlink(temp.c_str());
        throw_errno(error, what, path);
    };
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("Cannot write");
        }
        done += static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0) fail("Cannot write");
    if (close(fd) != 0) {
        int error = errno;
        unlink(temp.c_str());
        throw_errno(error, "Cannot write", path);
    }
    return temp;
}

void replace_with_temporary(const std::string& temporary, const std::string& path)
{
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        int error = errno;
        unlink(temporary.c_str());
        throw_errno(error, "Cannot replace", path);
    }
}

void write_file_atomically(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    replace_with_temporary(write_temporary_beside(path, data, size), path);
}

void zf_close(TZFile& f, bool write_back)
{
    if (write_back) write_file_atomically(f.name, f.buffer.data(), f.size);
    f.buffer.clear();
    f.buffer.shrink_to_fit();
    f.container.clear();
    f.container.shrink_to_fit();
    f.size = 0;
    f.position = 0;
}

std::vector<std::uint8_t> compress_buffer(const std::uint8_t* data, std::size_t length)
{
    z_stream stream{};
    if (deflateInit(&stream, 9) != Z_OK) throw std::runtime_error("zlib: cannot start compression");
    std::vector<std::uint8_t> out(round_up_256(length + length / 10 + 12));
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(length);
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    while (true) {
        int rc = deflate(&stream, Z_FINISH);
        if (rc == Z_STREAM_END) break;
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            deflateEnd(&stream);
            throw std::runtime_error(std::string("zlib: ") + (stream.msg ? stream.msg : "compression failed"));
        }
        std::size_t used = out.size() - stream.avail_out;
        out.resize(out.size() + 256);
        stream.next_out = out.data() + used;
        stream.avail_out = static_cast<uInt>(out.size() - used);
    }
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::vector<std::uint8_t> pack_container(const std::uint8_t* data, std::size_t length)
{
    if (length > UINT32_MAX) throw std::length_error("level data larger than 4 GB");
    const std::vector<std::uint8_t> packed = compress_buffer(data, length);
    const std::uint32_t head[3] = {zlib_container_magic, static_cast<std::uint32_t>(packed.size()),
                                   static_cast<std::uint32_t>(length)};
    std::vector<std::uint8_t> container(sizeof head + packed.size());
    std::memcpy(container.data(), head, sizeof head);
    std::memcpy(container.data() + sizeof head, packed.data(), packed.size());
    return container;
}

bool decompress_buffer(const std::uint8_t* packed, std::size_t packed_length,
                       std::size_t expected_length, std::vector<std::uint8_t>& out, std::size_t limit)
{
    expected_length = std::min(expected_length, limit);
    const std::size_t step = std::max<std::size_t>(round_up_256(packed_length), 256);
    out.assign(std::min(expected_length ? expected_length : step, limit), 0);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        out.clear();
        return false;
    }
    stream.next_in = const_cast<Bytef*>(packed);
    stream.avail_in = static_cast<uInt>(packed_length);
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    bool ok = true;
    while (true) {
        int rc = inflate(&stream, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) break;
        if (rc == Z_OK && stream.avail_out == 0 && out.size() < limit) {
            std::size_t used = out.size() - stream.avail_out;
            // Grow geometrically: a well-packed stream must not cost a copy of
            // everything unpacked so far for every few kilobytes of input.
            out.resize(std::min(out.size() + std::max(step, out.size() / 2), limit));
            stream.next_out = out.data() + used;
            stream.avail_out = static_cast<uInt>(out.size() - used);
            continue;
        }
        // A zlib error, or input that ran out before the stream's end.
        ok = false;
        break;
    }
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return ok;
}

}  // namespace kelanim
