#include "render/tglcamera.h"

namespace kelanim {

d3d_vector3 TGLCamera::eye() const
{
    return {static_cast<float>(x * pan_factor), static_cast<float>(-y * pan_factor), static_cast<float>(z - dolly)};
}

d3d_vector3 TGLCamera::target() const
{
    d3d_vector3 e = eye();
    return {e.x, e.y, static_cast<float>(z - dolly - 5.0)};
}

d3d_matrix TGLCamera::apply()
{
    d3d_matrix m = matrix_look_at_lh(eye(), target(), {0.0f, -1.0f, 0.0f});
    if (view) *view = m;
    return m;
}

}  // namespace kelanim
