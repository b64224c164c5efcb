#include "render/gl/tglviewport.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QPalette>
#include <QVBoxLayout>

#include <algorithm>

#include "render/gl/gl_device.h"
#include "render/gl/graphics_context.h"
#include "render/gl/offscreen_target.h"

namespace kelanim {

namespace {

std::vector<TGLViewport*>& viewports()
{
    static std::vector<TGLViewport*> list;
    return list;
}

unsigned mouse_keys_of(const QMouseEvent* event)
{
    unsigned keys = 0;
    if (event->modifiers() & Qt::ShiftModifier) keys |= key_shift;
    if (event->modifiers() & Qt::ControlModifier) keys |= key_ctrl;
    if (event->buttons() & Qt::LeftButton) keys |= button_left;
    if (event->buttons() & Qt::RightButton) keys |= button_right;
    if (event->buttons() & Qt::MiddleButton) keys |= button_middle;
    return keys;
}

// The OpenGL widget of an attached viewport. When Qt replaces its context
// (the widget moving to another window, for example) the device, the
// textures and the vertex buffers are made again on the new one before the
// next frame.
class ViewportWidget : public QOpenGLWidget {
public:
    ViewportWidget(TGLViewport& viewport, QWidget* parent) : QOpenGLWidget(parent), viewport_(viewport)
    {
        setFormat(graphics_format());
        setMouseTracking(true);
        setContextMenuPolicy(Qt::PreventContextMenu);
    }

    ~ViewportWidget() override
    {
        // The context outlives this part of the widget: QOpenGLWidget destroys
        // it later and would call teardown() on an object already gone.
        disconnect(context_destroyed_);
        if (context()) {
            makeCurrent();
            teardown();
            doneCurrent();
        }
    }

protected:
    void initializeGL() override
    {
        device_ = std::make_unique<GLDevice>();
        if (!device_->initialize()) {
            device_.reset();
            return;
        }
        device_->messages = viewport_.messages;
        disconnect(context_destroyed_);
        context_destroyed_ = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
            makeCurrent();
            teardown();
            doneCurrent();
        });
        if (viewport_.textures) viewport_.textures->attach_device(device_.get());
    }

    void paintGL() override
    {
        if (!device_) return;
        const qreal ratio = devicePixelRatioF();
        viewport_.paint(*device_, static_cast<int>(width() * ratio), static_cast<int>(height() * ratio));
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        viewport_.mouse_down(mouse_keys_of(event), event->position().toPoint().x(), event->position().toPoint().y());
        QOpenGLWidget::mousePressEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        viewport_.mouse_up();
        QOpenGLWidget::mouseReleaseEvent(event);
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        viewport_.mouse_move(mouse_keys_of(event), event->position().toPoint().x(), event->position().toPoint().y());
        update();
        QOpenGLWidget::mouseMoveEvent(event);
    }

private:
    void teardown()
    {
        if (!device_) return;
        if (viewport_.textures && viewport_.textures->device() == device_.get()) viewport_.textures->detach_device();
        device_->release(viewport_.vertex_buffers);
        device_.reset();
    }

    TGLViewport& viewport_;
    std::unique_ptr<GLDevice> device_;
    QMetaObject::Connection context_destroyed_;
};

}  // namespace

TGLViewport::TGLViewport() : textures(&texture_store()) { viewports().push_back(this); }

TGLViewport::~TGLViewport()
{
    delete widget_.data();
    if (offscreen_ && offscreen_->make_current()) {
        if (textures && textures->device() == offscreen_device_.get()) textures->detach_device();
        offscreen_device_->release(vertex_buffers);
        offscreen_->done_current();
    }
    offscreen_device_.reset();
    offscreen_.reset();
    std::erase(viewports(), this);
}

const std::vector<TGLViewport*>& TGLViewport::registry() { return viewports(); }

void TGLViewport::set_background(std::uint32_t colour)
{
    background = colour;
    if (panel_) {
        QPalette palette = panel_->palette();
        palette.setColor(QPalette::Window, QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF));
        panel_->setPalette(palette);
        panel_->setAutoFillBackground(true);
    }
}

bool TGLViewport::platform_shows_opengl_widgets()
{
    // These platforms draw nowhere: an OpenGL widget on them has no surface
    // and Qt fails when it is painted.
    const QString platform = QGuiApplication::platformName();
    return !platform.isEmpty() && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

bool TGLViewport::attach(QWidget* panel)
{
    if (!panel) return false;
    delete widget_.data();
    panel_ = panel;
    set_background(background);
    if (!platform_shows_opengl_widgets()) return false;
    auto* widget = new ViewportWidget(*this, panel);
    if (!panel->layout()) {
        auto* layout = new QVBoxLayout(panel);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    panel->layout()->addWidget(widget);
    widget_ = widget;
    widget->show();
    return true;
}

QOpenGLWidget* TGLViewport::widget() const { return widget_.data(); }

void TGLViewport::render()
{
    if (widget_) widget_->update();
}

void TGLViewport::refresh()
{
    scene_built = 0;
    render();
}

void TGLViewport::paint(GLDevice& device, int width, int height)
{
    if (scene_built == 0) {
        if (on_build_scene) on_build_scene();
        scene_built = 1;
    }
    prepare_frame(width, height);
    static Td3dTexture_buffer no_textures;
    device.draw_frame(*this, vertex_buffers, textures ? *textures : no_textures, width, height);
}

bool TGLViewport::make_offscreen(QString* why)
{
    if (offscreen_) return true;
    auto target = std::make_unique<OffscreenTarget>();
    if (!target->create(why) || !target->make_current()) return false;
    auto device = std::make_unique<GLDevice>();
    if (!device->initialize()) {
        if (why) *why = QStringLiteral("OpenGL 3.3 core functions are not available");
        target->done_current();
        return false;
    }
    device->messages = messages;
    offscreen_ = std::move(target);
    offscreen_device_ = std::move(device);
    if (textures) textures->attach_device(offscreen_device_.get());
    offscreen_->done_current();
    return true;
}

QImage TGLViewport::render_image(int width, int height, QString* why)
{
    if (!make_offscreen(why)) return {};
    QImage picture = offscreen_->render(width, height, [this](int w, int h) { paint(*offscreen_device_, w, h); });
    offscreen_->done_current();
    if (picture.isNull() && why) *why = QStringLiteral("the offscreen framebuffer cannot be made");
    return picture;
}

bool TGLViewport::render_offscreen(int width, int height, QString* why)
{
    if (!make_offscreen(why)) return false;
    const bool drawn = offscreen_->draw(width, height, [this](int w, int h) { paint(*offscreen_device_, w, h); });
    if (!drawn && why) *why = QStringLiteral("the offscreen framebuffer cannot be made");
    return drawn;
}

}  // namespace kelanim
