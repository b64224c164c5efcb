// The viewport's camera: it looks along -z from (x, y, z) scaled by the pan
// factor and moved towards -z by the dolly, with -y as up so that the level's
// downward y axis shows downward.
#pragma once

#include "render/d3d_matrix.h"

namespace kelanim {

class TGLCamera {
public:
    float x = 0, y = 0, z = 5.0f;
    double pan_factor = 2.0;
    double rotation_divisor = 50.0;  // drag pixels per radian of world rotation
    double zoom_divisor = 5.0;       // drag pixels per unit of dolly
    double dolly = 0;

    // The viewport's view matrix, which `apply` writes; set by the viewport.
    d3d_matrix* view = nullptr;

    d3d_vector3 eye() const;
    d3d_vector3 target() const;
    // Computes the view matrix, writes it into `view` when set and returns it.
    d3d_matrix apply();
};

}  // namespace kelanim
