// The graphics context of the program: OpenGL 3.3 core. `create_direct3d`
// tells at start-up whether such a context can be had at all (the window
// then shows "fail!!" and runs without a viewport); the texture store is the
// one every viewport draws from.
#pragma once

#include <QSurfaceFormat>
#include <QString>

#include "render/texture_store.h"

namespace kelanim {

// OpenGL 3.3 core, 24-bit depth, no multisampling.
QSurfaceFormat graphics_format();
// Makes graphics_format() the default of new contexts and windows. Call it
// before the application object is made.
void set_graphics_format();

// True when a context of graphics_format() can be made and offers 3.3 core.
// Needs the application object. On failure `why`, when given, says why.
bool create_direct3d(QString* why = nullptr);
// Frees the textures of the program's store; call with no context needed.
void release_direct3d();

// The program's one texture store.
Td3dTexture_buffer& texture_store();

}  // namespace kelanim
