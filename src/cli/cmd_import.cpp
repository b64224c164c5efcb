// kelanim-cli import: an animation made in MilkShape replaces the keyframes of
// one animation of a moveable; the bounding boxes are recomputed and the
// level is written to a new file.
#include <exception>
#include <iostream>
#include <string>

#include "commands.h"
#include "geometry/mesh_list.h"
#include "milkshape/import_animation.h"

namespace kelanim::cli {

namespace {

constexpr char usage[] = "usage: import LEVEL IN --moveable M --animation J -o OUT_LEVEL\nIN ends in .ms3d or .mst";

int run_import(Args args)
{
    const auto moveable_text = take_option(args, "--moveable");
    const auto animation_text = take_option(args, "--animation");
    const auto out = take_option(args, "-o");
    if (args.size() != 2 || !moveable_text || !animation_text || !out) return usage_error(usage);
    const auto moveable = parse_number(*moveable_text, "MOVEABLE");
    const auto animation = parse_number(*animation_text, "ANIMATION");
    if (!moveable || !animation) return exit_usage;

    Ttrlevel level;
    if (auto failed = open_level(level, args[0])) return *failed;
    Tmesh_list meshes;
    meshes.decode_meshes(level);
    TMS3D_File model;
    const exchange_outcome outcome = import_animation_file(level, meshes, static_cast<std::int32_t>(*moveable),
                                                           static_cast<std::int32_t>(*animation), args[1], model);
    if (!outcome.ok) {
        std::cerr << "kelanim-cli: " << outcome.message << '\n';
        return exit_failure;
    }
    for (const std::string& warning : outcome.warnings) std::cerr << "kelanim-cli: warning: " << warning << '\n';
    try {
        level.save_level(*out);
    } catch (const std::exception& e) {
        std::cerr << "kelanim-cli: cannot save \"" << *out << "\": " << e.what() << '\n';
        return exit_failure;
    }
    std::cout << outcome.message << '\n' << "wrote " << *out << '\n';
    return exit_ok;
}

const bool registered = register_command(
    {"import", "import LEVEL IN ...    a MilkShape animation into a moveable's animation (--moveable M "
               "--animation J -o OUT_LEVEL)",
     run_import});

}  // namespace

}  // namespace kelanim::cli
