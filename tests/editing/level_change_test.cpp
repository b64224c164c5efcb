#include "editing/level_change.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "anim/keyframes.h"
#include "editing/animation_editing.h"
#include "milkshape/import_animation.h"
#include "realdata.h"

namespace kelanim {
namespace {

// The bytes of everything an edit may touch.
std::string bytes_of(const animation_data& d)
{
    std::string out;
    auto add = [&](const auto& v) { out.append(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(v[0])); };
    add(d.frames), add(d.animations), add(d.moveables), add(std::vector{d.num_frames, d.num_animations, d.num_moveables});
    return out;
}

// A model of `frames` frames, one joint per bone, every key turned a little.
TMS3D_File model_for(int joints, int frames)
{
    TMS3D_File model;
    model.total_frames = frames, model.num_joints = std::uint16_t(joints), model.joints.resize(std::size_t(joints));
    for (MS3D_Joint& joint : model.joints)
        for (int f = 0; f < frames; ++f) {
            joint.rotation_keys.push_back({float(f), {0.1f * f, 0.2f, 0.0f}});
            joint.translation_keys.push_back({float(f), {0.5f, -1.0f, 0.25f * f}});
        }
    return model;
}

// Undo of every kind of edit on every real level gives back the bytes that
// were there; redo gives the edited bytes again.
TEST(LevelChange, UndoAndRedoOfEveryEditRestoreTheExactBytes)
{
    KELANIM_REQUIRE_REALDATA();
    for (const auto& path : test::real_levels()) {
        SCOPED_TRACE(path.filename().string());
        Ttrlevel level;
        ASSERT_EQ(level.load_level(path.string()), load_ok);
        Tmesh_list meshes;
        meshes.decode_meshes(level);
        // The first moveable with two animations: edits of its first shift later animations and moveables.
        std::int32_t m = 0;
        while (m < std::int32_t(level.moveables.size()) && (animation_count(level, m) < 2 || keyframe_count(level, m, 0) < 2))
            ++m;
        ASSERT_LT(m, std::int32_t(level.moveables.size()));
        const int bones = level.moveables[std::size_t(m)].num_meshes;

        const std::pair<const char*, std::function<bool()>> edits[] = {
            {"box field", [&] { return set_keyframe_box_field(level, m, 0, 1, 3, 40000); }},
            {"automatic bound", [&] { return automatic_bound(level, meshes, m, 0, 1); }},
            {"parameters", [&] { return apply_animation_parameters(level, m, 0, {m + 1, 7, 3, 50}); }},
            {"longer import", [&] { return import_animation(level, meshes, m, 0, model_for(bones, 40)).ok; }},
            {"emptying import", [&] { return import_animation(level, meshes, m, 0, model_for(bones, 0)).ok; }},
        };
        for (const auto& [name, edit] : edits) {
            SCOPED_TRACE(name);
            const animation_data loaded = copy_animation_data(level);
            ASSERT_TRUE(edit());
            const animation_data edited = copy_animation_data(level);
            const level_change change = level_change::between(loaded, level);
            EXPECT_LT(change.kept_bytes(), loaded.frames.size() * 2);  // never a copy of the level
            ASSERT_TRUE(change.undo(level));
            EXPECT_TRUE(bytes_of(copy_animation_data(level)) == bytes_of(loaded));
            EXPECT_FALSE(change.undo(level));  // what it expects is no longer there
            ASSERT_TRUE(change.redo(level));
            EXPECT_TRUE(bytes_of(copy_animation_data(level)) == bytes_of(edited));
            ASSERT_TRUE(change.undo(level));
        }
    }
}

}  // namespace
}  // namespace kelanim
