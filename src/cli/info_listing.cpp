#include "info_listing.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "anim/keyframes.h"
#include "anim/state_changes.h"
#include "catalog/catalog.h"
#include "catalog/catalog_file.h"

namespace kelanim::cli {

namespace {

struct animation_row {
    std::int32_t keyframes = 0;
    std::int32_t frame_rate = 0;
    std::int32_t frame_size = 0;
    std::uint16_t frame_start = 0, frame_end = 0;
    std::uint16_t next_animation = 0, next_frame = 0;
    std::uint16_t state_id = 0;
    tstate_change_list state_changes;
    tanim_command_list commands;
};

struct moveable_row {
    std::size_t index = 0;
    std::uint32_t object_id = 0;
    std::string name;
    std::uint16_t num_meshes = 0;
    std::vector<animation_row> animations;
};

// The catalog for the level's generation, from beside the program or the
// installed data folder. Without one, every moveable keeps its default name.
std::unique_ptr<catalog_table> level_catalog(const Ttrlevel& level)
{
    auto table = std::make_unique<catalog_table>();
    if (const auto path = find_catalog_file())
        read_catalog(*table, *path, level.version_code);
    else
        std::cerr << "kelanim-cli: warning: " << catalog_file_name
                  << " not found beside the program or in the data folder; moveables are listed by id\n";
    return table;
}

std::string listed_name(const catalog_table& catalog, std::uint32_t object_id)
{
    std::string name = moveable_name(catalog, object_id);
    return name.empty() ? default_moveable_name(object_id) : name;
}

// The record fields are shown as the level stores them; `frame_size` is the
// stored byte, which TR1 levels do not use (their keyframe length follows
// from the mesh count).
animation_row animation_of(const Ttrlevel& level, std::int32_t m, std::int32_t j)
{
    animation_row row;
    row.keyframes = keyframe_count(level, m, j);
    row.frame_rate = keyframe_rate(level, m, j);
    const std::int64_t k = animation_index(level, m, j);
    if (k < 0) return row;
    const tanimation& a = level.animations[std::size_t(k)];
    row.frame_size = a.frame_size;
    row.frame_start = a.frame_start;
    row.frame_end = a.frame_end;
    row.next_animation = a.next_animation;
    row.next_frame = a.next_frame;
    row.state_id = a.state_id;
    row.state_changes = state_changes_of(level, k);
    row.commands = anim_commands_of(level, k);
    return row;
}

std::vector<moveable_row> moveable_rows(const Ttrlevel& level)
{
    const auto catalog = level_catalog(level);
    const std::size_t count = std::min<std::size_t>(level.num_moveables, level.moveables.size());
    std::vector<moveable_row> rows;
    rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const tmoveable& moveable = level.moveables[i];
        moveable_row row{i, moveable.object_id, listed_name(*catalog, moveable.object_id), moveable.num_meshes, {}};
        const auto m = static_cast<std::int32_t>(i);
        const std::int32_t animations = animation_count(level, m);
        row.animations.reserve(std::size_t(animations));
        for (std::int32_t j = 0; j < animations; ++j) row.animations.push_back(animation_of(level, m, j));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::size_t static_mesh_count(const Ttrlevel& level)
{
    return std::min<std::size_t>(level.num_static_meshes, level.static_meshes.size());
}

void print_row(std::ostream& out, const char* format, auto... values)
{
    char line[256];
    std::snprintf(line, sizeof line, format, values...);
    out << line << '\n';
}

// Each state change with its frame ranges; a list that runs past the
// records held ends with what exists.
nlohmann::ordered_json state_changes_json(const tstate_change_list& list)
{
    nlohmann::ordered_json out = nlohmann::ordered_json::array();
    for (const tstate_change_entry& change : list.entries) {
        nlohmann::ordered_json ranges = nlohmann::ordered_json::array();
        for (const tdispatch_range& r : change.ranges)
            ranges.push_back({{"low", r.low}, {"high", r.high}, {"next_animation", r.next_animation},
                              {"next_frame", r.next_frame}});
        out.push_back({{"state_id", change.state_id}, {"ranges", std::move(ranges)}});
    }
    return out;
}

nlohmann::ordered_json commands_json(const tanim_command_list& list)
{
    nlohmann::ordered_json out = nlohmann::ordered_json::array();
    for (const tanim_command& c : list.commands) {
        nlohmann::ordered_json command = {{"code", c.code}, {"name", anim_command_name(c.code)}};
        if (c.frame >= 0) command["frame"] = c.frame;
        command["arguments"] = c.arguments;
        if (c.condition != anim_command_condition::always) command["condition"] = condition_name(c.condition);
        out.push_back(std::move(command));
    }
    return out;
}

}  // namespace

void add_listing_json(const Ttrlevel& level, nlohmann::ordered_json& out)
{
    nlohmann::ordered_json moveables = nlohmann::ordered_json::array();
    for (const moveable_row& row : moveable_rows(level)) {
        nlohmann::ordered_json animations = nlohmann::ordered_json::array();
        for (const animation_row& a : row.animations)
            animations.push_back({{"keyframes", a.keyframes},
                                  {"frame_rate", a.frame_rate},
                                  {"frame_size", a.frame_size},
                                  {"frame_start", a.frame_start},
                                  {"frame_end", a.frame_end},
                                  {"next_animation", a.next_animation},
                                  {"next_frame", a.next_frame},
                                  {"state_id", a.state_id},
                                  {"state_changes", state_changes_json(a.state_changes)},
                                  {"commands", commands_json(a.commands)}});
        moveables.push_back({{"index", row.index},
                             {"object_id", row.object_id},
                             {"name", row.name},
                             {"num_meshes", row.num_meshes},
                             {"animations", std::move(animations)}});
    }
    out["moveables"] = std::move(moveables);

    nlohmann::ordered_json statics = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < static_mesh_count(level); ++i)
        statics.push_back({{"index", i}, {"id", level.static_meshes[i].id}, {"mesh", level.static_meshes[i].mesh}});
    out["static_meshes"] = std::move(statics);
}

void print_listing(const Ttrlevel& level, std::ostream& out)
{
    const std::vector<moveable_row> rows = moveable_rows(level);
    out << "\nmoveables (" << rows.size() << ")\n";
    print_row(out, "  %5s %9s  %-32s %6s %10s", "index", "object_id", "name", "meshes", "animations");
    for (const moveable_row& row : rows)
        print_row(out, "  %5zu %9u  %-32s %6u %10zu", row.index, row.object_id, row.name.c_str(),
                  unsigned{row.num_meshes}, row.animations.size());

    for (const moveable_row& row : rows) {
        if (row.animations.empty()) continue;
        out << "\nanimations of moveable " << row.index << " (" << row.name << ")\n";
        print_row(out, "  %5s %9s %10s %10s %11s %9s %14s %10s %8s", "anim", "keyframes", "frame_rate", "frame_size",
                  "frame_start", "frame_end", "next_animation", "next_frame", "state_id");
        for (std::size_t j = 0; j < row.animations.size(); ++j) {
            const animation_row& a = row.animations[j];
            print_row(out, "  %5zu %9d %10d %10d %11u %9u %14u %10u %8u", j, a.keyframes, a.frame_rate, a.frame_size,
                      unsigned{a.frame_start}, unsigned{a.frame_end}, unsigned{a.next_animation},
                      unsigned{a.next_frame}, unsigned{a.state_id});
        }
    }

    out << "\nstatic meshes (" << static_mesh_count(level) << ")\n";
    print_row(out, "  %5s %10s %6s", "index", "id", "mesh");
    for (std::size_t i = 0; i < static_mesh_count(level); ++i)
        print_row(out, "  %5zu %10u %6u", i, level.static_meshes[i].id, unsigned{level.static_meshes[i].mesh});
}

}  // namespace kelanim::cli
