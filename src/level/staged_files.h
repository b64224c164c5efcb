// Several files written as one: an export writes its texture pages and its
// model together, and a disk that fills up half way must not leave new pages
// beside an old model.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kelanim {

class StagedFiles {
public:
    StagedFiles() = default;
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;
    // Whatever was staged and not committed is removed; no target is touched.
    ~StagedFiles();

    // Writes the bytes whole to a temporary file beside `path`; `path` itself
    // is not touched yet. Throws std::system_error (a full disk, a read-only
    // folder...), after which the set can only be dropped.
    void stage(const std::string& path, const std::uint8_t* data, std::size_t size);
    void stage(const std::string& path, const std::vector<std::uint8_t>& bytes)
    {
        stage(path, bytes.data(), bytes.size());
    }

    // Renames every staged file over its target, in the order staged. Every
    // byte is on disk by then, so only a rename can fail, which happens when
    // a target turned into a folder meanwhile; the files not yet renamed are
    // then removed and std::system_error is thrown.
    void commit();

private:
    std::vector<std::pair<std::string, std::string>> staged_;  // (temporary, target)
};

}  // namespace kelanim
