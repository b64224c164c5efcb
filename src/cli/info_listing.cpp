#include "info_listing.h"

namespace kelanim::cli {

// The moveable listing needs the catalog and the keyframe locators; until
// they are part of the build the report holds the level's counts only.
void add_listing_json(const Ttrlevel&, nlohmann::ordered_json&) {}

void print_listing(const Ttrlevel&, std::ostream&) {}

}  // namespace kelanim::cli
