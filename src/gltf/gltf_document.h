// Assembling the glTF document of an export: one buffer with every vertex,
// index, matrix, key and (for a binary file) image; the joints as a node
// hierarchy with a skin; one mesh with a primitive per look; a material per
// look; an animation per clip.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <tiny_gltf.h>

#include "gltf/gltf_animation.h"
#include "gltf/gltf_geometry.h"
#include "gltf/gltf_skeleton.h"

namespace kelanim {

struct gltf_export_parts {
    std::string mesh_name = "mesh";
    std::vector<gltf_joint> joints;  // empty: an unskinned mesh
    gltf_geometry geometry;
    std::vector<gltf_clip> clips;
    std::vector<std::vector<std::uint8_t>> page_pngs;  // PNG files, page 0 first
};

// The document. With `page_uris` empty the pages go into the buffer (a
// binary file); otherwise page k is referred to by page_uris[k] and the
// buffer is meant to be written beside the document.
tinygltf::Model build_document(const gltf_export_parts& parts, const std::vector<std::string>& page_uris);

}  // namespace kelanim
