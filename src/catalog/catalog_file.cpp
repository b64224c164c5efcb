#include "catalog/catalog_file.h"

#include <system_error>

#ifndef KELANIM_DATA_DIR
#define KELANIM_DATA_DIR "/usr/local/share/kelanim"
#endif
#ifndef KELANIM_DATA_DIR_FROM_BIN
#define KELANIM_DATA_DIR_FROM_BIN "../share/kelanim"
#endif

namespace kelanim {

std::filesystem::path executable_dir()
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return exe.parent_path();
}

std::vector<std::filesystem::path> catalog_candidates(const std::filesystem::path& exe_dir)
{
    std::vector<std::filesystem::path> candidates;
    if (!exe_dir.empty()) {
        candidates.push_back(exe_dir / catalog_file_name);
        candidates.push_back((exe_dir / KELANIM_DATA_DIR_FROM_BIN / catalog_file_name).lexically_normal());
    }
    const auto installed = std::filesystem::path(KELANIM_DATA_DIR) / catalog_file_name;
    // A program running from where it was installed reaches the same file both ways.
    if (candidates.empty() || candidates.back() != installed) candidates.push_back(installed);
    return candidates;
}

std::optional<std::filesystem::path> find_catalog_file(const std::filesystem::path& exe_dir)
{
    for (const auto& candidate : catalog_candidates(exe_dir)) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) return candidate;
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> find_catalog_file() { return find_catalog_file(executable_dir()); }

bool keeps_data_beside_itself(const std::filesystem::path& exe_dir)
{
    if (exe_dir.empty()) return false;
    std::error_code error;
    return std::filesystem::is_regular_file(exe_dir / catalog_file_name, error);
}

}  // namespace kelanim
