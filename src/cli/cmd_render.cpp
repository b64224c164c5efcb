// kelanim-cli render LEVEL OUT.png [...]: a picture of what the viewport
// shows, drawn offscreen. With --fit the camera frames the posed moveable (or
// the static mesh) at about 80% of the picture; without it the window's
// default camera is used.
#include <climits>
#include <iostream>

#include "commands.h"

#ifdef KELANIM_HAVE_RENDER_GL
#include <QBuffer>
#include <QByteArray>

#include "geometry/mesh_list.h"
#include "level/zfile.h"
#include "render/gl/scene_picture.h"
#endif

namespace kelanim::cli {

namespace {

#ifdef KELANIM_HAVE_RENDER_GL

bool parse_size(const std::string& text, int& width, int& height)
{
    const auto x = text.find('x');
    if (x == std::string::npos) return false;
    auto w = parse_number(text.substr(0, x), "the width");
    auto h = parse_number(text.substr(x + 1), "the height");
    if (!w || !h || *w < 1 || *h < 1 || *w > 8192 || *h > 8192) return false;
    width = static_cast<int>(*w);
    height = static_cast<int>(*h);
    return true;
}

std::optional<std::int32_t> number_option(Args& args, const char* option, const char* what, bool& bad)
{
    auto text = take_option(args, option);
    if (!text) return std::nullopt;
    auto value = parse_number(*text, what);
    if (!value || *value < INT32_MIN || *value > INT32_MAX) {
        bad = true;
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*value);
}

int run_render(Args args)
{
    picture_request request;
    bool bad = false;
    request.fit = take_flag(args, "--fit");
    request.selection.show_box = take_flag(args, "--box");
    request.selection.ignore_translation = take_flag(args, "--ignore-translation");
    if (auto m = number_option(args, "--moveable", "the moveable", bad)) request.selection.moveable = *m;
    if (auto j = number_option(args, "--animation", "the animation", bad)) request.selection.animation = *j;
    if (auto n = number_option(args, "--keyframe", "the keyframe", bad)) request.selection.keyframe = *n;
    if (auto s = number_option(args, "--static", "the static mesh", bad)) {
        request.selection.view_mode = view_static_mesh;
        request.selection.static_mesh = *s;
    }
    if (auto t = number_option(args, "--turn", "the turn", bad)) request.turn_degrees = *t;
    if (bad) return exit_usage;
    if (auto size = take_option(args, "--size"))
        if (!parse_size(*size, request.width, request.height))
            return usage_error("--size takes WIDTHxHEIGHT, each from 1 to 8192, not \"" + *size + "\"");
    if (args.size() != 2) return usage_error("render takes a level file and a PNG file name");

    Ttrlevel level;
    if (auto failed = open_level(level, args[0])) return *failed;
    Tmesh_list meshes;
    meshes.decode_meshes(level);

    ensure_gui_application();
    QString why;
    const QImage picture = render_scene_picture(level, meshes, request, &why);
    if (picture.isNull()) {
        std::cerr << "kelanim-cli: cannot draw: " << why.toStdString() << '\n';
        return exit_failure;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) {
        std::cerr << "kelanim-cli: the picture cannot be encoded as PNG\n";
        return exit_failure;
    }
    write_file_atomically(args[1], reinterpret_cast<const std::uint8_t*>(png.constData()),
                          static_cast<std::size_t>(png.size()));
    std::cout << args[1] << ": " << request.width << "x" << request.height << '\n';
    return exit_ok;
}

#else

int run_render(Args)
{
    std::cerr << "kelanim-cli: this build has no OpenGL viewport to draw with\n";
    return exit_failure;
}

#endif

const bool registered = register_command(
    {"render",
     "render LEVEL OUT.png [--moveable M] [--animation J] [--keyframe N] [--static S] [--box]\n"
     "         [--ignore-translation] [--turn DEGREES] [--size WxH] [--fit]   a picture of the viewport",
     run_render});

}  // namespace

}  // namespace kelanim::cli
