// Where trcatalog.xml is found: beside the executable first (a build tree, or
// a copy the user keeps next to the program), then in the installed data
// folder, reached from the program's own folder and then by its fixed path.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace kelanim {

inline constexpr const char* catalog_file_name = "trcatalog.xml";

// The folder of the running executable; empty if it cannot be told.
std::filesystem::path executable_dir();

// The places looked at, in order, for an executable in `exe_dir`.
std::vector<std::filesystem::path> catalog_candidates(const std::filesystem::path& exe_dir);

// The first candidate that is a file, or nothing.
std::optional<std::filesystem::path> find_catalog_file(const std::filesystem::path& exe_dir);

// The same for the running executable.
std::optional<std::filesystem::path> find_catalog_file();

// Whether the program in `exe_dir` keeps its data beside itself (its catalog
// lies there: a build tree, or a folder kept whole), and so its settings too.
// An installed program keeps them in the user's configuration folder instead.
bool keeps_data_beside_itself(const std::filesystem::path& exe_dir);

}  // namespace kelanim
