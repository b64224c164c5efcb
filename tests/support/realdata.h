// Where the real level and model files made by other tools lie: beside the
// project, never in it. Tests that need them skip when the folder is absent.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace kelanim::test {

inline std::filesystem::path realdata_dir() { return KELANIM_REALDATA_DIR; }
inline bool have_realdata() { return std::filesystem::is_directory(realdata_dir() / "levels"); }
inline std::filesystem::path real_level(const std::string& name) { return realdata_dir() / "levels" / name; }

// Every real level file, sorted by name.
inline std::vector<std::filesystem::path> real_levels()
{
    std::vector<std::filesystem::path> files;
    if (have_realdata())
        for (const auto& entry : std::filesystem::directory_iterator(realdata_dir() / "levels"))
            if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// A folder of this test process under the system's temporary folder, for files
// whose whole path the program stores and limits (an exported model names its
// texture pages by path, at most 127 characters). It goes with the process.
inline std::filesystem::path short_output_dir(const std::string& sub)
{
    static const struct ProcessFolder {
        std::filesystem::path path = std::filesystem::temp_directory_path() / ("kelanim-test-" + std::to_string(getpid()));
        ~ProcessFolder() { std::error_code error; std::filesystem::remove_all(path, error); }
    } folder;
    std::filesystem::create_directories(folder.path / sub);
    return folder.path / sub;
}

// A folder of the running test under the build tree for the files it writes,
// kept for looking at afterwards (ctest runs two tests at once). Outside a test
// (in a suite's set-up) it is the process's own, as short_output_dir is.
inline std::filesystem::path output_dir(const std::string& sub = {})
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!test) return short_output_dir(sub);
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    std::replace(name.begin(), name.end(), '/', '_');  // parameterised tests: "Prefix/Suite.Name/3"
    const std::filesystem::path dir = std::filesystem::path(KELANIM_TEST_OUTPUT_DIR) / name / sub;
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace kelanim::test

#define KELANIM_REQUIRE_REALDATA() \
    do { if (!::kelanim::test::have_realdata()) GTEST_SKIP() << "real data folder absent: " << ::kelanim::test::realdata_dir(); } while (0)
