#include "render/camera_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "render/viewport_state.h"

namespace kelanim {

std::vector<d3d_vector3> visible_points(const TxGL& gl)
{
    std::vector<d3d_vector3> points;
    points.reserve(gl.vertices().size());
    for (const tgl_vertex& v : gl.vertices())
        if (v.texture != hidden_texture_id) points.push_back({v.x, v.y, v.z});
    return points;
}

namespace {

struct frame_extent {
    double min_x, max_x, min_y, max_y;  // picture directions as tangents of the view angle
};

// The camera looks along -z with -y up, so a point's picture x is its x
// relative to the eye, its picture y the negated y, over its distance eye.z - z.
frame_extent extent_from(const std::vector<d3d_vector3>& points, double ex, double ey, double ez)
{
    frame_extent e{std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(),
                   std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest()};
    for (const d3d_vector3& p : points) {
        const double depth = ez - p.z;
        const double x = (p.x - ex) / depth, y = -(p.y - ey) / depth;
        e.min_x = std::min(e.min_x, x);
        e.max_x = std::max(e.max_x, x);
        e.min_y = std::min(e.min_y, y);
        e.max_y = std::max(e.max_y, y);
    }
    return e;
}

// The nearest eye z at which every point lies within the half-angles tx, ty
// around (ex, ey).
double eye_distance(const std::vector<d3d_vector3>& points, double ex, double ey, double tx, double ty)
{
    double ez = std::numeric_limits<double>::lowest();
    for (const d3d_vector3& p : points) {
        ez = std::max(ez, p.z + std::abs(p.x - ex) / tx);
        ez = std::max(ez, p.z + std::abs(p.y - ey) / ty);
        ez = std::max(ez, p.z + 4.0 * view_near);
    }
    return ez;
}

}  // namespace

bool fit_camera(TGLCamera& camera, const std::vector<d3d_vector3>& points, const d3d_matrix& world, int width,
                int height, double share)
{
    if (points.empty() || width <= 0 || height <= 0 || share <= 0) return false;
    std::vector<d3d_vector3> placed;
    placed.reserve(points.size());
    for (const d3d_vector3& p : points) placed.push_back(transform_coord(p, world));

    const double ty = std::tan(view_field_of_view / 2.0) * share;
    const double tx = ty * width / height;
    double min_x = placed[0].x, max_x = min_x, min_y = placed[0].y, max_y = min_y;
    for (const d3d_vector3& p : placed) {
        min_x = std::min<double>(min_x, p.x);
        max_x = std::max<double>(max_x, p.x);
        min_y = std::min<double>(min_y, p.y);
        max_y = std::max<double>(max_y, p.y);
    }
    double ex = (min_x + max_x) / 2, ey = (min_y + max_y) / 2;
    double ez = eye_distance(placed, ex, ey, tx, ty);
    // Nearer parts look larger: move the eye until the picture, not the
    // scene, is centred, then take the distance again.
    for (int round = 0; round < 8; ++round) {
        const frame_extent e = extent_from(placed, ex, ey, ez);
        double mean_depth = 0;
        for (const d3d_vector3& p : placed) mean_depth += ez - p.z;
        mean_depth /= static_cast<double>(placed.size());
        ex += (e.min_x + e.max_x) / 2 * mean_depth;
        ey -= (e.min_y + e.max_y) / 2 * mean_depth;
        ez = eye_distance(placed, ex, ey, tx, ty);
    }

    const double pan = camera.pan_factor != 0 ? camera.pan_factor : 1.0;
    camera.x = static_cast<float>(ex / pan);
    camera.y = static_cast<float>(-ey / pan);
    camera.dolly = camera.z - ez;
    return true;
}

}  // namespace kelanim
