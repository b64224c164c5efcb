// What the picture tests share: the application object, skipping when no
// OpenGL 3.3 context can be had, pictures kept under the build folder, and
// facts about a picture's pixels.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QRect>

#include <string>

namespace kelanim::test {

// The viewport's background as the picture shows it.
inline constexpr unsigned background_rgb = 0xA6CAF0;

// Makes the application object; false (with the reason) when no OpenGL 3.3
// context can be had.
bool have_graphics(std::string& why);

// Saves the picture as <build>/test-output/render/<name>.png for a person to look at.
void keep_picture(const QImage& picture, const std::string& name);

// Pixels that are not the background, and the rectangle they span.
struct coverage {
    long pixels = 0;
    QRect extent;
};
coverage drawn_pixels(const QImage& picture);
long pixels_of_colour(const QImage& picture, unsigned rgb);
long differing_pixels(const QImage& a, const QImage& b);
unsigned rgb_at(const QImage& picture, int x, int y);

}  // namespace kelanim::test

#define KELANIM_REQUIRE_GRAPHICS()                                                     \
    do {                                                                               \
        std::string why_no_graphics;                                                   \
        if (!::kelanim::test::have_graphics(why_no_graphics))                          \
            GTEST_SKIP() << "no OpenGL 3.3 context: " << why_no_graphics;              \
    } while (0)
