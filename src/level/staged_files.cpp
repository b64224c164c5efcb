#include "staged_files.h"

#include <unistd.h>

#include "zfile.h"

namespace kelanim {

StagedFiles::~StagedFiles()
{
    for (const auto& [temporary, target] : staged_) ::unlink(temporary.c_str());
}

void StagedFiles::stage(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::string temporary = write_temporary_beside(path, data, size);
    staged_.emplace_back(std::move(temporary), path);
}

void StagedFiles::commit()
{
    // Taken out first: the destructor must not remove what was renamed, and
    // replace_with_temporary removes the temporary it fails on.
    auto staged = std::move(staged_);
    staged_.clear();
    for (std::size_t k = 0; k < staged.size(); ++k) {
        try {
            replace_with_temporary(staged[k].first, staged[k].second);
        } catch (...) {
            for (std::size_t rest = k + 1; rest < staged.size(); ++rest) ::unlink(staged[rest].first.c_str());
            throw;
        }
    }
}

}  // namespace kelanim
