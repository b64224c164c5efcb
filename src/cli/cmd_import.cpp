// kelanim-cli import: an animation made in MilkShape, Blender or another tool
// that writes glTF or FBX replaces the keyframes of one animation of a
// moveable; the bounding boxes are recomputed and the level is written to a
// new file.
#include <exception>
#include <iostream>
#include <string>

#include "commands.h"
#include "geometry/mesh_list.h"
#include "gltf/import_model.h"
#include "milkshape/import_animation.h"

namespace kelanim::cli {

namespace {

constexpr char usage[] =
    "usage: import LEVEL IN --moveable M --animation J -o OUT_LEVEL [--source NAME]\n"
    "IN ends in .ms3d or .mst (MilkShape), .glb or .gltf (glTF) or .fbx; --source names the model's animation "
    "(glTF and FBX only; default its first)";

bool is_milkshape(const std::string& path) { return path.ends_with(".ms3d") || path.ends_with(".mst"); }

int run_import(Args args)
{
    const auto moveable_text = take_option(args, "--moveable");
    const auto animation_text = take_option(args, "--animation");
    const auto out = take_option(args, "-o");
    const auto source = take_option(args, "--source");
    if (args.size() != 2 || !moveable_text || !animation_text || !out) return usage_error(usage);
    if (source && is_milkshape(args[1])) return usage_error("--source is for glTF and FBX models only");
    const auto moveable = parse_number(*moveable_text, "MOVEABLE");
    const auto animation = parse_number(*animation_text, "ANIMATION");
    if (!moveable || !animation) return exit_usage;

    Ttrlevel level;
    if (auto failed = open_level(level, args[0])) return *failed;
    Tmesh_list meshes;
    meshes.decode_meshes(level);
    const auto m = static_cast<std::int32_t>(*moveable);
    const auto j = static_cast<std::int32_t>(*animation);
    TMS3D_File model;
    const exchange_outcome outcome = is_milkshape(args[1])
                                         ? import_animation_file(level, meshes, m, j, args[1], model)
                                         : import_model_file(level, meshes, m, j, args[1], source.value_or(""));
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
    {"import", "import LEVEL IN ...    a MilkShape, glTF or FBX animation into a moveable's animation "
               "(--moveable M --animation J -o OUT_LEVEL [--source NAME])",
     run_import});

}  // namespace

}  // namespace kelanim::cli
