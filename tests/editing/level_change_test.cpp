#include "editing/level_change.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <tuple>

#include "anim/keyframes.h"
#include "editing/animation_editing.h"
#include "milkshape/import_animation.h"
#include "realdata.h"

namespace kelanim {
namespace {

// Byte equality of everything an edit may touch.
bool same_bytes(const animation_data& a, const animation_data& b)
{
    auto same = [](const auto& x, const auto& y) {
        return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size() * sizeof(x[0])) == 0;
    };
    return same(a.frames, b.frames) && same(a.animations, b.animations) && same(a.moveables, b.moveables) &&
           std::tie(a.num_frames, a.num_animations, a.num_moveables) ==
               std::tie(b.num_frames, b.num_animations, b.num_moveables);
}

// A model of `frames` frames, one joint per bone, every key turned a little.
TMS3D_File model_for(int joints, int frames)
{
    TMS3D_File model;
    model.total_frames = frames;
    model.num_joints = static_cast<std::uint16_t>(joints);
    model.joints.resize(static_cast<std::size_t>(joints));
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
        // The first moveable with two animations: the edits of its first
        // have later animations and moveables to shift.
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
            ASSERT_FALSE(change.empty());
            EXPECT_LT(change.kept_bytes(), loaded.frames.size() * 2);  // never a copy of the level

            ASSERT_TRUE(change.undo(level));
            EXPECT_TRUE(same_bytes(copy_animation_data(level), loaded));
            EXPECT_FALSE(change.undo(level));  // what it expects is no longer there
            ASSERT_TRUE(change.redo(level));
            EXPECT_TRUE(same_bytes(copy_animation_data(level), edited));
            ASSERT_TRUE(change.undo(level));
        }
    }
}

}  // namespace
}  // namespace kelanim
