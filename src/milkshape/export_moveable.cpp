#include "milkshape/export_moveable.h"

#include <cerrno>
#include <exception>
#include <filesystem>
#include <system_error>

#include "anim/keyframes.h"
#include "level/staged_files.h"
#include "milkshape/export_collect.h"
#include "milkshape/export_model.h"
#include "milkshape/ms3d_file.h"
#include "milkshape/mst_file.h"

namespace kelanim {

namespace {

constexpr std::size_t max_model_items = 65535;  // vertex and triangle numbers are 16-bit

bool ends_with(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The extension of the chosen name, compared exactly as typed.
std::string export_extension(const std::string& path)
{
    if (ends_with(path, ".ms3d")) return ".ms3d";
    if (ends_with(path, ".mst")) return ".mst";
    return {};
}

// A file name taken by a folder cannot be replaced. Found before the first
// file is written, so that the pages of an earlier export are not replaced
// by an export that then fails on its model.
void refuse_folder_names(const std::string& model_path, const repacked_pages& pages, const std::string& prefix)
{
    std::vector<std::string> names{model_path};
    for (std::int32_t k = 0; k < pages.page_count; ++k) names.push_back(page_file_name(prefix, k, pages.page_count));
    for (const std::string& name : names) {
        std::error_code error;
        if (std::filesystem::is_directory(name, error))
            throw std::system_error(EISDIR, std::generic_category(), "Cannot replace \"" + name + "\"");
    }
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::optional<std::string> check_selection(const Ttrlevel& level, const export_request& request)
{
    if (auto problem = check_export_selection(level, request.view_mode, request.static_mesh, request.moveable,
                                              request.animation))
        return problem;
    if (request.view_mode == export_static_mesh) return std::nullopt;
    const std::int32_t bones = level.moveables[static_cast<std::size_t>(request.moveable)].num_meshes;
    if (bones > max_export_joints)
        return "The moveable has " + std::to_string(bones) + " bones; a MilkShape model holds at most " +
               std::to_string(max_export_joints) + " joints.";
    return std::nullopt;
}

}  // namespace

std::optional<std::string> check_export_selection(const Ttrlevel& level, std::int32_t view_mode,
                                                  std::int32_t static_mesh, std::int32_t moveable,
                                                  std::optional<std::int32_t> animation)
{
    if (view_mode == export_static_mesh) {
        if (static_mesh < 0 || static_cast<std::size_t>(static_mesh) >= level.static_meshes.size())
            return "Static mesh " + std::to_string(static_mesh) + " does not exist: the level has " +
                   std::to_string(level.static_meshes.size()) + " static meshes.";
        return std::nullopt;
    }
    if (view_mode != export_moveable) return "Unknown view mode " + std::to_string(view_mode) + ".";
    if (moveable < 0 || static_cast<std::size_t>(moveable) >= level.moveables.size())
        return "Moveable " + std::to_string(moveable) + " does not exist: the level has " +
               std::to_string(level.moveables.size()) + " moveables.";
    const std::int32_t animations = animation_count(level, moveable);
    if (animation && animations > 0 && (*animation < 0 || *animation >= animations))
        return "Animation " + std::to_string(*animation) + " does not exist: the moveable has " +
               std::to_string(animations) + " animations.";
    return std::nullopt;
}

std::int32_t subversion_for_filter(std::int32_t filter_position)
{
    const std::int32_t subversion = 3 - filter_position;
    return subversion < 0 ? 2 : subversion;
}

std::optional<std::int32_t> milkshape_fps(std::int32_t frame_rate)
{
    const std::int32_t interval = frame_rate * 1000 / 40;
    if (interval <= 0) return std::nullopt;
    const std::int32_t fps = 800 / interval;
    if (fps <= 0) return std::nullopt;
    return fps;
}

std::string export_prefix(const std::string& path)
{
    const std::string extension = std::filesystem::path(path).extension().string();
    return path.substr(0, path.size() - extension.size());
}

std::optional<std::string> prepare_export(const Ttrlevel& level, Tmesh_list& meshes, const export_request& request,
                                          TMS3D_File& model, repack_result& pages)
{
    if (!level.is_loaded()) return std::string("No level is loaded.");
    if (auto problem = check_selection(level, request)) return problem;

    export_model_settings settings;
    settings.view_mode = request.view_mode;
    settings.by_bones = request.by_bones;
    settings.prefix = export_prefix(request.path);

    // Timing. Keys are timed (n + 1) / fps, so an animation with keyframes
    // needs a frame rate that gives a whole, non-zero fps.
    const std::int32_t m = request.moveable, j = request.animation;
    const std::int32_t rate = request.view_mode == export_moveable ? keyframe_rate(level, m, j) : 0;
    const std::int32_t keyframes = request.view_mode == export_moveable ? keyframe_count(level, m, j) : 0;
    const std::optional<std::int32_t> fps = milkshape_fps(rate);
    if (keyframes > 0 && !fps)
        return "The animation's frame rate is " + std::to_string(rate) +
               ": MilkShape times keyframes only for frame rates 1 to 32. Nothing was exported.";
    if (keyframes > static_cast<std::int32_t>(max_model_items))
        return "The animation has " + std::to_string(keyframes) + " keyframes; a MilkShape joint holds at most " +
               std::to_string(max_model_items) + " keys.";
    settings.fps = static_cast<float>(fps.value_or(24));
    settings.current_time = fps ? 1.0f / static_cast<float>(*fps) : 0.0f;
    settings.total_frames = keyframes;
    if (request.view_mode == export_static_mesh) {
        settings.total_frames = 0;
        settings.fps = 24;
    }

    const std::int32_t index = request.view_mode == export_moveable ? m : request.static_mesh;
    try {
        pages = pack_textures(level, meshes, request.view_mode, index);
    } catch (const std::exception& error) {
        return std::string(error.what()) + " Nothing was exported.";
    }
    settings.page_count = pages.new_page_count;

    const bool materials = !(request.view_mode == export_moveable && request.by_bones);
    if (materials)
        for (std::int32_t p = 0; p < settings.page_count; ++p) {
            const std::string name = page_file_name(settings.prefix, p, settings.page_count);
            if (name.size() >= MS3D_Path{}.size())
                return "The texture file name " + quoted(name) + " is longer than the " +
                       std::to_string(MS3D_Path{}.size() - 1) +
                       " characters a MilkShape material can hold. Choose a shorter path.";
        }

    export_collection work;
    work.version_code = level.version_code;
    work.textures = &pages.textures;
    if (request.view_mode == export_static_mesh) {
        const std::size_t pointer = level.static_meshes[static_cast<std::size_t>(request.static_mesh)].mesh;
        if (pointer < meshes.mesh_index.size() && meshes.mesh_index[pointer] < meshes.meshes.size())
            // A static mesh has no joints, so its vertices follow none (bone id
            // -1) rather than naming a joint 0 that does not exist.
            collect_mesh(work, meshes.meshes[meshes.mesh_index[pointer]], -1, TVector3{});
    } else {
        collect_moveable(work, level, meshes, m, j);
        collect_rotations(work, level, m, j);
    }
    if (static_cast<std::size_t>(work.vertex_set.count()) > max_model_items || work.triangles.size() > max_model_items)
        return "The selection has " + std::to_string(work.vertex_set.count()) + " vertices and " +
               std::to_string(work.triangles.size()) + " triangles; a MilkShape model holds at most " +
               std::to_string(max_model_items) + " of each.";

    build_export_model(work, settings, model);
    model.subversion = request.subversion;
    apply_root_options(model, request.fix_root_y, request.ignore_translation);
    return std::nullopt;
}

exchange_outcome export_selection(const Ttrlevel& level, Tmesh_list& meshes, const export_request& request,
                                  TMS3D_File& model)
{
    const std::string extension = export_extension(request.path);
    if (extension.empty())
        return exchange_failure("Cannot export to " + quoted(request.path) +
                                ": the file name must end in \".ms3d\" (binary) or \".mst\" (ascii). Nothing was "
                                "exported.");
    if (request.subversion < 0 || request.subversion > 2)
        return exchange_failure("Unknown subversion " + std::to_string(request.subversion) +
                                ": the binary file has subversion 0, 1 or 2.");

    repack_result pages;
    if (auto problem = prepare_export(level, meshes, request, model, pages)) {
        clear_ms3d(model);
        return exchange_failure(*problem);
    }

    exchange_outcome outcome;
    try {
        if (extension == ".mst" && !weld_vertices(model, false)) {
            const std::string reason = model.last_error;
            clear_ms3d(model);
            return exchange_failure("Cannot export to " + quoted(request.path) + ": " + reason);
        }
        refuse_folder_names(request.path, pages.pages, export_prefix(request.path));
        // The pages and the model reach the disk together or not at all: a
        // disk that fills up half way leaves the earlier export whole.
        StagedFiles files;
        outcome.files = stage_pages(pages.pages, export_prefix(request.path), files);
        if (extension == ".ms3d") {
            files.stage(request.path, encode_ms3d(model));
        } else {
            const std::string text = encode_mst(model);
            files.stage(request.path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        }
        files.commit();
        outcome.files.push_back(request.path);
    } catch (const std::exception& error) {
        clear_ms3d(model);
        outcome.ok = false;
        outcome.message = "Cannot export to " + quoted(request.path) + ": " + error.what();
        return outcome;
    }
    clear_ms3d(model);
    outcome.ok = true;
    outcome.message = export_done_message;
    return outcome;
}

void apply_root_options(TMS3D_File& model, bool fix_root_y, bool ignore_translation)
{
    if (model.joints.empty() || model.joints[0].translation_keys.empty()) return;
    MS3D_Joint& root = model.joints[0];
    const float d = fix_root_y ? root.translation_keys[0].value[1] : 0.0f;
    for (MS3D_Vertex& vertex : model.vertices) vertex.position[1] += d;
    root.position[1] += d;
    for (MS3D_Keyframe& key : root.translation_keys) {
        key.value[1] -= d;
        if (ignore_translation) {
            key.value[0] = 0;
            key.value[2] = 0;
            if (!fix_root_y) key.value[1] = 0;
        }
    }
}

}  // namespace kelanim
