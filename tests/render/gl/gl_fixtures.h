// What the picture tests share: the application object, skipping when no
// OpenGL 3.3 context can be had, and facts about a picture's pixels.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QRect>
#include <QString>

#include <string>

#include "render/gl/graphics_context.h"
#include "render/gl/scene_picture.h"

namespace kelanim::test {

inline constexpr unsigned background_rgb = 0xA6CAF0;  // the viewport's background

// Makes the application object; false (with the reason) when no OpenGL 3.3 context can be had.
inline bool have_graphics(std::string& why)
{
    static QString reason;
    static const bool available = (ensure_gui_application(), create_direct3d(&reason));
    why = reason.toStdString();
    return available;
}

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

inline long differing_pixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return a.width() * a.height();
    long n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += rgb_at(a, x, y) != rgb_at(b, x, y);
    return n;
}

}  // namespace kelanim::test

#define KELANIM_REQUIRE_GRAPHICS()                                                              \
    do {                                                                                        \
        std::string why_no_graphics;                                                            \
        if (!::kelanim::test::have_graphics(why_no_graphics))                                   \
            GTEST_SKIP() << "no OpenGL 3.3 context: " << why_no_graphics;                       \
    } while (0)
