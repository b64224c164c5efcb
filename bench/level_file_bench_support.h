// What the level benchmarks share: reading a file whole, finding the packed
// chunks of a TR4 or TR5 file, and the peak memory of a read.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "level/ttrlevel.h"

namespace kelanim::bench {

// The whole file in one read.
inline std::vector<std::uint8_t> read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

struct Chunk {
    std::size_t at, packed, unpacked;
};

// The packed chunks of a TR4 file (three texture chunks and the level data)
// or a TR5 file (the three texture chunks; its level data is stored plain).
inline std::vector<Chunk> packed_chunks(const std::vector<std::uint8_t>& file, bool tr5)
{
    std::vector<Chunk> chunks;
    std::size_t at = 10;
    for (int i = 0; i < (tr5 ? 3 : 4) && at + 8 <= file.size(); ++i) {
        std::uint32_t unpacked, packed;
        std::memcpy(&unpacked, file.data() + at, 4);
        std::memcpy(&packed, file.data() + at + 4, 4);
        chunks.push_back({at + 8, packed, unpacked});
        at += 8 + packed;
    }
    return chunks;
}

// Peak resident memory, in bytes, of a child process that reads the level.
// Measure it before loading levels in this process: a child starts with its
// parent's resident memory.
inline long peak_memory_of_read(const std::filesystem::path& path)
{
    const pid_t child = fork();
    if (child == 0) {
        Ttrlevel level;
        _exit(level.load_level(path.string()) == load_ok ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return usage.ru_maxrss * 1024L;
}

}  // namespace kelanim::bench
