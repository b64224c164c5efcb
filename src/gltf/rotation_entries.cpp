#include "gltf/rotation_entries.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <glm/gtc/matrix_transform.hpp>

#include "milkshape/keyframe_splice.h"

namespace kelanim {

namespace {

constexpr double pi = std::numbers::pi;

double radians(double degrees) { return degrees * pi / 180; }
double degrees(double radians) { return radians * 180 / pi; }

// Element (row, column) of a glm matrix, which glm stores column by column.
double at(const glm::dmat3& r, int row, int column) { return r[column][row]; }

glm::dmat3 about(double angle_degrees, const glm::dvec3& axis)
{
    return glm::dmat3(glm::rotate(glm::dmat4(1.0), radians(angle_degrees), axis));
}

std::int32_t single_axis_steps(std::int32_t version_code) { return version_code >= code_tr4 ? 4096 : 1024; }

// The angle as a whole number of steps of a turn, wrapped into [0, steps).
std::uint32_t steps_of(double angle_degrees, std::int32_t steps)
{
    double turns = angle_degrees / 360;
    turns -= std::floor(turns);
    const auto n = static_cast<std::int64_t>(std::nearbyint(turns * steps));
    return static_cast<std::uint32_t>(((n % steps) + steps) % steps);
}

// Whether angle_degrees is a whole number of steps, within what float
// storage in a model file leaves of it.
bool whole_steps(double angle_degrees, std::int32_t steps)
{
    const double units = angle_degrees / 360 * steps;
    return std::abs(units - std::nearbyint(units)) * 360 / steps < 0.01;
}

tangles entry_angles(std::uint32_t v, std::int32_t version_code)
{
    constexpr double unit = 360.0 / 1024;
    const double single = (v >> 16 & 0x3FFF) * 360.0 / single_axis_steps(version_code);
    switch (v >> 30) {
    case 1: return {single, 0, 0};
    case 2: return {0, single, 0};
    case 3: return {0, 0, single};
    default: return {(v >> 20 & 0x3FF) * unit, (v >> 10 & 0x3FF) * unit, (v & 0x3FF) * unit};
    }
}

rotation_entry entry_of(std::uint32_t v, std::int32_t version_code)
{
    const bool tr1_layout = tr1_keyframe_layout(version_code);
    rotation_entry e;
    e.rotation = level_rotation(entry_angles(v, version_code));
    const auto high = static_cast<std::uint16_t>(v >> 16), low = static_cast<std::uint16_t>(v & 0xFFFF);
    if ((v >> 30) != 0 && !tr1_layout) {
        e.words = {high, 0};
        e.count = 1;
    } else {
        e.words = tr1_layout ? std::array<std::uint16_t, 2>{low, high} : std::array<std::uint16_t, 2>{high, low};
        e.count = 2;
    }
    return e;
}

}  // namespace

glm::dmat3 level_rotation(const tangles& a)
{
    return about(a.y, {0, 1, 0}) * about(a.x, {1, 0, 0}) * about(a.z, {0, 0, 1});
}

tangles level_angles(const glm::dmat3& r)
{
    // R = Ry Rx Rz: R12 = -sin x, R02 = sin y cos x, R22 = cos y cos x,
    // R10 = cos x sin z, R11 = cos x cos z.
    tangles a;
    const double sx = std::clamp(-at(r, 1, 2), -1.0, 1.0);
    a.x = degrees(std::asin(sx));
    if (std::abs(sx) < 1 - 1e-12) {
        a.y = degrees(std::atan2(at(r, 0, 2), at(r, 2, 2)));
        a.z = degrees(std::atan2(at(r, 1, 0), at(r, 1, 1)));
    } else {
        // x at +-90 degrees: y and z turn about the same axis; all goes to y.
        a.y = sx > 0 ? degrees(std::atan2(at(r, 0, 1), at(r, 0, 0))) : degrees(std::atan2(-at(r, 0, 1), at(r, 0, 0)));
    }
    return a;
}

rotation_entry pack_rotation(const glm::dmat3& r, std::int32_t version_code)
{
    const bool tr1 = tr1_keyframe_layout(version_code);
    if (!tr1) {
        // A turn about one axis leaves that axis's column and row alone.
        const double off = std::sin(radians(0.01));
        const std::int32_t steps = single_axis_steps(version_code);
        struct axis_case {
            std::uint32_t form;
            int a, b;  // the two other axes
        };
        for (const axis_case c : {axis_case{1, 1, 2}, axis_case{2, 2, 0}, axis_case{3, 0, 1}}) {
            const int axis = 3 - c.a - c.b;
            if (std::abs(at(r, axis, c.a)) > off || std::abs(at(r, axis, c.b)) > off ||
                std::abs(at(r, c.a, axis)) > off || std::abs(at(r, c.b, axis)) > off)
                continue;
            const double angle = degrees(std::atan2(at(r, c.b, c.a), at(r, c.a, c.a)));
            if (!whole_steps(angle, steps)) continue;
            return entry_of(c.form << 30 | steps_of(angle, steps) << 16, version_code);
        }
    }
    const tangles a = level_angles(r);
    return entry_of(steps_of(a.x, 1024) << 20 | steps_of(a.y, 1024) << 10 | steps_of(a.z, 1024), version_code);
}

std::vector<rotation_entry> read_rotation_entries(const Ttrlevel& level, std::int64_t p, std::int32_t bones)
{
    std::vector<rotation_entry> entries;
    const bool tr1 = tr1_keyframe_layout(level.version_code);
    const auto size = static_cast<std::int64_t>(level.frames.size());
    auto word = [&](std::int64_t i) { return static_cast<std::uint32_t>(static_cast<std::uint16_t>(level.frames[static_cast<std::size_t>(i)])); };
    for (std::int32_t b = 0; b < bones && p >= 0 && p < size; ++b) {
        const std::uint32_t first = word(p), second = p + 1 < size ? word(p + 1) : 0;
        const std::uint32_t v = tr1 ? second << 16 | first : first << 16 | second;
        if ((v >> 30) == 0 && p + 1 >= size) break;
        rotation_entry e = entry_of(v, level.version_code);
        if (tr1) e.words = {static_cast<std::uint16_t>(first), static_cast<std::uint16_t>(second)};
        e.count = (v >> 30) != 0 ? 1 : 2;
        p += e.count;
        entries.push_back(e);
    }
    return entries;
}

double degrees_between(const glm::dmat3& a, const glm::dmat3& b)
{
    const glm::dmat3 d = glm::transpose(a) * b;
    return degrees(std::acos(std::clamp((d[0][0] + d[1][1] + d[2][2] - 1) / 2, -1.0, 1.0)));
}

}  // namespace kelanim
