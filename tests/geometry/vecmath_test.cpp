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
    for (auto [got, want] : {std::pair{e.x, x}, {e.y, y}, {e.z, z}})
        EXPECT_NEAR(std::remainder(got - want, 360.0), 0, 2e-3) << x << " " << y << " " << z;
}

TQuat conjugate(const TQuat& q) { return {-q.x, -q.y, -q.z, q.w}; }
TQuat negated(const TQuat& q) { return {-q.x, -q.y, -q.z, -q.w}; }
TQuat rotated(TQuat q, float degrees, float ax, float ay, float az) { return QuatRotateAxis(q, degrees, ax, ay, az), q; }
TQuat about_axis(float degrees, float ax, float ay, float az) { return rotated({0, 0, 0, 1}, degrees, ax, ay, az); }
TQuat zyx(extended x, extended y, extended z, TQuat q = {0, 0, 0, 1}, bool keep = false) { return EulerToQuatZYX(q, keep, x, y, z), q; }

// Arcsine and arccosine stay finite just past their domain.
TEST(VecMath, ScalarsAndVectors)
{
    const double computed[] = {double(ArcSin(1.0000001L)), double(ArcSin(-1.5L)), double(ArcCos(-1.0000001L)), double(ArcCos(0.5L)),
                               double(ArcTan2(-1, -1)), double(RadToDeg(DegToRad(37.5L)))};
    const double expected[] = {pi / 2, -pi / 2, pi, pi / 3, -3 * pi / 4, 37.5};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(computed[i], expected[i], 1e-12) << i;
    EXPECT_EQ(static_cast<float>(DegToRad(180)), 3.1415927f);
    TVector3 v{3, 0, 4};
    VectorNormalize(v);
    const TVector3 vectors[] = {TriangleNormal({0, 0, 0}, {2, 0, 0}, {2, 3, 0}), TriangleNormal({1, 1, 1}, {2, 2, 2}, {4, 4, 4}),
                                TriangleNormal({1, 2, 3}, {1, 2, 3}, {5, 0, 0}), VectorCross({0, 1, 0}, {1, 0, 0}),
                                VectorLerp({1, 2, 3}, {-3, 6, 0.5f}, 0.25L), VectorAdd({1, 2, 3}, {0.5f, -4, 2}), v};
    const TVector3 expected_vectors[] = {{0, 0, 1}, {0, 0, 0}, {0, 0, 0}, {0, 0, -1}, {0, 3, 2.375f}, {1.5f, -2, 5}, {0.6f, 0, 0.8f}};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(vectors[i], expected_vectors[i]) << i;
}

// The Hamilton product; rotations about an axis (normalised) multiply on the left.
TEST(VecMathQuats, ProductsRotationsAboutAnAxisEulerOrdersAndSlerp)
{
    const TQuat i{1, 0, 0, 0}, j{0, 1, 0, 0};
    EXPECT_EQ((std::array{QuatMultiply(i, j), QuatMultiply(j, i), QuatMultiply(i, i)}),
              (std::array{TQuat{0, 0, 1, 0}, TQuat{0, 0, -1, 0}, TQuat{0, 0, 0, -1}}));
    const float h = std::sqrt(0.5f);
    expect_near((TQuat{0, 0, h, h}), about_axis(90, 0, 0, 5));
    expect_near((TQuat{0.5f, 0.5f, 0.5f, 0.5f}), rotated(about_axis(90, 1, 0, 0), 90, 0, 0, 1));  // about z after about x
    // About a zero axis the rotation only scales; an axis that is not a number divides nothing either.
    const float c = static_cast<float>(std::cos(pi / 6));
    expect_near((TQuat{0.1f * c, 0.2f * c, 0.3f * c, 0.9f * c}), rotated({0.1f, 0.2f, 0.3f, 0.9f}, 60, 0, 0, 0));
    EXPECT_FALSE(std::isinf(rotated({0, 0, 0, 1}, 60, NAN, 0, 0).w));
    const float a = 25, b = -40, y = 70;
    // (Rx Ry Rz)* = Rz(-c) Ry(-b) Rx(-a): XYZ is the conjugate of ZYX with negated angles.
    expect_near(conjugate(EulerToQuatXYZ(a, b, y)), zyx(-a, -b, -y));
    // YXZ puts the y rotation first (leftmost).
    expect_near(QuatMultiply(about_axis(b, 0, 1, 0), QuatMultiply(about_axis(a, 1, 0, 0), about_axis(y, 0, 0, 1))),
                EulerToQuatYXZ(a, b, y));
    expect_near(about_axis(60, 0, 0, 1), zyx(0, 0, 30, about_axis(30, 0, 0, 1), true));  // keep: q (x) (Rz Ry Rx)
    // Slerp: its ends, and the shorter arc (a.b < 0: the end is -(-b)).
    const TQuat p = EulerToQuatXYZ(10, 20, 30), q = EulerToQuatXYZ(-40, 5, 60);
    EXPECT_EQ(QuatSlerp(p, p, 0.37L), p);
    expect_near(p, QuatSlerp(p, negated(p), 0.37L));
    expect_near(p, QuatSlerp(p, q, 0));
    expect_near(q, QuatSlerp(p, negated(q), 1));
    expect_near(about_axis(45, 0, 0, 1), QuatSlerp(about_axis(0, 0, 0, 1), about_axis(90, 0, 0, 1), 0.5L));
}

TEST(VecMathQuats, QuatToEulerInvertsEulerToQuatZYXAndIsFiniteAtAndPastThePole)
{
    for (int x = -165; x <= 165; x += 15)
        for (int y = -75; y <= 75; y += 15)
            for (int z = -165; z <= 165; z += 15) ASSERT_NO_FATAL_FAILURE(expect_angles(QuatToEuler(zyx(x, y, z)), x, y, z));
    const TVector3 e = QuatToEuler(zyx(10, 90, 0));
    EXPECT_TRUE(std::isfinite(e.x) && std::isfinite(e.z) && std::abs(e.y - 90) < 0.05);
    EXPECT_FLOAT_EQ(QuatToEuler({0, 0.8f, 0, 0.8f}).y, 90);  // not of unit length: the arcsine of 1.28 is clamped
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
