// Export of the selection to MilkShape 3D: a moveable with one joint per bone
// and its selected animation as keys, or a static mesh without joints,
// written as a binary .ms3d file or an ascii .mst file, together with BMP
// files of its repacked texture pages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "geometry/mesh_list.h"
#include "level/ttrlevel.h"
#include "milkshape/exchange_outcome.h"
#include "milkshape/ms3d_model.h"
#include "milkshape/texture_repack.h"

namespace kelanim {

inline constexpr char export_done_message[] = "Export Done.";

// The save dialog's filters; the first three are the binary subversions 2, 1
// and 0, the last the ascii form.
inline constexpr char export_dialog_filter[] =
    "Milkshape, Subversion=2, *.ms3d|*.ms3d|Milkshape, Subversion=1, *.ms3d|*.ms3d|"
    "Milkshape, Subversion=0, *.ms3d|*.ms3d|Milkshape Acii Extra (*.mst)|*.mst";

// A bone id is a signed byte; more joints than this cannot be told apart.
inline constexpr std::int32_t max_export_joints = 128;

struct export_request {
    std::string path;  // ends in ".ms3d" or ".mst"
    std::int32_t view_mode = export_moveable;
    std::int32_t moveable = 0;   // view mode 0
    std::int32_t animation = 0;  // view mode 0; ignored for a moveable without animations
    std::int32_t static_mesh = 0;  // view mode 1: index in the level's static meshes
    std::int32_t subversion = 2;   // .ms3d only: 0, 1 or 2
    bool by_bones = false;         // one group per bone instead of one per texture page
    bool ignore_translation = false;
    bool fix_root_y = false;
};

// Why a selection names nothing the level holds (a static mesh or moveable
// past the level's lists, an animation past the moveable's), or nothing. An
// `animation` of nothing stands for all of the moveable's. The number of
// joints a file can hold is each exporter's own check.
std::optional<std::string> check_export_selection(const Ttrlevel& level, std::int32_t view_mode,
                                                  std::int32_t static_mesh, std::int32_t moveable,
                                                  std::optional<std::int32_t> animation);

// The subversion a save-dialog filter stands for (positions from 1): 2, 1, 0
// for the binary filters, 2 for the ascii one.
std::int32_t subversion_for_filter(std::int32_t filter_position);

// MilkShape frames per second for an animation frame rate (game ticks of
// 1/40 s per keyframe): 800 / (rate * 1000 / 40) in integers, 32 for rate 1.
// Nothing for the rates that give no usable figure (0, or 33 and above).
std::optional<std::int32_t> milkshape_fps(std::int32_t frame_rate);

// The file name without its extension: where the texture pages go.
std::string export_prefix(const std::string& path);

// Builds the model and the repacked pages in memory: the whole export except
// the writing. Returns why the selection cannot be exported, or nothing. The
// decoded meshes' effects words receive the repacked texture numbers.
std::optional<std::string> prepare_export(const Ttrlevel& level, Tmesh_list& meshes, const export_request& request,
                                          TMS3D_File& model, repack_result& pages);

// The export command: prepares the model, writes the pages and the model
// file, and empties the model again. On success the message is "Export
// Done."; otherwise nothing is written and the message says why.
exchange_outcome export_selection(const Ttrlevel& level, Tmesh_list& meshes, const export_request& request,
                                  TMS3D_File& model);

// Moves the model and its root by the first root key's height ("Fix Bone Root
// Y position") and takes the motion out of the root keys ("Ignore
// Translation"). Nothing happens without joints or root keys.
void apply_root_options(TMS3D_File& model, bool fix_root_y, bool ignore_translation);

}  // namespace kelanim
