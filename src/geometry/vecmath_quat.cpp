// Quaternions and rotation matrices.
#include <cmath>

#include "vecmath.h"

namespace kelanim {

namespace {

struct XQuat {
    extended x, y, z, w;
};

XQuat widen(const TQuat& q) { return {q.x, q.y, q.z, q.w}; }

TQuat store(const XQuat& q)
{
    return {static_cast<float>(q.x), static_cast<float>(q.y), static_cast<float>(q.z), static_cast<float>(q.w)};
}

extended round_to_single(extended v) { return static_cast<float>(v); }

}  // namespace

void QuatIdentity(TQuat& q, bool zero) { q = {0, 0, 0, zero ? 0.0f : 1.0f}; }

TQuat QuatMultiply(const TQuat& a_in, const TQuat& b_in)
{
    XQuat a = widen(a_in), b = widen(b_in);
    return store({a.y * b.z - a.z * b.y + a.w * b.x + b.w * a.x,
                  a.z * b.x - a.x * b.z + a.w * b.y + b.w * a.y,
                  a.x * b.y - a.y * b.x + a.w * b.z + b.w * a.z,
                  a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z});
}

void QuatRotateAxis(TQuat& q, extended angle, extended ax, extended ay, extended az)
{
    extended length_squared = ax * ax + ay * ay + az * az;
    if (length_squared == 0 || std::isnan(length_squared)) length_squared = VECMATH_EPSILON;
    extended k = 1 / std::sqrt(length_squared);
    // The angle in radians is held as a single before it is halved.
    extended theta = round_to_single(angle * extended{DEG2RAD}) / 2;
    extended s = std::sin(theta);
    TQuat r = store({ax * k * s, ay * k * s, az * k * s, std::cos(theta)});
    q = QuatMultiply(r, q);
}

TQuat EulerToQuatYXZ(extended x, extended y, extended z)
{
    TQuat q;
    QuatIdentity(q);
    QuatRotateAxis(q, z, 0, 0, 1);
    QuatRotateAxis(q, x, 1, 0, 0);
    QuatRotateAxis(q, y, 0, 1, 0);
    return q;
}

TQuat EulerToQuatXYZ(extended x, extended y, extended z)
{
    TQuat q;
    QuatIdentity(q);
    QuatRotateAxis(q, z, 0, 0, 1);
    QuatRotateAxis(q, y, 0, 1, 0);
    QuatRotateAxis(q, x, 1, 0, 0);
    return q;
}

void EulerToQuatZYX(TQuat& q, bool keep, extended x, extended y, extended z)
{
    if (!keep) QuatIdentity(q);
    TQuat r;
    QuatIdentity(r);
    QuatRotateAxis(r, x, 1, 0, 0);
    QuatRotateAxis(r, y, 0, 1, 0);
    QuatRotateAxis(r, z, 0, 0, 1);
    q = QuatMultiply(q, r);
}

TVector3 QuatToEuler(const TQuat& q_in)
{
    XQuat q = widen(q_in);
    extended xx = round_to_single(q.x * q.x), yy = round_to_single(q.y * q.y);
    extended zz = round_to_single(q.z * q.z), ww = round_to_single(q.w * q.w);
    extended x = ArcTan2(2 * (q.y * q.z + q.x * q.w), ww - xx - yy + zz);
    extended y = ArcSin(-2 * (q.x * q.z - q.y * q.w));
    extended z = ArcTan2(2 * (q.x * q.y + q.z * q.w), xx - yy - zz + ww);
    return VectorMake(RadToDeg(x), RadToDeg(y), RadToDeg(z));
}

TQuat QuatSlerp(const TQuat& a_in, const TQuat& b_in, extended t)
{
    XQuat a = widen(a_in), b = widen(b_in);
    extended c = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    if (c < 0) {
        b = {-b.x, -b.y, -b.z, -b.w};
        c = -c;
    }
    extended wa, wb;
    if (1 - c <= VECMATH_EPSILON) {
        wa = 1 - t;
        wb = t;
    } else {
        extended theta = ArcCos(c);
        extended s = std::sin(theta);
        wa = std::sin((1 - t) * theta) / s;
        wb = std::sin(t * theta) / s;
    }
    return store({wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z, wa * a.w + wb * b.w});
}

TMatrix4 QuatToMatrix(const TQuat& q_in)
{
    XQuat q = widen(q_in);
    TMatrix4 m;
    for (int i = 0; i < 16; i += 5) m.m[i] = 1;
    auto set = [&m](int i, extended v) { m.m[i] = static_cast<float>(v); };
    set(0, 1 - 2 * (q.y * q.y + q.z * q.z));
    set(1, 2 * (q.x * q.y + q.z * q.w));
    set(2, 2 * (q.x * q.z - q.y * q.w));
    set(4, 2 * (q.x * q.y - q.z * q.w));
    set(5, 1 - 2 * (q.x * q.x + q.z * q.z));
    set(6, 2 * (q.y * q.z + q.x * q.w));
    set(8, 2 * (q.x * q.z + q.y * q.w));
    set(9, 2 * (q.y * q.z - q.x * q.w));
    set(10, 1 - 2 * (q.x * q.x + q.y * q.y));
    return m;
}

TVector3 MatrixToEuler(const TMatrix4& matrix)
{
    const float* m = matrix.m;
    extended first, second, third;
    if (m[6] >= 1) {
        first = -extended{HALF_PI_SINGLE};
        second = ArcTan2(-m[1], m[0]);
        third = 0;
    } else if (m[6] <= -1) {
        first = HALF_PI_SINGLE;
        second = -ArcTan2(-m[1], m[0]);
        third = 0;
    } else {
        first = ArcSin(-extended{m[6]});
        second = ArcTan2(m[2], m[10]);
        third = ArcTan2(m[4], m[5]);
    }
    return VectorMake(RadToDeg(first), RadToDeg(second), RadToDeg(third));
}

}  // namespace kelanim
