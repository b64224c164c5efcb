// Turning the export's collected triangles, vertices and bones into the
// MilkShape model.
#pragma once

#include <cstdint>
#include <string>

#include "milkshape/export_collect.h"
#include "milkshape/ms3d_model.h"

namespace kelanim {

struct export_model_settings {
    std::int32_t view_mode = export_moveable;
    bool by_bones = false;
    std::int32_t page_count = 0;  // repacked texture pages
    std::string prefix;           // the pages' file names start with it
    float fps = 24;
    float current_time = 0;
    std::int32_t total_frames = 0;
};

// Fills the model (emptied first) from the collection: vertices, triangles
// with their face normals, groups by bone or by texture page with one
// material per page, timing, and for a moveable one joint per bone with a
// rotation and a translation key per keyframe. In the grouping by texture a
// triangle whose page has no group is left out of the model.
void build_export_model(const export_collection& work, const export_model_settings& settings, TMS3D_File& model);

}  // namespace kelanim
