// kelanim-cli info LEVEL [--json]: what a level holds.
#include <cstdio>
#include <iostream>

#include <nlohmann/json.hpp>

#include "commands.h"
#include "info_listing.h"

namespace kelanim::cli {

namespace {

std::string hex_word(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// The count fields of the level, by their field names, in declared order.
std::vector<std::pair<const char*, std::uint64_t>> counts(const Ttrlevel& l)
{
    return {
        {"num_rooms", l.num_rooms},
        {"num_floor_data", l.num_floor_data},
        {"num_mesh_data", l.num_mesh_data},
        {"num_mesh_pointers", l.num_mesh_pointers},
        {"num_animations", l.num_animations},
        {"num_state_changes", l.num_state_changes},
        {"num_anim_dispatches", l.num_anim_dispatches},
        {"num_anim_commands", l.num_anim_commands},
        {"num_mesh_trees", l.num_mesh_trees},
        {"num_frames", l.num_frames},
        {"num_moveables", l.num_moveables},
        {"num_static_meshes", l.num_static_meshes},
        {"num_object_textures", l.num_object_textures},
        {"num_sprite_textures", l.num_sprite_textures},
        {"num_sprite_sequences", l.num_sprite_sequences},
        {"num_cameras", l.num_cameras},
        {"num_flyby_cameras", l.num_flyby_cameras},
        {"num_sound_sources", l.num_sound_sources},
        {"num_boxes", l.num_boxes},
        {"num_overlaps", l.num_overlaps},
        {"num_zones", l.num_zones},
        {"num_animated_textures", l.num_animated_textures},
        {"num_items", l.num_items},
        {"num_cinematic_frames", l.num_cinematic_frames},
        {"num_demo_data", l.num_demo_data},
        {"num_sound_details", l.num_sound_details},
        {"num_sample_indices", l.num_sample_indices},
        {"num_texture_pages", l.num_texture_pages},
    };
}

int run_info(Args args)
{
    const bool json = take_flag(args, "--json");
    if (args.size() != 1) return usage_error("usage: info LEVEL [--json]");
    Ttrlevel level;
    if (auto failed = open_level(level, args[0])) return *failed;

    if (json) {
        nlohmann::ordered_json out;
        out["result"] = load_ok;
        out["version"] = hex_word(level.version);
        out["version_code"] = level.version_code;
        out["generation"] = generation_name(level.version_code);
        for (const auto& [name, value] : counts(level)) out[name] = value;
        out["from_container"] = level.from_container;
        out["truncated"] = level.truncated;
        out["trng"] = level.trng;
        add_listing_json(level, out);
        std::cout << out.dump(2) << '\n';
        return exit_ok;
    }

    std::cout << "file            " << args[0] << '\n'
              << "result          " << int{load_ok} << '\n'
              << "version         " << hex_word(level.version) << '\n'
              << "version_code    " << level.version_code << '\n'
              << "generation      " << generation_name(level.version_code) << (level.trng ? " (TRNG)" : "") << '\n'
              << "from_container  " << (level.from_container ? "yes" : "no") << '\n'
              << "truncated       " << (level.truncated ? "yes: the file ended early" : "no") << '\n';
    for (const auto& [name, value] : counts(level)) std::printf("%-22s %llu\n", name, static_cast<unsigned long long>(value));
    std::cout.flush();
    print_listing(level, std::cout);
    return exit_ok;
}

const bool registered = register_command(
    {"info", "info LEVEL [--json]        what a level holds: version, counts, moveables", run_info});

}  // namespace

}  // namespace kelanim::cli
