// What the window's tests share: the application object, catching message
// boxes, a window of the test's own and a small level of known content, and
// the window's controls they look at.
#pragma once

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "anim/keyframes.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/play_timer.h"
#include "app/spin_edit.h"
#include "app/timeline.h"
#include "byte_builder.h"
#include "demo_level.h"
#include "level/ttrlevel.h"
#include "realdata.h"
#include "render/gl/graphics_context.h"

namespace kelanim::test {

// The one application object of the test program. Without a display the
// window runs on Qt's offscreen platform.
inline QApplication& application()
{
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        set_graphics_format();
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);  // Qt's own file dialogs, which tests can answer
        static int argc = 1;
        static char name[] = "kelanim_app_tests";
        static char* argv[] = {name, nullptr};
        auto* made = new QApplication(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Kelanim"));
        return made;
    }();
    return *app;
}

// Every message box shown while it lives is caught here instead.
class CaughtMessages {
public:
    CaughtMessages() { previous_ = set_message_handler([this](QWidget*, const Message& m) { messages.push_back(m); }); }
    ~CaughtMessages() { set_message_handler(previous_); }
    CaughtMessages(const CaughtMessages&) = delete;
    CaughtMessages& operator=(const CaughtMessages&) = delete;

    std::vector<QString> take()  // the texts shown since the last call
    {
        std::vector<QString> texts;
        for (const Message& m : messages) texts.push_back(m.text);
        messages.clear();
        return texts;
    }
    QString only()  // the one text shown since the last call
    {
        const std::vector<QString> texts = take();
        if (texts.size() != 1) ADD_FAILURE() << texts.size() << " messages instead of one";
        return texts.empty() ? QString() : texts.back();
    }
    std::vector<Message> messages;

private:
    MessageHandler previous_;
};

inline QString qpath(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }
inline QString demo_level(const char* name) { return QString(KELANIM_SOURCE_DIR "/data/demo/") + name; }

// The TR4 demo level changed so that each case of the window shows:
//   moveable 0 (object 1): no animations;
//   moveable 1 (object 0, the figure): animations 0 to 3 with frame rates 1,
//     4, 0 and 2; animation 3 has exactly three keyframes;
//   moveable 2 (object 2): one animation without keyframes.
struct WindowLevel {
    static constexpr int no_animations = 0, figure = 1, no_keyframes = 2;
};

inline std::filesystem::path write_window_level(const std::filesystem::path& path)
{
    Ttrlevel level;
    demo::make_demo_level(level, code_tr4);
    level.animations[0].frame_rate = 1, level.animations[1].frame_rate = 4, level.animations[2].frame_rate = 0;
    level.set_num_frames(level.animations[3].frame_offset / 2 + 3 * level.animations[3].frame_size);
    tanimation empty = level.animations[3];
    empty.frame_offset = level.num_frames * 2;  // ends where it starts: no keyframes
    level.animations.push_back(empty), level.num_animations = static_cast<std::uint32_t>(level.animations.size());
    const tmoveable figure = level.moveables[0];
    tmoveable without = figure, keyless = figure;
    without.object_id = 1, without.animation = -1;
    keyless.object_id = 2, keyless.animation = 4;
    level.moveables = {without, figure, keyless}, level.num_moveables = 3;
    if (level.save_level(path.string()) != save_ok) ADD_FAILURE() << "cannot write " << path;
    return path;
}

// A fresh window for each test, its recent files in the test's own folder.
class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { application(); }
    void SetUp() override
    {
        std::filesystem::remove(output_dir() / "recent.ini");
        window = std::make_unique<TForm1>(qpath(output_dir() / "recent.ini"));
        messages.take();  // "fail!!" where no OpenGL context can be had
    }
    void open_window_level(const std::string& name = "window.tr4")
    {
        window->OpenLevel(qpath(write_window_level(output_dir() / name)));
        ASSERT_EQ(window->ListBox1->count(), 3);
    }
    void choose(int moveable, int animation = 0)  // as the user does
    {
        window->ListBox1->setCurrentRow(moveable);
        if (animation != 0) window->ComboBox1->setCurrentIndex(animation), window->ComboBox1Change();
    }
    // Chooses a menu item and answers its file dialog: `name`, with filter `filter` (from 1).
    void use_dialog(QAction* item, const std::filesystem::path& name, int filter = 1)
    {
        QMetaObject::invokeMethod(item, [name = qpath(name), filter] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                dialog->setFileMode(QFileDialog::AnyFile), dialog->setOption(QFileDialog::DontConfirmOverwrite);
                dialog->selectNameFilter(dialog->nameFilters().value(filter - 1)), dialog->selectFile(name);
                static_cast<QDialog*>(dialog)->accept();  // asks nothing, not even about a file that is missing
            }
        }, Qt::QueuedConnection);
        item->trigger(), QApplication::processEvents();  // an answer left over would answer the next dialog
    }

    CaughtMessages messages;
    std::unique_ptr<TForm1> window;
};

}  // namespace kelanim::test
