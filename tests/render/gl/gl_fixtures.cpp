#include "gl/gl_fixtures.h"

#include <QString>

#include "realdata.h"
#include "render/gl/graphics_context.h"
#include "render/gl/scene_picture.h"

namespace kelanim::test {

bool have_graphics(std::string& why)
{
    static std::string reason;
    static const bool available = [] {
        ensure_gui_application();
        QString text;
        const bool ok = create_direct3d(&text);
        reason = text.toStdString();
        return ok;
    }();
    why = reason;
    return available;
}

void keep_picture(const QImage& picture, const std::string& name)
{
    const auto path = output_dir("render") / (name + ".png");
    picture.save(QString::fromStdString(path.string()), "PNG");
}

unsigned rgb_at(const QImage& picture, int x, int y) { return picture.pixel(x, y) & 0xFFFFFF; }

coverage drawn_pixels(const QImage& picture)
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

long pixels_of_colour(const QImage& picture, unsigned rgb)
{
    long n = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) n += rgb_at(picture, x, y) == rgb;
    return n;
}

long differing_pixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return a.width() * a.height();
    long n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += rgb_at(a, x, y) != rgb_at(b, x, y);
    return n;
}

}  // namespace kelanim::test
