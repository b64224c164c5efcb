// What the level tests share: file names by generation, saving, byte comparison, sinks.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <cstdint>
#include <string>
#include <vector>

#include "byte_builder.h"
#include "level/ttrlevel.h"

namespace kelanim::test {

// Keeps what a level reports.
struct Collect : MessageSink, ProgressSink {
    void show_message(std::string_view text) override { messages.emplace_back(text); }
    void set_progress(int percent) override { progress.push_back(percent); }
    std::vector<std::string> messages;
    std::vector<int> progress;
};

// The name decides codes 2 and 4 (.tub, .TRG) besides the version word.
inline std::string name_for(int code, const std::string& stem = "level")
{
    static const char* const extensions[] = {"", ".phd", ".tub", ".tr2", ".TRG.tr2", ".tr2", ".tr4", ".trc"};
    return stem + std::to_string(code) + extensions[code];
}

// Saves the level to `path` and gives back the file written.
inline std::vector<std::uint8_t> saved(Ttrlevel& level, const std::filesystem::path& path)
{
    EXPECT_EQ(level.save_level(path.string()), save_ok);
    return read_file(path);
}

// Where two files first differ, for a readable failure on megabytes.
inline ::testing::AssertionResult same_bytes(const std::vector<std::uint8_t>& expected, const std::vector<std::uint8_t>& actual)
{
    if (expected == actual) return ::testing::AssertionSuccess();
    const auto difference = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end()).first;
    return ::testing::AssertionFailure() << "sizes " << expected.size() << " and " << actual.size()
                                         << ", first difference at byte " << (difference - expected.begin());
}

}  // namespace kelanim::test
