// Which bone of a moveable a joint of a model stands for, by its name.
//
// Our export names the joints `bone_00`, `bone_01`, ... Tools keep those
// names but may decorate them: Blender adds the armature's name in front
// (`Armature|bone_03`, `Armature:bone_03`), a number behind when a name is
// taken (`bone_03.001`), and leaf bones at the chain ends (`bone_03_end`),
// which stand for no bone.
#pragma once

#include <optional>
#include <string_view>

#include "gltf/gltf_skeleton.h"  // joint_name, the name our export gives a bone

namespace kelanim {

// The bone number of a joint name, or nothing for a name of no bone.
std::optional<int> bone_number(std::string_view name);

// The animation name without what Blender adds around it: the armature's
// name in front (`Armature|anim_3`), and behind an action its glTF import
// named (`Armature|anim_3_Armature`).
std::string_view undecorated_animation_name(std::string_view name);

}  // namespace kelanim
