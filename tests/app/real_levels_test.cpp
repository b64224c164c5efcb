// The levels the window opens: every real level, dropped on the window,
// opens, plays, is edited and saved from the window, and opens again with the
// edits; the demo levels shipped in data/demo are what the generator makes.
#include <QDropEvent>
#include <QMimeData>
#include <QTableWidget>
#include <QUrl>

#include "anim/level_check.h"
#include "anim/state_changes.h"
#include "app/animation_links_table.h"
#include "app/check_dialog.h"
#include "app_test_support.h"
#include "editing/animation_editing.h"

namespace kelanim {
namespace {

using test::qpath;

TEST(RealLevelWindow, OpensPlaysEditsAndSaves)
{
    KELANIM_REQUIRE_REALDATA();
    test::application();
    for (const auto& source : test::real_levels()) {
        const std::string name = source.filename().string();
        SCOPED_TRACE(name);
        test::CaughtMessages messages;
        auto window = std::make_unique<TForm1>(qpath(test::output_dir() / (name + ".ini")));
        messages.take();
        QMimeData dropped;
        dropped.setUrls({QUrl::fromLocalFile(qpath(source))});
        QDropEvent drop(QPointF(500, 300), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject*>(window.get())->event(&drop);
        EXPECT_TRUE(messages.take().empty());
        EXPECT_EQ(window->windowTitle(), QString::fromStdString("Kelanim By Brennick - " + name + "[*]"));
        EXPECT_EQ(std::pair(window->ListBox1->count(), window->ListBox2->count()),
                  std::pair(int(window->level().num_moveables), int(window->level().num_static_meshes)));
        for (int row = 0; row < window->ListBox1->count(); ++row)
            EXPECT_FALSE(window->ListBox1->item(row)->text().isEmpty());
        // A row of the links table for each frame range and each command of
        // Lara's first animation; a row of the check dialog for each finding.
        std::size_t rows = anim_commands_of(window->level(), 0).commands.size();
        for (const auto& change : state_changes_of(window->level(), 0).entries) rows += change.ranges.size();
        ASSERT_GT(rows, 5u);
        EXPECT_EQ(std::size_t(window->AnimationLinks->rowCount()), rows);
        EXPECT_EQ(window->AnimationLinks->item(0, 0)->text(), QStringLiteral("State 0"));
        EXPECT_EQ(window->Panel1->geometry(), QRect(429, 49, 571, 639));  // the table leaves the panel its place
        EXPECT_EQ(std::size_t(TCheckDialog(window->level(), window.get()).findings()->rowCount()),
                  check_level(window->level()).size());

        const int m = 0, j = 0;  // Lara's first animation, shown as the level opens
        const int count = keyframe_count(window->level(), m, j);
        ASSERT_GE(count, 2);
        EXPECT_EQ(window->Label2->text(), QString("KFrames:%1").arg(count));
        // Play through the whole animation and round to its start.
        window->SpeedButton1->click();
        for (int tick = 0; tick < count; ++tick) window->Timer1Timer();
        EXPECT_EQ(window->SpinEdit1->value(), 0);
        window->SpeedButton1->click();

        // Edit: the automatic bound, a box word by hand on keyframe 1 (its low sixteen bits kept), the parameters.
        window->Button1Click();
        EXPECT_EQ(window->SpinEdit1->value(), count - 1);
        window->SpinEdit1->setValue(1), window->box_fields[2]->setValue(40000), window->SpinEdit10->setValue(9);
        window->Button2->click();
        EXPECT_EQ(messages.take(), std::vector<QString>{"Updated."});
        const auto edited = keyframe_box_fields(window->level(), m, j, 1);
        EXPECT_EQ(edited.value_or(std::array<std::int16_t, 6>{})[2], -25536);

        const std::filesystem::path saved = test::output_dir() / ("saved-" + name);
        std::filesystem::remove(saved);
        window->SaveLevelAs(qpath(saved));
        EXPECT_EQ(window->windowTitle(), QString::fromStdString("Kelanim By Brennick - saved-" + name + "[*]"));
        window->OpenLevel(qpath(saved));
        EXPECT_TRUE(messages.take().empty());
        EXPECT_EQ(keyframe_rate(window->level(), m, j), 9);
        EXPECT_EQ(keyframe_box_fields(window->level(), m, j, 1), edited);
    }
}

TEST(DemoLevel, IsWhatTheGeneratorMakes)
{
    demo::write_demo_levels(test::output_dir().string());
    for (const char* name : {"demo.tr2", "demo.tr4"})
        EXPECT_TRUE(test::read_file(test::output_dir() / name) == test::read_file(test::demo_level(name).toStdString()))
            << name;
}

}  // namespace
}  // namespace kelanim
