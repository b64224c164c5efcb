#include "geometry/vecmath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace kelanim {
namespace {

constexpr float tolerance = 1e-5f;

void expect_quat_near(const TQuat& expected, const TQuat& actual, float eps = tolerance)
{
    EXPECT_NEAR(expected.x, actual.x, eps);
    EXPECT_NEAR(expected.y, actual.y, eps);
    EXPECT_NEAR(expected.z, actual.z, eps);
    EXPECT_NEAR(expected.w, actual.w, eps);
}

// The difference of two angles in degrees, folded into [-180, 180).
double angle_difference(double a, double b) { return std::remainder(a - b, 360.0); }

TQuat conjugate(const TQuat& q) { return {-q.x, -q.y, -q.z, q.w}; }

TQuat about_axis(float degrees, float ax, float ay, float az)
{
    TQuat q;
    QuatIdentity(q);
    QuatRotateAxis(q, degrees, ax, ay, az);
    return q;
}

TEST(VecMathScalars, ArcSinAndArcCosStayFiniteJustPastTheirDomain)
{
    EXPECT_NEAR(static_cast<double>(ArcSin(1.0000001L)), std::numbers::pi / 2, 1e-12);
    EXPECT_NEAR(static_cast<double>(ArcSin(-1.5L)), -std::numbers::pi / 2, 1e-12);
    EXPECT_NEAR(static_cast<double>(ArcCos(-1.0000001L)), std::numbers::pi, 1e-12);
    EXPECT_NEAR(static_cast<double>(ArcCos(0.5L)), std::numbers::pi / 3, 1e-12);
    EXPECT_NEAR(static_cast<double>(ArcTan2(-1, -1)), -3 * std::numbers::pi / 4, 1e-12);
    EXPECT_EQ(static_cast<float>(DegToRad(180)), 3.1415927f);
    EXPECT_NEAR(static_cast<double>(RadToDeg(DegToRad(37.5L))), 37.5, 1e-12);
}

TEST(VecMathVectors, TriangleNormalIsUnitAndZeroForCollinearPointsCrossLerpAndNormalize)
{
    EXPECT_EQ(TriangleNormal({0, 0, 0}, {2, 0, 0}, {2, 3, 0}), (TVector3{0, 0, 1}));
    EXPECT_EQ(TriangleNormal({1, 1, 1}, {2, 2, 2}, {4, 4, 4}), (TVector3{0, 0, 0}));
    EXPECT_EQ(TriangleNormal({1, 2, 3}, {1, 2, 3}, {5, 0, 0}), (TVector3{0, 0, 0}));
    EXPECT_EQ(VectorCross({0, 1, 0}, {1, 0, 0}), (TVector3{0, 0, -1}));
    EXPECT_EQ(VectorLerp({1, 2, 3}, {-3, 6, 0.5f}, 0.25L), (TVector3{0, 3, 2.375f}));
    TVector3 v{3, 0, 4};
    VectorNormalize(v);
    EXPECT_EQ(v, (TVector3{0.6f, 0, 0.8f}));
}

TEST(VecMathQuats, HamiltonProductAndRotateAxisNormalisesTheAxisAndMultipliesOnTheLeft)
{
    const TQuat i{1, 0, 0, 0}, j{0, 1, 0, 0};
    EXPECT_EQ(QuatMultiply(i, j), (TQuat{0, 0, 1, 0}));
    EXPECT_EQ(QuatMultiply(j, i), (TQuat{0, 0, -1, 0}));
    EXPECT_EQ(QuatMultiply(i, i), (TQuat{0, 0, 0, -1}));
    const float h = std::sqrt(0.5f);
    expect_quat_near({0, 0, h, h}, about_axis(90, 0, 0, 5));
    // r (x) q: a rotation about z after one about x.
    TQuat q = about_axis(90, 1, 0, 0);
    QuatRotateAxis(q, 90, 0, 0, 1);
    expect_quat_near({0.5f, 0.5f, 0.5f, 0.5f}, q);

    // About a zero axis the rotation only scales.
    q = {0.1f, 0.2f, 0.3f, 0.9f};
    const float c = static_cast<float>(std::cos(std::numbers::pi / 6));
    QuatRotateAxis(q, 60, 0, 0, 0);
    expect_quat_near({0.1f * c, 0.2f * c, 0.3f * c, 0.9f * c}, q);
    TQuat p{0, 0, 0, 1};
    QuatRotateAxis(p, 60, NAN, 0, 0);  // an axis that is not a number divides nothing either
    EXPECT_FALSE(std::isinf(p.w));
}

TEST(VecMathQuats, EulerConstructionsFollowTheirOrders)
{
    const float a = 25, b = -40, c = 70;
    // (Rx Ry Rz)* = Rz(-c) Ry(-b) Rx(-a): XYZ is the conjugate of ZYX with negated angles.
    TQuat zyx;
    EulerToQuatZYX(zyx, false, -a, -b, -c);
    expect_quat_near(conjugate(EulerToQuatXYZ(a, b, c)), zyx);
    // YXZ puts the y rotation first (leftmost).
    expect_quat_near(QuatMultiply(about_axis(b, 0, 1, 0), QuatMultiply(about_axis(a, 1, 0, 0), about_axis(c, 0, 0, 1))),
                     EulerToQuatYXZ(a, b, c));
    // keep: q (x) (Rz Ry Rx) applied to an existing rotation.
    TQuat q = about_axis(30, 0, 0, 1);
    EulerToQuatZYX(q, true, 0, 0, 30);
    expect_quat_near(about_axis(60, 0, 0, 1), q);
    EulerToQuatZYX(q, false, 0, 0, 30);
    expect_quat_near(about_axis(30, 0, 0, 1), q);
}

TEST(VecMathQuats, QuatToEulerInvertsEulerToQuatZYXOverAGrid)
{
    for (int x = -165; x <= 165; x += 15)
        for (int y = -75; y <= 75; y += 15)
            for (int z = -165; z <= 165; z += 15) {
                TQuat q;
                EulerToQuatZYX(q, false, x, y, z);
                TVector3 e = QuatToEuler(q);
                ASSERT_NEAR(angle_difference(e.x, x), 0, 2e-3) << x << " " << y << " " << z;
                ASSERT_NEAR(angle_difference(e.y, y), 0, 2e-3) << x << " " << y << " " << z;
                ASSERT_NEAR(angle_difference(e.z, z), 0, 2e-3) << x << " " << y << " " << z;
            }
}

TEST(VecMathQuats, QuatToEulerAtAndPastThePoleIsFinite)
{
    TQuat q;
    EulerToQuatZYX(q, false, 10, 90, 0);
    TVector3 e = QuatToEuler(q);
    EXPECT_TRUE(std::isfinite(e.x) && std::isfinite(e.y) && std::isfinite(e.z));
    EXPECT_NEAR(e.y, 90, 0.05);
    // Not of unit length: the arcsine argument is 1.28 and is clamped.
    e = QuatToEuler({0, 0.8f, 0, 0.8f});
    EXPECT_FLOAT_EQ(e.y, 90);
}

TEST(VecMathQuats, SlerpEndsAndTheShorterArc)
{
    TQuat a = EulerToQuatXYZ(10, 20, 30), b = EulerToQuatXYZ(-40, 5, 60);
    EXPECT_EQ(QuatSlerp(a, a, 0.37L), a);
    expect_quat_near(a, QuatSlerp(a, {-a.x, -a.y, -a.z, -a.w}, 0.37L));
    expect_quat_near(a, QuatSlerp(a, b, 0));
    expect_quat_near(b, QuatSlerp(a, {-b.x, -b.y, -b.z, -b.w}, 1));  // a.b < 0: the end is -(-b)
    expect_quat_near(about_axis(45, 0, 0, 1), QuatSlerp(about_axis(0, 0, 0, 1), about_axis(90, 0, 0, 1), 0.5L));
}

TEST(VecMathMatrices, QuatToMatrixUsesRowVectorsAndMatrixToEulerHandlesThePoles)
{
    TMatrix4 m = QuatToMatrix(about_axis(90, 0, 0, 1));
    // The x axis (row 0 for a row vector) turns into the y axis.
    EXPECT_NEAR(m.m[0], 0, tolerance);
    EXPECT_NEAR(m.m[1], 1, tolerance);
    EXPECT_NEAR(m.m[4], -1, tolerance);
    EXPECT_NEAR(m.m[5], 0, tolerance);
    EXPECT_EQ(m.m[10], 1);
    EXPECT_EQ(m.m[15], 1);
    for (int i : {3, 7, 11, 12, 13, 14}) EXPECT_EQ(m.m[i], 0) << i;

    m = TMatrix4{};
    m.m[0] = 0;
    m.m[1] = -1;
    m.m[6] = 1;
    TVector3 e = MatrixToEuler(m);
    EXPECT_NEAR(e.x, -90, 1e-4);
    EXPECT_NEAR(e.y, 90, 1e-4);
    EXPECT_EQ(e.z, 0);
    m.m[6] = -1;
    e = MatrixToEuler(m);
    EXPECT_NEAR(e.x, 90, 1e-4);
    EXPECT_NEAR(e.y, -90, 1e-4);
    EXPECT_EQ(e.z, 0);
}

// MatrixToEuler reads a matrix built as Ry(b) Rx(a) Rz(c) in the column-vector
// sense, which is the transposed (row-vector) matrix of the conjugate of
// EulerToQuatYXZ(a, b, c).
TEST(VecMathMatrices, MatrixToEulerReadsBackTheYXZAngles)
{
    for (float a : {-60.f, -5.f, 0.f, 33.f, 80.f})
        for (float b : {-150.f, -20.f, 0.f, 45.f, 170.f})
            for (float c : {-120.f, 0.f, 15.f, 100.f}) {
                TVector3 e = MatrixToEuler(QuatToMatrix(conjugate(EulerToQuatYXZ(a, b, c))));
                EXPECT_NEAR(angle_difference(e.x, a), 0, 2e-3) << a << " " << b << " " << c;
                EXPECT_NEAR(angle_difference(e.y, b), 0, 2e-3) << a << " " << b << " " << c;
                EXPECT_NEAR(angle_difference(e.z, c), 0, 2e-3) << a << " " << b << " " << c;
            }
}

}  // namespace
}  // namespace kelanim
