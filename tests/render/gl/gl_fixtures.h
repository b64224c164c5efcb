// What the picture tests share: the application object, skipping when no
// OpenGL 3.3 context can be had, and facts about a picture's pixels.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QRect>

#include "render/gl/graphics_context.h"
#include "render/gl/scene_picture.h"

namespace kelanim::test {

inline constexpr unsigned background_rgb = 0xA6CAF0;  // the viewport's background

inline unsigned rgb_at(const QImage& picture, int x, int y) { return picture.pixel(x, y) & 0xFFFFFF; }

// Pixels that are not the background, and the rectangle they span.
struct coverage {
    long pixels = 0;
    QRect extent;
};
inline coverage drawn_pixels(const QImage& picture)
{
    coverage c;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (rgb_at(picture, x, y) != background_rgb) {
                ++c.pixels;
                c.extent |= QRect(x, y, 1, 1);
            }
    return c;
}

}  // namespace kelanim::test

// Makes the application object; skips the test when no OpenGL 3.3 context can be had.
#define KELANIM_REQUIRE_GRAPHICS()                                                                  \
    do {                                                                                            \
        static QString why_no_graphics;                                                             \
        static const bool graphics = (ensure_gui_application(), create_direct3d(&why_no_graphics)); \
        if (!graphics) GTEST_SKIP() << "no OpenGL 3.3 context: " << why_no_graphics.toStdString();  \
    } while (0)
