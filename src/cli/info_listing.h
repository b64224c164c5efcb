// The moveables and static meshes of a level, for `info`.
#pragma once

#include <ostream>

#include <nlohmann/json.hpp>

#include "level/ttrlevel.h"

namespace kelanim::cli {

// Adds `moveables` and `static_meshes` to the JSON report.
void add_listing_json(const Ttrlevel& level, nlohmann::ordered_json& out);

// Prints the same as a readable table.
void print_listing(const Ttrlevel& level, std::ostream& out);

}  // namespace kelanim::cli
