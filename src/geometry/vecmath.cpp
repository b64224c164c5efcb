#include "vecmath.h"

#include <algorithm>
#include <cmath>

namespace kelanim {

namespace {

TVector3 store(extended x, extended y, extended z)
{
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

}  // namespace

extended ArcTan2(extended y, extended x) { return std::atan2(y, x); }

extended ArcSin(extended s)
{
    s = std::clamp<extended>(s, -1, 1);
    return ArcTan2(s, std::sqrt(1 - s * s));
}

extended ArcCos(extended c)
{
    c = std::clamp<extended>(c, -1, 1);
    return ArcTan2(std::sqrt(1 - c * c), c);
}

extended DegToRad(extended degrees) { return degrees * extended{DEG2RAD}; }

extended RadToDeg(extended radians) { return radians / extended{DEG2RAD}; }

TVector3 VectorMake(extended x, extended y, extended z) { return store(x, y, z); }

TVector3 VectorAdd(const TVector3& a, const TVector3& b)
{
    return store(extended{a.x} + b.x, extended{a.y} + b.y, extended{a.z} + b.z);
}

TVector3 VectorSub(const TVector3& a, const TVector3& b)
{
    return store(extended{a.x} - b.x, extended{a.y} - b.y, extended{a.z} - b.z);
}

TVector3 VectorScale(const TVector3& v, extended s) { return store(v.x * s, v.y * s, v.z * s); }

extended VectorLength(const TVector3& v)
{
    extended x = v.x, y = v.y, z = v.z;
    return std::sqrt(x * x + y * y + z * z);
}

void VectorNormalize(TVector3& v)
{
    extended k = 1 / VectorLength(v);
    v = store(v.x * k, v.y * k, v.z * k);
}

TVector3 VectorCross(const TVector3& a, const TVector3& b)
{
    extended ax = a.x, ay = a.y, az = a.z, bx = b.x, by = b.y, bz = b.z;
    return store(ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx);
}

TVector3 VectorLerp(const TVector3& a, const TVector3& b, extended t)
{
    return store(a.x + (extended{b.x} - a.x) * t, a.y + (extended{b.y} - a.y) * t,
                 a.z + (extended{b.z} - a.z) * t);
}

TVector3 TriangleNormal(const TVector3& p0, const TVector3& p1, const TVector3& p2)
{
    TVector3 n = VectorCross(VectorSub(p1, p0), VectorSub(p2, p1));
    if (VectorLength(n) == 0) return {};
    VectorNormalize(n);
    return n;
}

}  // namespace kelanim
