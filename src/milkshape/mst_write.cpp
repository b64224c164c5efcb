// save_mst: the model as a "Milkshape3D Extra ASCII" text file.
#include <cmath>
#include <limits>
#include <stdexcept>

#include "level/zfile.h"
#include "mst_file.h"
#include "mst_text.h"

namespace kelanim {

namespace {

class MstWriter {
public:
    // Coordinates, normals, joint and key values.
    MstWriter& number(float value) { return word(format_fixed(value, 9, 6)); }
    // A stored percentage as a fraction with 2 decimals: 100 is "1.00".
    MstWriter& weight(double percent) { return word(format_fixed(percent / 100, 6, 2)); }
    MstWriter& integer(long long value) { return word(std::to_string(value)); }
    MstWriter& text(std::string_view s)
    {
        text_ += s;
        return *this;
    }
    // Words on a line are separated by single spaces.
    MstWriter& word(const std::string& s)
    {
        if (!line_start_) text_ += ' ';
        text_ += s;
        line_start_ = false;
        return *this;
    }
    MstWriter& end_line()
    {
        text_ += "\r\n";
        line_start_ = true;
        return *this;
    }
    MstWriter& line(std::string_view s) { return text(s).end_line(); }
    const std::string& result() const { return text_; }

private:
    std::string text_;
    bool line_start_ = true;
};

long long rounded_frame(float time)
{
    if (!std::isfinite(time)) return 0;
    long double r = std::nearbyint(static_cast<long double>(time));
    r = std::fmax(r, std::numeric_limits<std::int32_t>::min());
    r = std::fmin(r, std::numeric_limits<std::int32_t>::max());
    return static_cast<long long>(r);
}

void write_mesh(MstWriter& out, const TMS3D_File& m)
{
    out.line(";//number of meshes").line("Meshes: 1").line("");
    out.line(";//mesh: name, flags, material index").line("\"Mesh1\" 0 0").line("");

    out.line(";//number of vertices").integer(m.num_vertices).end_line();
    out.line(";//vertex: flags, x, y, z, u, v, bone index");
    for (std::size_t i = 0; i < m.vertices.size(); ++i) {
        const MS3D_Vertex& v = m.vertices[i];
        out.integer(v.flags);
        for (float p : v.position) out.number(p);
        out.number(m.tex_coords[i].u).number(m.tex_coords[i].v).integer(v.bone_id).end_line();
    }

    out.line(";//number of normals").integer(m.num_normals).end_line();
    out.line(";//normal: x, y, z");
    for (const TVector3& n : m.normals) out.number(n.x).number(n.y).number(n.z).end_line();

    out.line(";//number vertex extra").integer(m.num_vertices).end_line();
    out.line(";//Vertex Extra: joint2,joint3,joint4,weight1,weight2,weight3,weight4");
    for (const MS3D_VertexExtra& e : m.vertex_extras) {
        for (std::int8_t id : e.bone_ids) out.integer(id);
        for (std::uint8_t w : e.weights) out.weight(w);
        out.weight(e.extra).end_line();
    }

    out.line("; // number of triangles").integer(m.num_triangles).end_line();
    out.line("; //Faces: flag, p1,p2,p3,n1,n2,n3,smoothGroup ");
    for (std::size_t i = 0; i < m.triangles.size(); ++i) {
        const MS3D_Triangle& t = m.triangles[i];
        out.integer(t.flags);
        for (std::uint16_t v : t.vertex_indices) out.integer(v);
        for (std::int32_t n : m.triangle_normals[i].normal_indices) out.integer(n);
        out.integer(t.smoothing_group).end_line();
    }
    out.line("");
}

void write_joint(MstWriter& out, const MS3D_Joint& j)
{
    out.line(";//Joint Name");
    out.text("\"").text(name_text(j.name)).line("\"");
    out.text("\"").text(name_text(j.parent_name)).line("\"");
    out.line(";//joint: flags, posx, posy, posz, rotx, roty, rotz");
    out.integer(j.flags);
    for (float p : j.position) out.number(p);
    for (float r : j.rotation) out.number(r);
    out.end_line();

    // The first column is the key's 1-based place, read back as its frame.
    out.line(";// number of position keys").integer(j.num_translation_keys).end_line();
    out.line(";// position key: time, posx, posy, posz");
    for (std::size_t k = 0; k < j.translation_keys.size(); ++k) {
        out.integer(static_cast<long long>(k) + 1);
        for (float v : j.translation_keys[k].value) out.number(v);
        out.end_line();
    }
    out.line(";//number of rotation keys").integer(j.num_rotation_keys).end_line();
    out.line(";//rotation key: time, posx, posy, posz");
    for (std::size_t k = 0; k < j.rotation_keys.size(); ++k) {
        out.integer(static_cast<long long>(k) + 1);
        for (float v : j.rotation_keys[k].value) out.number(v);
        out.text(" ").end_line();
    }
}

}  // namespace

std::string encode_mst(const TMS3D_File& model)
{
    if (std::string problem = model_inconsistency(model, true); !problem.empty())
        throw std::invalid_argument("Cannot save the MilkShape model: " + problem);

    MstWriter out;
    out.line(";//Milkshape3D Extra ASCII, By Brennick").line("");
    out.line("Signature: mst 1.0").line("");
    out.line(";//total frames").text("Frames: ").text(std::to_string(model.total_frames)).end_line();
    out.line(";//current frame").text("Frame: ").text(std::to_string(rounded_frame(model.current_time))).end_line();
    out.line("");
    write_mesh(out, model);
    out.line(";//Materials").line("Materials: 0");
    out.line(";*** SKELETON & ANIMATIONS");
    out.line(";//Number of joints").text("Bones: ").text(std::to_string(model.num_joints)).end_line();
    for (const MS3D_Joint& j : model.joints) write_joint(out, j);

    return out.result();
}

std::int16_t save_mst(const TMS3D_File& model, const std::string& path)
{
    const std::string text = encode_mst(model);
    write_file_atomically(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return 0;
}

}  // namespace kelanim
