#include "geometry/vecmath.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

namespace kelanim {
namespace {

constexpr double pi = std::numbers::pi;

void expect_near(const TQuat& e, const TQuat& a)
{
    for (int i = 0; i < 4; ++i) EXPECT_NEAR((&e.x)[i], (&a.x)[i], 1e-5f) << "component " << i;
}

void expect_angles(const TVector3& e, double x, double y, double z)
{
    for (auto [got, want] : {std::pair{e.x, x}, {e.y, y}, {e.z, z}}) EXPECT_NEAR(std::remainder(got - want, 360.0), 0, 2e-3) << x << " " << y << " " << z;
}

TQuat conjugate(const TQuat& q) { return {-q.x, -q.y, -q.z, q.w}; }
TQuat negated(const TQuat& q) { return {-q.x, -q.y, -q.z, -q.w}; }
TQuat about_axis(float degrees, float ax, float ay, float az)
{
    TQuat q;
    QuatIdentity(q);
    QuatRotateAxis(q, degrees, ax, ay, az);
    return q;
}

TEST(VecMathScalars, ArcSinAndArcCosStayFiniteJustPastTheirDomain)
{
    const double computed[] = {double(ArcSin(1.0000001L)), double(ArcSin(-1.5L)), double(ArcCos(-1.0000001L)), double(ArcCos(0.5L)),
                               double(ArcTan2(-1, -1)), double(RadToDeg(DegToRad(37.5L)))};
    const double expected[] = {pi / 2, -pi / 2, pi, pi / 3, -3 * pi / 4, 37.5};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(computed[i], expected[i], 1e-12) << i;
    EXPECT_EQ(static_cast<float>(DegToRad(180)), 3.1415927f);
}

TEST(VecMathVectors, TriangleNormalIsUnitAndZeroForCollinearPointsCrossLerpAndNormalize)
{
    TVector3 v{3, 0, 4};
    VectorNormalize(v);
    const TVector3 computed[] = {TriangleNormal({0, 0, 0}, {2, 0, 0}, {2, 3, 0}), TriangleNormal({1, 1, 1}, {2, 2, 2}, {4, 4, 4}),
                                 TriangleNormal({1, 2, 3}, {1, 2, 3}, {5, 0, 0}), VectorCross({0, 1, 0}, {1, 0, 0}),
                                 VectorLerp({1, 2, 3}, {-3, 6, 0.5f}, 0.25L), VectorAdd({1, 2, 3}, {0.5f, -4, 2}), v};
    const TVector3 expected[] = {{0, 0, 1}, {0, 0, 0}, {0, 0, 0}, {0, 0, -1}, {0, 3, 2.375f}, {1.5f, -2, 5}, {0.6f, 0, 0.8f}};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(computed[i], expected[i]) << i;
}

TEST(VecMathQuats, HamiltonProductAndRotateAxisNormalisesTheAxisAndMultipliesOnTheLeft)
{
    const TQuat i{1, 0, 0, 0}, j{0, 1, 0, 0};
    EXPECT_EQ((std::array{QuatMultiply(i, j), QuatMultiply(j, i), QuatMultiply(i, i)}), (std::array{TQuat{0, 0, 1, 0}, TQuat{0, 0, -1, 0}, TQuat{0, 0, 0, -1}}));
    const float h = std::sqrt(0.5f);
    expect_near((TQuat{0, 0, h, h}), about_axis(90, 0, 0, 5));
    TQuat q = about_axis(90, 1, 0, 0);
    QuatRotateAxis(q, 90, 0, 0, 1);  // r (x) q: a rotation about z after one about x
    expect_near((TQuat{0.5f, 0.5f, 0.5f, 0.5f}), q);

    // About a zero axis the rotation only scales; an axis that is not a number divides nothing either.
    q = {0.1f, 0.2f, 0.3f, 0.9f};
    const float c = static_cast<float>(std::cos(pi / 6));
    QuatRotateAxis(q, 60, 0, 0, 0);
    expect_near((TQuat{0.1f * c, 0.2f * c, 0.3f * c, 0.9f * c}), q);
    QuatRotateAxis(q, 60, NAN, 0, 0);
    EXPECT_FALSE(std::isinf(q.w));
}

TEST(VecMathQuats, EulerConstructionsFollowTheirOrders)
{
    const float a = 25, b = -40, c = 70;
    // (Rx Ry Rz)* = Rz(-c) Ry(-b) Rx(-a): XYZ is the conjugate of ZYX with negated angles.
    TQuat zyx;
    EulerToQuatZYX(zyx, false, -a, -b, -c);
    expect_near(conjugate(EulerToQuatXYZ(a, b, c)), zyx);
    // YXZ puts the y rotation first (leftmost).
    expect_near(QuatMultiply(about_axis(b, 0, 1, 0), QuatMultiply(about_axis(a, 1, 0, 0), about_axis(c, 0, 0, 1))),
                     EulerToQuatYXZ(a, b, c));
    // keep: q (x) (Rz Ry Rx) applied to an existing rotation.
    TQuat q = about_axis(30, 0, 0, 1);
    EulerToQuatZYX(q, true, 0, 0, 30);
    expect_near(about_axis(60, 0, 0, 1), q);
    EulerToQuatZYX(q, false, 0, 0, 30);
    expect_near(about_axis(30, 0, 0, 1), q);
}

TEST(VecMathQuats, QuatToEulerInvertsEulerToQuatZYXAndIsFiniteAtAndPastThePole)
{
    for (int x = -165; x <= 165; x += 15)
        for (int y = -75; y <= 75; y += 15)
            for (int z = -165; z <= 165; z += 15) {
                TQuat q;
                EulerToQuatZYX(q, false, x, y, z);
                ASSERT_NO_FATAL_FAILURE(expect_angles(QuatToEuler(q), x, y, z));
            }
    TQuat q;
    EulerToQuatZYX(q, false, 10, 90, 0);
    const TVector3 e = QuatToEuler(q);
    EXPECT_TRUE(std::isfinite(e.x) && std::isfinite(e.z) && std::abs(e.y - 90) < 0.05);
    EXPECT_FLOAT_EQ(QuatToEuler({0, 0.8f, 0, 0.8f}).y, 90);  // not of unit length: the arcsine of 1.28 is clamped
}

TEST(VecMathQuats, SlerpEndsAndTheShorterArc)
{
    TQuat a = EulerToQuatXYZ(10, 20, 30), b = EulerToQuatXYZ(-40, 5, 60);
    EXPECT_EQ(QuatSlerp(a, a, 0.37L), a);
    expect_near(a, QuatSlerp(a, negated(a), 0.37L));
    expect_near(a, QuatSlerp(a, b, 0));
    expect_near(b, QuatSlerp(a, negated(b), 1));  // a.b < 0: the end is -(-b)
    expect_near(about_axis(45, 0, 0, 1), QuatSlerp(about_axis(0, 0, 0, 1), about_axis(90, 0, 0, 1), 0.5L));
}

// QuatToMatrix transforms row vectors: the x axis (row 0) turns into the y
// axis. MatrixToEuler reads a matrix built as Ry(b) Rx(a) Rz(c) in the
// column-vector sense, which is the transposed (row-vector) matrix of the
// conjugate of EulerToQuatYXZ(a, b, c), and handles the poles.
TEST(VecMathMatrices, QuatToMatrixUsesRowVectorsAndMatrixToEulerReadsBackTheYXZAngles)
{
    const TMatrix4 m = QuatToMatrix(about_axis(90, 0, 0, 1));
    const float expected[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m.m[i], expected[i], 1e-5f) << i;

    for (float a : {-60.f, -5.f, 0.f, 33.f, 80.f})
        for (float b : {-150.f, -20.f, 0.f, 45.f, 170.f})
            for (float c : {-120.f, 0.f, 15.f, 100.f})
                expect_angles(MatrixToEuler(QuatToMatrix(conjugate(EulerToQuatYXZ(a, b, c)))), a, b, c);

    for (float pole : {1.f, -1.f}) {
        TMatrix4 p{};
        p.m[1] = -1;
        p.m[6] = pole;
        expect_angles(MatrixToEuler(p), -90 * pole, 90 * pole, 0);
    }
}

}  // namespace
}  // namespace kelanim
