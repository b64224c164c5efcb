// Where the real level and model files made by other tools lie: beside the
// project, never in it. Tests that need them skip when the folder is absent.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace kelanim::test {

inline std::filesystem::path realdata_dir() { return KELANIM_REALDATA_DIR; }

inline bool have_realdata() { return std::filesystem::is_directory(realdata_dir() / "levels"); }

// Every real level file, sorted by name.
inline std::vector<std::filesystem::path> real_levels()
{
    std::vector<std::filesystem::path> files;
    if (!have_realdata()) return files;
    for (const auto& entry : std::filesystem::directory_iterator(realdata_dir() / "levels"))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

inline std::filesystem::path real_level(const std::string& name) { return realdata_dir() / "levels" / name; }

// A folder under the build tree for files tests write (pictures, saved levels).
inline std::filesystem::path output_dir(const std::string& sub = {})
{
    std::filesystem::path dir = std::filesystem::path(KELANIM_TEST_OUTPUT_DIR) / sub;
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace kelanim::test

#define KELANIM_REQUIRE_REALDATA()                                                              \
    do {                                                                                        \
        if (!::kelanim::test::have_realdata())                                                  \
            GTEST_SKIP() << "real data folder absent: " << ::kelanim::test::realdata_dir();     \
    } while (0)
