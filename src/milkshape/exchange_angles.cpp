#include "milkshape/exchange_angles.h"

#include <algorithm>
#include <cmath>

namespace kelanim {

namespace {

// Closer than this, a decomposition is taken as it is.
constexpr extended exact_enough = 1e-3L;  // degrees

TQuat axis_turn(extended degrees, extended ax, extended ay, extended az)
{
    TQuat q;
    QuatIdentity(q);
    QuatRotateAxis(q, degrees, ax, ay, az);
    return q;
}

TQuat milkshape_quat(const TVector3& e)
{
    TQuat q;
    EulerToQuatZYX(q, false, e.x, e.y, e.z);
    return q;
}

TQuat level_quat(const TVector3& a) { return EulerToQuatYXZ(a.x, -extended{a.y}, -extended{a.z}); }

// Of the candidate angle triples, the one whose rotation comes closest to q.
template <class MakeQuat>
TVector3 closest(const TQuat& q, std::initializer_list<TVector3> candidates, MakeQuat make)
{
    TVector3 best = *candidates.begin();
    extended best_error = rotation_between(make(best), q);
    for (const TVector3& c : candidates) {
        const extended error = rotation_between(make(c), q);
        if (error < best_error) {
            best = c;
            best_error = error;
        }
    }
    return best;
}

extended half_turn_angle(extended sine_part, extended cosine_part)
{
    return 2 * RadToDeg(ArcTan2(sine_part, cosine_part));
}

}  // namespace

extended rotation_between(const TQuat& a, const TQuat& b)
{
    // From the chord between the two points (or between one and the other's
    // antipode), which keeps its precision for nearly equal rotations.
    const extended dx = extended{a.x} - b.x, dy = extended{a.y} - b.y, dz = extended{a.z} - b.z,
                   dw = extended{a.w} - b.w;
    const extended sx = extended{a.x} + b.x, sy = extended{a.y} + b.y, sz = extended{a.z} + b.z,
                   sw = extended{a.w} + b.w;
    const extended chord = std::min(std::sqrt(dx * dx + dy * dy + dz * dz + dw * dw),
                                    std::sqrt(sx * sx + sy * sy + sz * sz + sw * sw));
    return 4 * RadToDeg(std::asin(std::min<extended>(chord / 2, 1)));
}

TVector3 milkshape_angles(extended x, extended y, extended z) { return milkshape_euler(EulerToQuatYXZ(x, -y, -z)); }

TVector3 milkshape_euler(const TQuat& q)
{
    const TVector3 e = QuatToEuler(q);
    if (rotation_between(milkshape_quat(e), q) <= exact_enough) return e;
    // At MilkShape's pole: no turn about x, the whole turn about z.
    auto pole = [&q](extended pitch) {
        const TQuat r = QuatMultiply(q, axis_turn(-pitch, 0, 1, 0));
        return VectorMake(0, pitch, half_turn_angle(r.z, r.w));
    };
    return closest(q, {e, pole(e.y), pole(e.y < 0 ? -90 : 90)}, milkshape_quat);
}

TVector3 level_angles(extended x, extended y, extended z)
{
    const TVector3 a = MatrixToEuler(QuatToMatrix(EulerToQuatXYZ(-x, y, z)));
    TQuat q;
    EulerToQuatZYX(q, false, x, y, z);
    if (rotation_between(level_quat(a), q) <= exact_enough) return a;
    // At the level's pole: no turn about z, the whole turn about y.
    auto pole = [&q](extended pitch) {
        const TQuat r = QuatMultiply(q, axis_turn(-pitch, 1, 0, 0));
        return VectorMake(pitch, -half_turn_angle(r.y, r.w), 0);
    };
    return closest(q, {a, pole(a.x), pole(a.x < 0 ? -90 : 90)}, level_quat);
}

}  // namespace kelanim
