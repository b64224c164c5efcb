// Vectors, quaternions and 4 x 4 matrices for the MilkShape exchange: face
// normals of exported meshes, the conversion of keyframe rotations to and from
// the Euler angles MilkShape stores, and the interpolation between sparse keys.
//
// Values are stored in single precision; every function computes in extended
// precision (`extended`) and rounds only when it stores a result. Euler angles
// are in degrees everywhere here; MilkShape files hold radians, and callers
// convert with DegToRad / RadToDeg.
#pragma once

namespace kelanim {

using extended = long double;

struct TVector3 {
    float x = 0, y = 0, z = 0;
    friend bool operator==(const TVector3&, const TVector3&) = default;
};

// x, y, z, then the scalar part w: the layout the Direct3D helpers take.
struct TQuat {
    float x = 0, y = 0, z = 0, w = 0;
    friend bool operator==(const TQuat&, const TQuat&) = default;
};

// Row-major, element (row r, column c) at m[4r + c], transforming row vectors
// (v x M), as the Direct3D 8 matrix does.
struct TMatrix4 {
    float m[16] = {};
};

// The single nearest pi/180 (0.0174532923847437 as stored). Degrees become
// radians by multiplying by it and radians become degrees by dividing by it.
inline constexpr float DEG2RAD = 0.017453292f;
// The single nearest pi/2, the first angle at the poles of MatrixToEuler.
inline constexpr float HALF_PI_SINGLE = 1.5707964f;
// Smallest squared axis length of QuatRotateAxis; nearness limit of QuatSlerp.
inline constexpr extended VECMATH_EPSILON = 1e-12L;

// ---- scalars --------------------------------------------------------------

// The full-quadrant arctangent of y / x, in radians.
extended ArcTan2(extended y, extended x);
// The argument is clamped to [-1, 1], so rounding just past a pole still gives
// a finite angle.
extended ArcSin(extended s);
extended ArcCos(extended c);
extended DegToRad(extended degrees);
extended RadToDeg(extended radians);

// ---- vectors (inputs are taken by value or read in full before writing) ---

TVector3 VectorMake(extended x, extended y, extended z);
TVector3 VectorAdd(const TVector3& a, const TVector3& b);
TVector3 VectorSub(const TVector3& a, const TVector3& b);
TVector3 VectorScale(const TVector3& v, extended s);
extended VectorLength(const TVector3& v);
// Scales v to unit length in place. No test for a zero length: callers test.
void VectorNormalize(TVector3& v);
TVector3 VectorCross(const TVector3& a, const TVector3& b);
TVector3 VectorLerp(const TVector3& a, const TVector3& b, extended t);
// The unit normal of (p1 - p0) x (p2 - p1), or the zero vector when the three
// points are collinear (the cross product has length exactly 0).
TVector3 TriangleNormal(const TVector3& p0, const TVector3& p1, const TVector3& p2);

// ---- quaternions ----------------------------------------------------------

// q = (0, 0, 0, 1), or (0, 0, 0, 0) with `zero`.
void QuatIdentity(TQuat& q, bool zero = false);
// The Hamilton product a (x) b.
TQuat QuatMultiply(const TQuat& a, const TQuat& b);
// q = r (x) q, r being the rotation by `angle` degrees about (ax, ay, az). A
// zero axis gives r = (0, 0, 0, cos(angle / 2)) instead of a division by zero.
void QuatRotateAxis(TQuat& q, extended angle, extended ax, extended ay, extended az);
// Ry(y) (x) Rx(x) (x) Rz(z), angles in degrees.
TQuat EulerToQuatYXZ(extended x, extended y, extended z);
// Rx(x) (x) Ry(y) (x) Rz(z).
TQuat EulerToQuatXYZ(extended x, extended y, extended z);
// q = q (x) (Rz(z) (x) Ry(y) (x) Rx(x)); q starts as the identity unless `keep`.
void EulerToQuatZYX(TQuat& q, bool keep, extended x, extended y, extended z);
// The angles (x, y, z) in degrees with q = Rz(z) (x) Ry(y) (x) Rx(x): the
// inverse of EulerToQuatZYX while y stays inside +-90 degrees.
TVector3 QuatToEuler(const TQuat& q);
// Spherical interpolation from a (t = 0) to b (t = 1) along the shorter arc;
// the result is not renormalised.
TQuat QuatSlerp(const TQuat& a, const TQuat& b, extended t);
// The rotation matrix of q in the Direct3D layout (identity elsewhere).
TMatrix4 QuatToMatrix(const TQuat& q);
// Three angles in degrees read back from a rotation matrix, with the pole
// branches at m[6] = +-1.
TVector3 MatrixToEuler(const TMatrix4& m);

}  // namespace kelanim
