// The files a glTF model may have tinygltf read beside it: only those in the
// model's folder or below, never one named by a URI with a scheme (http:,
// file:), by a path that leaves the folder (also through a link), or larger
// than a model may be. Paths are taken as given, never expanded (no ~, no
// variables), and nothing is ever written.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include <tiny_gltf.h>

namespace kelanim {

class gltf_file_sandbox {
public:
    // An empty folder lets no file be read.
    explicit gltf_file_sandbox(const std::string& folder);

    // Callbacks for TinyGLTF::SetFsCallbacks; they refer to this object.
    tinygltf::FsCallbacks callbacks();

    const std::filesystem::path& folder() const { return folder_; }
    // Why the last file refused was not read, or empty.
    const std::string& refusal() const { return refusal_; }

private:
    static bool file_exists(const std::string& path, void* self);
    static std::string keep_path(const std::string& path, void*) { return path; }
    static bool read_whole_file(std::vector<unsigned char>* out, std::string* err, const std::string& path, void* self);
    static bool write_nothing(std::string*, const std::string&, const std::vector<unsigned char>&, void*)
    {
        return false;
    }

    // The file `path` names inside the folder, or nothing (and the refusal).
    std::optional<std::filesystem::path> inside(const std::string& path);
    // The name as the model gave it, without the folder tinygltf put in front.
    std::string as_named(const std::string& path) const;

    std::filesystem::path folder_;  // canonical
    std::string refusal_;
};

}  // namespace kelanim
