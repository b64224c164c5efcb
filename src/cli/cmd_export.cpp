// kelanim-cli export: a moveable with one of its animations, or a static
// mesh, to a MilkShape .ms3d or .mst file, with its texture pages as BMP
// files beside it, or to glTF (.glb, or .gltf with its buffer and PNG pages
// beside it), where --all-animations puts every animation into the file.
#include <iostream>
#include <optional>
#include <string>

#include "commands.h"
#include "geometry/mesh_list.h"
#include "gltf/gltf_export.h"
#include "milkshape/export_moveable.h"

namespace kelanim::cli {

namespace {

constexpr char usage[] =
    "usage: export LEVEL OUT --moveable M [--animation J] [--subversion 0|1|2] [--by-bones] "
    "[--ignore-translation] [--fix-root-y]\n"
    "       export LEVEL OUT.glb|OUT.gltf --moveable M [--animation J | --all-animations]\n"
    "       export LEVEL OUT --static S\n"
    "OUT ends in .ms3d or .mst (MilkShape), .glb or .gltf (glTF)";

std::optional<long> number_option(Args& args, const std::string& option, const char* what, bool& bad)
{
    const auto text = take_option(args, option);
    if (!text) return std::nullopt;
    const auto value = parse_number(*text, what);
    if (!value) bad = true;
    return value;
}

bool ends_with(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

int report(const exchange_outcome& outcome)
{
    if (!outcome.ok) {
        std::cerr << "kelanim-cli: " << outcome.message << '\n';
        return exit_failure;
    }
    for (const std::string& warning : outcome.warnings) std::cerr << "kelanim-cli: warning: " << warning << '\n';
    for (const std::string& file : outcome.files) std::cout << "wrote " << file << '\n';
    std::cout << outcome.message << '\n';
    return exit_ok;
}

int run_export(Args args)
{
    const bool all_animations = take_flag(args, "--all-animations");
    export_request request;
    request.by_bones = take_flag(args, "--by-bones");
    request.ignore_translation = take_flag(args, "--ignore-translation");
    request.fix_root_y = take_flag(args, "--fix-root-y");
    bool bad = false;
    const auto moveable = number_option(args, "--moveable", "MOVEABLE", bad);
    const auto animation = number_option(args, "--animation", "ANIMATION", bad);
    const auto subversion = number_option(args, "--subversion", "SUBVERSION", bad);
    const auto static_mesh = number_option(args, "--static", "STATIC", bad);
    if (bad) return exit_usage;
    if (args.size() != 2 || moveable.has_value() == static_mesh.has_value()) return usage_error(usage);
    if (static_mesh && (animation || subversion || request.by_bones || request.ignore_translation || request.fix_root_y))
        return usage_error("a static mesh exports without animation, bones or root options\n" + std::string(usage));
    if (subversion && (*subversion < 0 || *subversion > 2)) return usage_error("SUBVERSION is 0, 1 or 2");
    const bool gltf = ends_with(args[1], ".glb") || ends_with(args[1], ".gltf");
    if (gltf && (subversion || request.by_bones || request.ignore_translation || request.fix_root_y))
        return usage_error("--subversion, --by-bones and the root options are for MilkShape files\n" +
                           std::string(usage));
    if (all_animations && (!gltf || static_mesh || animation))
        return usage_error("--all-animations exports a moveable's animations to glTF, instead of --animation\n" +
                           std::string(usage));

    request.path = args[1];
    if (static_mesh) {
        request.view_mode = export_static_mesh;
        request.static_mesh = static_cast<std::int32_t>(*static_mesh);
    } else {
        request.view_mode = export_moveable;
        request.moveable = static_cast<std::int32_t>(*moveable);
        request.animation = static_cast<std::int32_t>(animation.value_or(0));
    }
    request.subversion = static_cast<std::int32_t>(subversion.value_or(2));

    Ttrlevel level;
    if (auto failed = open_level(level, args[0])) return *failed;
    Tmesh_list meshes;
    meshes.decode_meshes(level);
    if (gltf) {
        gltf_export_request gltf_request;
        gltf_request.path = request.path;
        gltf_request.view_mode = request.view_mode;
        gltf_request.moveable = request.moveable;
        gltf_request.animation = request.animation;
        gltf_request.static_mesh = request.static_mesh;
        gltf_request.all_animations = all_animations;
        return report(export_gltf(level, meshes, gltf_request));
    }
    TMS3D_File model;
    return report(export_selection(level, meshes, request, model));
}

const bool registered = register_command(
    {"export", "export LEVEL OUT ...   a moveable and animation (--moveable M --animation J) or a static mesh "
               "(--static S) to MilkShape or glTF",
     run_export});

}  // namespace

}  // namespace kelanim::cli
