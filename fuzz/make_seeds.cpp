// Writes the seed corpora of the fuzz targets: `fuzz_seeds CORPUS_DIR` fills
// CORPUS_DIR/<target>/ from the synthetic test levels of every generation,
// the demo levels, and MilkShape files exported from the demo figure. Run it
// when a target's input form changes; the corpora are kept in the repository.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "byte_builder.h"
#include "fuzz_support.h"
#include "geometry/mesh_list.h"
#include "gltf/gltf_document.h"
#include "gltf/gltf_export.h"
#include "level/ttrlevel.h"
#include "milkshape/export_moveable.h"
#include "milkshape/ms3d_file.h"
#include "milkshape/ms3d_model.h"
#include "milkshape/mst_file.h"
#include "synthetic_level.h"
#include "synthetic_tr5.h"

namespace {

using namespace kelanim;
namespace fs = std::filesystem;
using Blob = std::vector<std::uint8_t>;

fs::path corpus;

void write_seed(const std::string& target, const std::string& name, const Blob& bytes)
{
    const fs::path dir = corpus / target;
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + (dir / name).string());
}

Blob prefixed(std::uint8_t first, const Blob& rest)
{
    Blob out{first};
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

Blob read_all(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Ttrlevel load(const Blob& bytes, const std::string& name)
{
    Ttrlevel level;
    if (level.load_level_from_memory(bytes, name) != load_ok) throw std::runtime_error("cannot read " + name);
    return level;
}

// Indices into load_level_fuzz.cpp's extension list.
enum extension_index : std::uint8_t { ext_phd, ext_tub, ext_tr2, ext_trg, ext_tr4, ext_trc };

void level_seeds(const Blob& demo_tr4)
{
    using test::synthetic_level;
    // No texture pages: the pages are plain bytes the reader copies, and
    // small seeds keep the fuzzer quick.
    write_seed("load_level", "tr1", prefixed(ext_phd, synthetic_level(1, 0).data()));
    write_seed("load_level", "tr1_ub", prefixed(ext_tub, synthetic_level(2, 0).data()));
    write_seed("load_level", "tr2", prefixed(ext_tr2, synthetic_level(3, 0).data()));
    write_seed("load_level", "tr2_trg", prefixed(ext_trg, synthetic_level(4, 0).data()));
    write_seed("load_level", "tr3", prefixed(ext_tr2, synthetic_level(5, 0).data()));
    write_seed("load_level", "tr4", prefixed(ext_tr4, synthetic_level(6).data()));
    write_seed("load_level", "tr4_trng", prefixed(ext_tr4, test::synthetic_trng_level().data()));
    write_seed("load_level", "tr2_container", prefixed(ext_tr2, test::in_container(synthetic_level(3, 0)).data()));
    write_seed("load_level", "tr5",
               prefixed(ext_trc, test::synthetic_tr5_level({test::tr5_room(test::two_layer_room())}).data()));
    write_seed("load_level", "demo_tr4", prefixed(ext_tr4, demo_tr4));
}

void level_parts_seeds(const std::vector<std::pair<std::string, const Ttrlevel*>>& levels)
{
    for (const auto& [name, level] : levels) {
        const Blob parts = fuzz::level_parts_bytes(*level);
        write_seed("decode_meshes", name, parts);
        write_seed("keyframes", name, parts);
    }
}

// Exports animation j of the demo figure (moveable 0) to `path`.
void export_demo(const Ttrlevel& level, const std::string& path, std::int32_t j, std::int32_t subversion)
{
    Tmesh_list meshes;
    meshes.decode_meshes(level);
    export_request request;
    request.path = path;
    request.moveable = 0;
    request.animation = j;
    request.subversion = subversion;
    TMS3D_File model;
    const exchange_outcome outcome = export_selection(level, meshes, request, model);
    if (!outcome.ok) throw std::runtime_error("cannot export the demo figure: " + outcome.message);
}

Blob splice_input(std::uint8_t m, std::uint8_t j, bool ascii, const Ttrlevel& level, const Blob& model)
{
    const Blob parts = fuzz::level_parts_bytes(level);
    Blob out{m, j, std::uint8_t(ascii ? 1 : 0)};
    const auto length = static_cast<std::uint32_t>(parts.size());
    const auto* length_bytes = reinterpret_cast<const std::uint8_t*>(&length);
    out.insert(out.end(), length_bytes, length_bytes + 4);
    out.insert(out.end(), parts.begin(), parts.end());
    out.insert(out.end(), model.begin(), model.end());
    return out;
}

// A triangle on one joint, with a material and four frames of keys: small
// enough that the fuzzer reaches every section quickly.
TMS3D_File tiny_model()
{
    TMS3D_File m;
    for (int i = 0; i < 3; ++i) {
        MS3D_Vertex v;
        v.position = {float(i), float(i == 1), 0.5f};
        v.bone_id = 0;
        m.vertices.push_back(v);
    }
    m.num_vertices = 3;
    m.vertex_extras.assign(3, MS3D_VertexExtra{});
    MS3D_Triangle t;
    t.vertex_indices = {0, 1, 2};
    for (auto& n : t.vertex_normals) n = {0, 0, 1};
    t.s = {0, 1, 1};
    t.t = {0, 0, 1};
    m.triangles = {t};
    m.num_triangles = 1;
    MS3D_Group group;
    set_name(group.name, "Bone0");
    group.num_triangles = 1;
    group.triangle_indices = {0};
    group.material_index = 0;
    m.groups = {group};
    m.num_groups = 1;
    MS3D_Material material;
    set_name(material.name, "Page0");
    material.diffuse = {1, 1, 1, 1};
    set_name(material.texture, "tiny0.bmp");
    m.materials = {material};
    m.num_materials = 1;
    m.fps = 24;
    m.current_time = 1;
    m.total_frames = 4;
    MS3D_Joint joint;
    set_name(joint.name, "Bone0");
    joint.rotation_keys = {{1 / 24.f, {0, 0, 0}}, {3 / 24.f, {0.5f, -0.25f, 3.0f}}};
    joint.translation_keys = {{1 / 24.f, {0, 0, 0}}, {4 / 24.f, {1.5f, -2, 0.25f}}};
    joint.num_rotation_keys = 2;
    joint.num_translation_keys = 2;
    m.joints = {joint};
    m.num_joints = 1;
    m.subversion = 2;
    return m;
}

void milkshape_seeds(const Ttrlevel& demo_tr4, const Ttrlevel& synthetic_tr4)
{
    const fs::path work = fs::temp_directory_path() / ("kelanim-seeds-" + std::to_string(::getpid()));
    fs::create_directories(work);
    // Animation 1 is the shortest of the figure's loops. Each subversion in
    // one mode only: the tiny model below has both.
    for (std::int32_t subversion = 0; subversion <= 2; ++subversion) {
        const std::string path = (work / ("figure" + std::to_string(subversion) + ".ms3d")).string();
        export_demo(demo_tr4, path, 1, subversion);
        const Blob model = read_all(path);
        const bool interpolate = subversion != 0;
        write_seed("load_ms3d", "figure_sub" + std::to_string(subversion) + (interpolate ? "_interpolated" : "_as_stored"),
                   prefixed(interpolate ? 1 : 0, model));
        if (subversion == 2) write_seed("import_splice", "figure_tr4", splice_input(0, 1, false, demo_tr4, model));
    }
    TMS3D_File tiny = tiny_model();
    const std::string tiny_ms3d = (work / "tiny.ms3d").string();
    save_ms3d(tiny, tiny_ms3d);
    const Blob tiny_binary = read_all(tiny_ms3d);
    write_seed("load_ms3d", "tiny_as_stored", prefixed(0, tiny_binary));
    write_seed("load_ms3d", "tiny_interpolated", prefixed(1, tiny_binary));
    // The synthetic level's first moveable has one bone and one animation.
    write_seed("import_splice", "tiny_synthetic_tr4", splice_input(0, 0, false, synthetic_tr4, tiny_binary));
    if (!weld_vertices(tiny, false)) throw std::runtime_error("cannot weld the tiny model: " + tiny.last_error);
    const std::string tiny_mst = (work / "tiny.mst").string();
    save_mst(tiny, tiny_mst);
    const Blob tiny_text = read_all(tiny_mst);
    write_seed("load_mst", "tiny", tiny_text);
    write_seed("import_splice", "tiny_synthetic_tr4_ascii", splice_input(0, 0, true, synthetic_tr4, tiny_text));

    const std::string mst = (work / "figure.mst").string();
    export_demo(demo_tr4, mst, 1, 2);
    const Blob text = read_all(mst);
    write_seed("load_mst", "figure", text);
    fs::remove_all(work);
}

const char* catalog_sample = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- Moveable names per game generation. -->
<trcatalog>
  <game version="TR1">
    <moveables>
      <moveable ID="0" NAME="LARA"/>
      <moveable ID="7" NAME="WOLF" AI="1"/>
    </moveables>
  </game>
  <game version="TR4">
    <moveables>
      <moveable ID="0" NAME="LARA" USE_BODY_FROM="8" ID2="-1"/>
      <moveable ID="461" name="BINOCULAR_GRAPHICS" Y_ADJUST="-1.5" X_ADJUST="2" Z_ADJUST="+0.25e1"/>
      <moveable ID="599" NAME="LAST" RX_ADJUST="90" RY_ADJUST="-90" RZ_ADJUST="180.0"/>
      <moveable ID="600" NAME="BEYOND"/>
      <moveable ID="3" NAME="WRITTEN WITH AN END TAG"></moveable>
    </moveables>
  </game>
  <game version="TRC">
    <moveables><moveable ID="1" NAME="none"/></moveables>
  </game>
</trcatalog>
)";

// The demo figure's first animation as our export writes it: a .glb, and the
// same document as JSON with its buffer inside.
void gltf_seeds(const Ttrlevel& demo_tr4)
{
    Tmesh_list meshes;
    meshes.decode_meshes(demo_tr4);
    gltf_export_parts parts;
    std::vector<std::string> warnings;
    if (auto problem = prepare_gltf_export(demo_tr4, meshes, gltf_export_request{}, parts, warnings))
        throw std::runtime_error(*problem);
    write_seed("gltf_import", "figure_glb", encode_glb(parts));
    const tinygltf::Model document = build_document(parts, {});
    std::ostringstream json;
    tinygltf::TinyGLTF().WriteGltfSceneToStream(&document, json, false, false);
    const std::string text = json.str();
    write_seed("gltf_import", "figure_gltf", Blob(text.begin(), text.end()));
}

void catalog_seeds()
{
    const Blob sample(catalog_sample, catalog_sample + std::char_traits<char>::length(catalog_sample));
    write_seed("read_catalog", "tr1", prefixed(1, sample));
    write_seed("read_catalog", "tr4", prefixed(6, sample));
    write_seed("read_catalog", "trc", prefixed(7, sample));
    const std::string entity = R"(<?xml version="1.0"?>
<!DOCTYPE trcatalog [<!ENTITY name "LARA">]>
<trcatalog><game version="TR2"><moveables><moveable ID="0" NAME="&name;"/></moveables></game></trcatalog>
)";
    write_seed("read_catalog", "tr2_entity", prefixed(3, Blob(entity.begin(), entity.end())));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds CORPUS_DIR\n");
        return 3;
    }
    corpus = argv[1];
    try {
        const Blob demo_tr4_bytes = read_all(fs::path(KELANIM_DEMO_DIR) / "demo.tr4");
        const Ttrlevel demo_tr4 = load(demo_tr4_bytes, "demo.tr4");
        const Ttrlevel demo_tr2 = load(read_all(fs::path(KELANIM_DEMO_DIR) / "demo.tr2"), "demo.tr2");
        level_seeds(demo_tr4_bytes);

        std::vector<Ttrlevel> synthetic;
        for (int code = 1; code <= 6; ++code)
            synthetic.push_back(load(test::synthetic_level(code, 0).data(), code == 2 ? "s.tub" : code == 4 ? "s.trg" : "s.lvl"));
        synthetic.push_back(load(test::synthetic_tr5_level({test::tr5_room(test::two_layer_room())}).data(), "s.trc"));
        std::vector<std::pair<std::string, const Ttrlevel*>> levels = {{"demo_tr4", &demo_tr4}, {"demo_tr2", &demo_tr2}};
        for (std::size_t i = 0; i < synthetic.size(); ++i)
            levels.emplace_back("synthetic_code" + std::to_string(i + 1), &synthetic[i]);
        level_parts_seeds(levels);

        milkshape_seeds(demo_tr4, synthetic[5]);
        catalog_seeds();
        gltf_seeds(demo_tr4);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fuzz_seeds: %s\n", error.what());
        return 4;
    }
    return 0;
}
