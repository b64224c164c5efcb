// The TR5 room form: a tagged header with offsets and sizes, lights, sectors,
// and geometry split into layers. Reading merges the layers into the common
// room arrays, which the drawing and the counts use; writing writes the room
// as it was read, layers, headers and the bytes between them included.
#pragma once

#include <cstdint>

#include "level_stream.h"
#include "ttrlevel.h"

namespace kelanim {

// Reads one room at the current position and leaves the position at the
// room's declared end.
void read_tr5_room(LevelStream& in, troom& room);

// Writes one room at the current position (the end of the data).
void write_tr5_room(TZFile& out, const troom& room);

// Rebuilds the room's common vertex and face arrays from its layers. Returns
// false when the room is damaged: a face named a vertex its layer does not
// have, or the room needed more than 65535 vertices or faces of a kind; what
// could not be kept is left out.
bool merge_tr5_layers(troom& room);

}  // namespace kelanim
