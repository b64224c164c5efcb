#include "gltf/gltf_file_sandbox.h"

#include "gltf/model_reading.h"

namespace kelanim {

namespace fs = std::filesystem;

gltf_file_sandbox::gltf_file_sandbox(const std::string& folder)
{
    std::error_code error;
    if (!folder.empty()) folder_ = fs::weakly_canonical(fs::path(folder), error);
    if (error) folder_.clear();
}

tinygltf::FsCallbacks gltf_file_sandbox::callbacks()
{
    return {file_exists, keep_path, read_whole_file, write_nothing, this};
}

std::string gltf_file_sandbox::as_named(const std::string& path) const
{
    const std::string prefix = folder_.string() + "/";
    return "\"" + (!folder_.empty() && path.starts_with(prefix) ? path.substr(prefix.size()) : path) + "\"";
}

std::optional<fs::path> gltf_file_sandbox::inside(const std::string& path)
{
    if (folder_.empty()) {
        refusal_ = "it names the file " + as_named(path) + ", and none may be read here";
        return std::nullopt;
    }
    std::error_code error;
    const fs::path full = fs::weakly_canonical(fs::path(path), error);
    const std::string relative = error ? std::string() : full.lexically_relative(folder_).generic_string();
    if (relative.empty() || relative == "." || relative.starts_with("..")) {
        refusal_ = "it names the file " + as_named(path) + ", which is outside its folder";
        return std::nullopt;
    }
    if (relative.find(':') != std::string::npos) {
        refusal_ = "it names " + as_named(path) + ", a URI with a scheme (such as http: or file:)";
        return std::nullopt;
    }
    return full;
}

// A name outside the sandbox "exists", so that reading it fails with the
// reason rather than as a missing file.
bool gltf_file_sandbox::file_exists(const std::string& path, void* self)
{
    const auto full = static_cast<gltf_file_sandbox*>(self)->inside(path);
    std::error_code error;
    return !full || fs::is_regular_file(*full, error);
}

bool gltf_file_sandbox::read_whole_file(std::vector<unsigned char>* out, std::string* err, const std::string& path,
                                        void* self)
{
    auto& box = *static_cast<gltf_file_sandbox*>(self);
    const auto full = box.inside(path);
    std::string error;
    if (!full)
        error = box.refusal_;
    else if (read_model_file(full->string(), *out, error))
        return true;
    if (err) *err += error + "\n";
    return false;
}

}  // namespace kelanim
