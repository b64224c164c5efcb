// What the viewport is asked to show. The main window fills this from its
// controls (the moveable and static mesh lists, the animation drop-down, the
// keyframe spin edit, the "Show" box and the "Ignore Translation" menu item)
// before every refresh; the command-line renderer fills it from its options.
#pragma once

#include <cstdint>

namespace kelanim {

enum view_modes : std::int32_t {
    view_moveable = 0,     // the selected moveable posed at the selected keyframe
    view_static_mesh = 1,  // the selected static mesh, centred
};

struct SceneSelection {
    std::int32_t view_mode = view_moveable;  // `ViewMode`
    std::int32_t moveable = 0;               // row of the moveable list; negative draws nothing
    std::int32_t animation = 0;              // animation number within the moveable
    std::int32_t keyframe = 0;               // keyframe number; -1 is the rest pose
    std::int32_t static_mesh = 0;            // row of the static mesh list
    bool show_box = false;                   // "Show": draw the keyframe's bounding box
    bool ignore_translation = false;         // "Ignore Translation": root stays at the origin
};

}  // namespace kelanim
