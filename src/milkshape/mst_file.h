// The line-based "Milkshape3D Extra ASCII" form of the model (.mst): texture
// coordinates per vertex and an indexed normal list, so the model is welded
// (weld_vertices) before it is written and after it is read.
#pragma once

#include <cstdint>
#include <string>

#include "ms3d_model.h"

namespace kelanim {

// Writes the model as an .mst file with CR LF line ends, whole or not at all.
// The model must have been welded keeping normals, so that `tex_coords`,
// `vertex_extras`, `normals` and `triangle_normals` are filled. Returns 0.
// Throws std::invalid_argument when the model is not consistent and
// std::system_error when writing fails.
std::int16_t save_mst(const TMS3D_File& model, const std::string& path);
// The text save_mst writes, with the same checks and the same exceptions.
std::string encode_mst(const TMS3D_File& model);

// Reads an .mst file: 0 (ms3d_ok), 1 no such file, 2 no signature line, 4 a
// damaged file (text where a number belongs, a count or index that names
// nothing, more than a model can hold). Names come back lower-cased, with "_"
// for the spaces inside double quotes. The vertices are welded by position
// and the keys filled per frame. On failure the model keeps what it held
// before the call and `last_error` says why; a number that does not convert
// gives the texts "'%s' is not a valid integer value" / "'%s' is not a valid
// floating point value".
std::int16_t load_mst(TMS3D_File& model, const std::string& path);

// Rebuilds the vertices from the triangles' corners: one vertex for each
// distinct (position, texture coordinates, joint, further joints, weights),
// the values rounded to 6 decimals, numbered in the order first met triangle
// by triangle and corner by corner. Unless `positions_only`, the corner
// normals become an indexed list the same way; with it, texture coordinates
// count as (0, 0) and the normal list ends empty. Returns false (the model
// unchanged, `last_error` set) when a triangle names a vertex that does not
// exist or the result would exceed 65535 vertices or normals.
bool weld_vertices(TMS3D_File& model, bool positions_only);

}  // namespace kelanim
