// Rotations between the level's keyframe angles and MilkShape's Euler angles.
//
// The level turns a bone about z, then x, then y; in exchange space (y and z
// mirrored) that is q = Ry(-y) * Rx(x) * Rz(-z). MilkShape's keys hold the
// angles of q = Rz(z) * Ry(y) * Rx(x). Each side's decomposition loses the
// rotation at its poles (MilkShape's y or the level's x at +-90 degrees, where
// the other two angles turn about the same axis); there the first and third
// angles are recovered together as one turn.
#pragma once

#include <array>

#include "geometry/vecmath.h"

namespace kelanim {

// The MilkShape Euler angles (degrees) of a rotation: QuatToEuler, with the
// turn about x and z recovered as one at y = +-90.
TVector3 milkshape_euler(const TQuat& q);

// The MilkShape Euler angles (degrees) of a level rotation (degrees):
// QuatToEuler of EulerToQuatYXZ (x, -y, -z).
TVector3 milkshape_angles(extended x, extended y, extended z);

// The level angles (degrees) of a MilkShape rotation (degrees): MatrixToEuler
// of QuatToMatrix of EulerToQuatXYZ (-x, y, z). Not brought into [0, 360).
TVector3 level_angles(extended x, extended y, extended z);

// The angle in degrees between the rotations of two unit quaternions.
extended rotation_between(const TQuat& a, const TQuat& b);

}  // namespace kelanim
