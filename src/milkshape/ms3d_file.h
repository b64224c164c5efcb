// The binary MilkShape 3D file (.ms3d, format version 4) and the filling of
// per-frame key slots shared with the ascii reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "level/sinks.h"
#include "ms3d_model.h"

namespace kelanim {

inline constexpr char fill_keyframes_error[] =
    "Error, you have to open the file with interpolation parameter set to true";

// Writes the model as an .ms3d file, whole or not at all. `subversion` picks
// the trailing vertex-extra section: 0 ends the file after the joints, 1 adds
// bone ids and weights (6 bytes a vertex), 2 also the extra word (10 bytes),
// 3 a second extra word as MilkShape 1.8 does (14 bytes, the second is 0). A
// model without vertices ends after the joints whatever its subversion.
// Sets `id` and `version`. Throws std::invalid_argument when the model is not
// consistent (see model_inconsistency) and std::system_error when writing
// fails; the file on disk is then left as it was.
void save_ms3d(TMS3D_File& model, const std::string& path);
// The bytes save_ms3d writes, with the same checks and the same exceptions.
std::vector<std::uint8_t> encode_ms3d(TMS3D_File& model);

// Reads an .ms3d file (or, for a path ending in ".mst", hands it to load_mst).
// Returns an ms3d_result. Without `interpolate` the joints' keys are read as
// they are stored; with it each joint gets one key slot per frame, the keys
// placed by frame number and the gaps filled by fill_keyframes. Keys whose
// frame lies past `total_frames` are dropped. On any failure the model keeps
// what it held before the call and `last_error` says why.
std::int16_t load_ms3d(TMS3D_File& model, const std::string& path, bool interpolate);

// Turns per-frame key slots (one per frame, 0 time = empty) into a full key
// per frame: rotations are interpolated spherically, translations linearly,
// slots before the first key take its value and slots after the last keep the
// last one; every slot k written gets the time (k + 1) / total_frames.
// Every joint must have exactly `total_frames` keys of each kind; otherwise
// nothing is changed, fill_keyframes_error is shown through `messages` (when
// given) and put in `last_error`, and the result is false.
bool fill_keyframes(TMS3D_File& model, MessageSink* messages = nullptr);

}  // namespace kelanim
