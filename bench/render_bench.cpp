// Building the viewport's scene for the largest moveable of the real levels
// (the scene callback through build_buffers, no upload), and one frame of
// playback (next keyframe, scene rebuilt, uploaded and drawn offscreen at
// 800 x 600, waiting for the drawing to finish).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "geometry/mesh_list.h"
#include "render/moveable_scene.h"

#ifdef KELANIM_HAVE_RENDER_GL
#include "render/gl/scene_picture.h"
#include "render/gl/tglviewport.h"
#include "render/texture_pages.h"
#endif

using namespace kelanim;

namespace {

// Every real level file beside the project, sorted by name.
std::vector<std::filesystem::path> real_levels()
{
    std::vector<std::filesystem::path> files;
    const std::filesystem::path folder = std::filesystem::path(KELANIM_REALDATA_DIR) / "levels";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

struct Subject {
    Ttrlevel level;
    Tmesh_list meshes;
    std::int32_t moveable = -1;
    std::size_t vertices = 0;
    std::string name;
};

// The moveable that emits the most vertices at keyframe 0, over every real level.
Subject* largest_moveable()
{
    static std::unique_ptr<Subject> best = [] {
        std::unique_ptr<Subject> found;
        for (const auto& path : real_levels()) {
            auto s = std::make_unique<Subject>();
            if (s->level.load_level(path.string()) != load_ok) continue;
            s->meshes.decode_meshes(s->level);
            TxGL gl;
            TVertexBuffer_array buffers;
            setup_vertex_buffer_array(buffers);
            MoveableScene scene(s->level, s->meshes, gl, buffers);
            for (std::uint32_t m = 0; m < s->level.num_moveables; ++m) {
                scene.selection.moveable = static_cast<std::int32_t>(m);
                scene.build_scene();
                if (gl.vertices().size() > s->vertices) {
                    s->vertices = gl.vertices().size();
                    s->moveable = static_cast<std::int32_t>(m);
                }
            }
            s->name = path.filename().string();
            if (!found || s->vertices > found->vertices) found = std::move(s);
        }
        return found;
    }();
    return best.get();
}

void BM_BuildScene(benchmark::State& state)
{
    Subject* s = largest_moveable();
    if (!s) {
        state.SkipWithError("no real levels");
        return;
    }
    TxGL gl;
    TVertexBuffer_array buffers;
    setup_vertex_buffer_array(buffers);
    MoveableScene scene(s->level, s->meshes, gl, buffers);
    scene.selection.moveable = s->moveable;
    scene.selection.show_box = true;
    for (auto _ : state) {
        scene.build_scene();
        benchmark::DoNotOptimize(buffers.buffers[0].vertices.data());
    }
    state.SetLabel(s->name + " moveable " + std::to_string(s->moveable) + ", " + std::to_string(s->vertices) +
                   " vertices");
}
BENCHMARK(BM_BuildScene)->Unit(benchmark::kMicrosecond);

#ifdef KELANIM_HAVE_RENDER_GL
void BM_PlaybackFrame(benchmark::State& state)
{
    Subject* s = largest_moveable();
    if (!s) {
        state.SkipWithError("no real levels");
        return;
    }
    ensure_gui_application();
    Td3dTexture_buffer textures;
    build_textures(s->level, 0, textures);
    TxGL gl;
    TVertexBuffer_array buffers;
    setup_vertex_buffer_array(buffers);
    MoveableScene scene(s->level, s->meshes, gl, buffers);
    scene.selection.moveable = s->moveable;
    TGLCamera camera;
    TGLViewport viewport;
    viewport.textures = &textures;
    viewport.set_camera(&camera);
    viewport.set_background(default_background);
    viewport.vertex_buffers = &buffers;
    viewport.on_build_scene = [&scene] { scene.build_scene(); };
    QString why;
    if (!viewport.render_offscreen(800, 600, &why)) {
        state.SkipWithError(("no OpenGL 3.3 context: " + why.toStdString()).c_str());
        return;
    }
    std::int32_t keyframe = 0;
    for (auto _ : state) {
        scene.selection.keyframe = keyframe++ % 16;
        viewport.scene_built = 0;
        viewport.render_offscreen(800, 600);
    }
    state.SetLabel(s->name + " moveable " + std::to_string(s->moveable) + ", 800 x 600");
}
BENCHMARK(BM_PlaybackFrame)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
