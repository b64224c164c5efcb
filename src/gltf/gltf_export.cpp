#include "gltf/gltf_export.h"

#include <cctype>
#include <cerrno>
#include <exception>
#include <filesystem>
#include <sstream>
#include <system_error>

#include <nlohmann/json.hpp>

#include "anim/keyframes.h"
#include "gltf/gltf_pages.h"
#include "level/staged_files.h"
#include "milkshape/export_moveable.h"

namespace kelanim {

namespace {

// Keys of all clips together (keyframes x channels): far beyond any level's
// animations, and small enough that a damaged level cannot exhaust memory.
constexpr std::size_t max_export_keys = std::size_t{1} << 23;
// Joints of one moveable: ten times the most bones a real level's moveable
// has, and few enough that a damaged bone count cannot stall the export.
constexpr std::int32_t max_gltf_joints = 256;

bool ends_with(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::optional<std::string> check_selection(const Ttrlevel& level, const gltf_export_request& request)
{
    if (!level.is_loaded()) return std::string("No level is loaded.");
    const std::optional<std::int32_t> animation =
        request.all_animations ? std::nullopt : std::optional<std::int32_t>(request.animation);
    if (auto problem =
            check_export_selection(level, request.view_mode, request.static_mesh, request.moveable, animation))
        return problem;
    if (request.view_mode == export_static_mesh) return std::nullopt;
    const std::int32_t bones = level.moveables[static_cast<std::size_t>(request.moveable)].num_meshes;
    if (bones > max_gltf_joints)
        return "The moveable has " + std::to_string(bones) + " bones, more than the " +
               std::to_string(max_gltf_joints) + " joints a glTF export holds. Nothing was exported.";
    return std::nullopt;
}

// The clips of the request. A clip of several keyframes needs a frame rate
// to time them: alone it is refused, among all the moveable's animations it
// is left out with a warning.
std::optional<std::string> collect_clips(const Ttrlevel& level, const gltf_export_request& request,
                                         gltf_export_parts& parts, std::vector<std::string>& warnings)
{
    const std::int32_t m = request.moveable;
    const std::int32_t animations = animation_count(level, m);
    if (animations <= 0) return std::nullopt;
    const std::int32_t first = request.all_animations ? 0 : request.animation;
    const std::int32_t last = request.all_animations ? animations - 1 : request.animation;
    std::size_t keys = 0;
    for (std::int32_t j = first; j <= last; ++j) {
        const std::int32_t keyframes = keyframe_count(level, m, j);
        if (keyframes > 1 && keyframe_rate(level, m, j) <= 0) {
            const std::string problem = "Animation " + std::to_string(j) +
                                        " has the frame rate 0, which gives its keyframes no times";
            if (!request.all_animations) return problem + ". Nothing was exported.";
            warnings.push_back(problem + ": it was left out.");
            continue;
        }
        keys += static_cast<std::size_t>(std::max(keyframes, 0)) * (parts.joints.size() + 1);
        if (keys > max_export_keys)
            return "The animations hold more than " + std::to_string(max_export_keys) +
                   " keys, more than a level can mean. Nothing was exported.";
        parts.clips.push_back(moveable_clip(level, m, j, parts.joints.size()));
    }
    return std::nullopt;
}

// Characters a URI may hold as they are; every other byte is escaped.
std::string uri_of(const std::string& file_name)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string uri;
    for (const unsigned char c : file_name) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

std::string png_page_name(const std::string& prefix, std::int32_t page, std::int32_t count)
{
    std::string name = page_file_name(prefix, page, count);
    return name.substr(0, name.size() - 4) + ".png";
}

std::string serialize(const tinygltf::Model& model, bool binary)
{
    tinygltf::TinyGLTF writer;
    writer.SetImageWriter(nullptr, nullptr);  // the pages are PNG bytes already
    std::ostringstream out;
    if (!writer.WriteGltfSceneToStream(&model, out, !binary, binary))
        throw std::runtime_error("the glTF document could not be written");
    return std::move(out).str();
}

// The text form: the buffer goes beside the document instead of into it.
std::string gltf_text(const tinygltf::Model& model, const std::string& buffer_uri)
{
    tinygltf::Model shell = model;
    const std::size_t length = shell.buffers[0].data.size();
    shell.buffers[0].data.clear();
    nlohmann::json document = nlohmann::json::parse(serialize(shell, false));
    document["buffers"] = nlohmann::json::array({{{"byteLength", length}, {"uri", buffer_uri}}});
    return document.dump(2);
}

void refuse_folders(const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        std::error_code error;
        if (std::filesystem::is_directory(name, error))
            throw std::system_error(EISDIR, std::generic_category(), "Cannot replace " + quoted(name));
    }
}

// The .gltf document with its PNG pages and its .bin buffer beside it, named
// after it, staged in `files`. Returns the names of the files beside it.
std::vector<std::string> stage_text_form(const gltf_export_parts& parts, const std::string& path, StagedFiles& files)
{
    const std::string prefix = path.substr(0, path.size() - std::string(".gltf").size());
    const auto count = static_cast<std::int32_t>(parts.page_pngs.size());
    std::vector<std::string> names, uris;
    for (std::int32_t k = 0; k < count; ++k) names.push_back(png_page_name(prefix, k, count));
    names.push_back(prefix + ".bin");
    refuse_folders(names);
    refuse_folders({path});
    for (const std::string& name : names) uris.push_back(uri_of(std::filesystem::path(name).filename().string()));

    const std::string buffer_uri = uris.back();
    uris.pop_back();
    const tinygltf::Model model = build_document(parts, uris);
    const std::string text = gltf_text(model, buffer_uri);
    for (std::size_t k = 0; k < parts.page_pngs.size(); ++k) files.stage(names[k], parts.page_pngs[k]);
    files.stage(names.back(), model.buffers[0].data);
    files.stage(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return names;
}

}  // namespace

std::optional<std::string> prepare_gltf_export(const Ttrlevel& level, Tmesh_list& meshes,
                                               const gltf_export_request& request, gltf_export_parts& parts,
                                               std::vector<std::string>& warnings)
{
    if (auto problem = check_selection(level, request)) return problem;
    parts = gltf_export_parts{};
    parts.mesh_name = request.mesh_name.empty() ? "mesh" : request.mesh_name;

    const bool moveable = request.view_mode == export_moveable;
    repack_result packed;
    try {
        packed = pack_textures(level, meshes, request.view_mode, moveable ? request.moveable : request.static_mesh);
        const auto pages = repacked_pages_rgba(packed, level);
        for (const auto& page : pages) parts.page_pngs.push_back(encode_png_page(page));
    } catch (const std::exception& error) {
        return std::string(error.what()) + " Nothing was exported.";
    }

    if (moveable) {
        parts.joints = moveable_joints(level, request.moveable);
        parts.geometry = moveable_geometry(level, meshes, request.moveable, parts.joints, packed.textures);
        if (auto problem = collect_clips(level, request, parts, warnings)) return problem;
    } else {
        const tstatic_mesh& chosen = level.static_meshes[static_cast<std::size_t>(request.static_mesh)];
        const tmesh* mesh = meshes.mesh_of_pointer(chosen.mesh);
        if (mesh) parts.geometry = mesh_geometry(level, *mesh, packed.textures);
    }
    return std::nullopt;
}

std::vector<std::uint8_t> encode_glb(const gltf_export_parts& parts)
{
    const std::string bytes = serialize(build_document(parts, {}), true);
    return {bytes.begin(), bytes.end()};
}

exchange_outcome export_gltf(const Ttrlevel& level, Tmesh_list& meshes, const gltf_export_request& request)
{
    const bool binary = ends_with(request.path, ".glb");
    if (!binary && !ends_with(request.path, ".gltf"))
        return exchange_failure("Cannot export to " + quoted(request.path) +
                                ": the file name must end in \".glb\" (binary) or \".gltf\" (text). Nothing was "
                                "exported.");
    exchange_outcome outcome;
    gltf_export_parts parts;
    if (auto problem = prepare_gltf_export(level, meshes, request, parts, outcome.warnings))
        return exchange_failure(*problem);

    try {
        StagedFiles files;
        if (binary) {
            refuse_folders({request.path});
            files.stage(request.path, encode_glb(parts));
        } else {
            const std::vector<std::string> beside = stage_text_form(parts, request.path, files);
            outcome.files.assign(beside.begin(), beside.end());
        }
        files.commit();
        outcome.files.push_back(request.path);
    } catch (const std::exception& error) {
        return exchange_failure("Cannot export to " + quoted(request.path) + ": " + error.what());
    }
    outcome.ok = true;
    outcome.message = export_done_message;
    return outcome;
}

}  // namespace kelanim
