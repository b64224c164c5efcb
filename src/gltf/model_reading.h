// Reading the skeleton and animations of a glTF 2.0 or FBX model into the
// neutral form the import works on.
//
// A model may name other files (a glTF's buffers and images). Only files in
// the model's own folder or below it are read, never one named by a URI with
// a scheme (http:, file:) or a path that leaves the folder, and none larger
// than `max_model_file_bytes`; an FBX file is read alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gltf/animated_skeleton.h"

namespace kelanim {

inline constexpr std::uintmax_t max_model_file_bytes = 256u << 20;

struct skeleton_read {
    animated_skeleton skeleton;
    std::string error;  // empty when the model was read
};

// A .glb (binary) or .gltf (JSON) file: chosen by its first bytes.
skeleton_read read_gltf_file(const std::string& path);

// The same from bytes in memory; files the model names are looked for in
// `folder` (empty: none is read).
skeleton_read read_gltf_bytes(const std::vector<unsigned char>& bytes, const std::string& folder);

// An FBX file, through Assimp.
skeleton_read read_fbx_file(const std::string& path);

// The whole file, or an error when it is missing, unreadable or larger than
// `max_model_file_bytes`.
bool read_model_file(const std::string& path, std::vector<unsigned char>& bytes, std::string& error);

}  // namespace kelanim
