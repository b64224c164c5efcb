// The moveable catalog: display names (and a few further per-object values)
// for the object ids of each game generation, read from trcatalog.xml.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace kelanim {

struct tmovable_record {
    std::string name;
    std::int32_t id2 = 0;
    std::int32_t use_body_from = 0;
    float y_adjust = 0;
    float x_adjust = 0;
    float z_adjust = 0;
    float rx_adjust = 0;
    float ry_adjust = 0;
    float rz_adjust = 0;
    std::uint16_t ai = 0;
    // Index of the level's moveable with this object id; set by whoever
    // fills the moveable list, not by the catalog.
    std::uint16_t level_index = 0;
};

// One entry per object id 0 to 599. Entries start out empty (empty names,
// zero numbers) until the first read.
inline constexpr std::size_t catalog_size = 600;
using catalog_table = std::array<tmovable_record, catalog_size>;

// "Moveable Id#" followed by the id: the name of an object the catalog does
// not name.
std::string default_moveable_name(std::uint32_t object_id);

// The name a moveable of `object_id` is listed under: the table's entry, or
// the default name for ids beyond the table.
std::string moveable_name(const catalog_table& table, std::uint32_t object_id);

// The value of a game element's first attribute that holds the section for a
// level of `version_code`: "TR1", "TR2", "TR3", "TR4", "TRC", or empty for
// codes that name no generation.
std::string catalog_generation(std::int32_t version_code);

// Reads the section of `path` for `version_code` into `table`. A file that
// does not exist or cannot be opened leaves the table unchanged. Otherwise
// every entry is first reset to its default name, then the named objects are
// written. Malformed XML ends the read with the entries read so far. A
// number attribute that is not a number raises conversion_error; entries
// written before it keep their new values.
void read_catalog(catalog_table& table, const std::filesystem::path& path, std::int32_t version_code);

}  // namespace kelanim
