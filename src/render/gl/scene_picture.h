// A picture of what the viewport would show, drawn offscreen: the level's
// pages as textures, the selection's scene, the window's default camera or
// one fitted to the scene. Used by `kelanim-cli render` and by the tests.
#pragma once

#include <QImage>
#include <QString>

#include "geometry/mesh_list.h"
#include "level/ttrlevel.h"
#include "render/scene_selection.h"

namespace kelanim {

struct picture_request {
    SceneSelection selection;
    int width = 640;
    int height = 480;
    bool fit = false;         // frame the scene at 80% of the picture
    double turn_degrees = 0;  // turns the world about the vertical axis, as a right-drag does
};

// Makes the application object (a QApplication, so that widgets work too)
// when there is none, on the "offscreen" platform when no display is set,
// after making OpenGL 3.3 core the default format. It lives until the
// program ends.
void ensure_gui_application();

// Draws the request; a null image with the reason in `why` when no OpenGL 3.3
// context can be had. Needs the application object.
QImage render_scene_picture(const Ttrlevel& level, const Tmesh_list& meshes, const picture_request& request,
                            QString* why = nullptr);

}  // namespace kelanim
