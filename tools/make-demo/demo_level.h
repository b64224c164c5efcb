// The demo level: an original jointed figure (eleven bones, textured, with a
// few coloured faces where the generation has them) standing in one small
// room, with four looping animations. It is built in memory for a TR2 or a
// TR4 level and written through the program's own writer; the figure takes
// object id 0 so that the catalog names it.
#pragma once

#include <cstdint>
#include <string>

#include "level/ttrlevel.h"

namespace kelanim::demo {

inline constexpr int figure_bones = 11;
inline constexpr int figure_animation_count = 4;
inline constexpr std::uint32_t figure_object_id = 0;

// Fills `level` with the demo level of generation `version_code` (code_tr2
// or code_tr4), bounding boxes measured by the automatic bound.
void make_demo_level(Ttrlevel& level, std::int32_t version_code);

// Writes demo.tr2 and demo.tr4 into `folder`. Throws on failure.
void write_demo_levels(const std::string& folder);

}  // namespace kelanim::demo
