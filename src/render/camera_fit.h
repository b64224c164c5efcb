// Framing a scene: pans and dollies the camera so that everything the
// drawing layer emitted fills a given share of the picture's height or width,
// centred, every part inside the frame. This is how thumbnails are made.
#pragma once

#include <vector>

#include "render/d3d_matrix.h"
#include "render/tglcamera.h"
#include "render/txgl.h"

namespace kelanim {

// Device positions of the visible vertices of the drawing layer (those of
// texture id 9999 lie at the origin and are left out).
std::vector<d3d_vector3> visible_points(const TxGL& gl);

// Moves `camera` (its x, y and dolly; z and the pan factor stay) so that
// `points`, placed by `world`, fill `share` of a width x height picture in
// the direction that binds first. False, and the camera unchanged, when
// there are no points.
bool fit_camera(TGLCamera& camera, const std::vector<d3d_vector3>& points, const d3d_matrix& world, int width,
                int height, double share = 0.8);

}  // namespace kelanim
