#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QTableWidget>

#include <gtest/gtest.h>

#include "anim/level_check.h"
#include "anim/state_changes.h"
#include "app/animation_links_table.h"
#include "app/check_dialog.h"
#include "app/main_window.h"
#include "app_test_support.h"

namespace kelanim {
namespace {

TEST(AnimationChecks, TableFollowsTheAnimationAndTheDialogListsEveryFinding)
{
    KELANIM_REQUIRE_REALDATA();
    test::application();
    test::CaughtMessages messages;
    TForm1 window(test::qpath(test::output_dir("app") / "recent.ini"));
    window.OpenLevel(test::qpath(test::real_level("tr2.tr2")));
    ASSERT_GT(window.ListBox1->count(), 0);
    EXPECT_EQ(window.Panel1->geometry(), QRect(429, 49, TForm1::design_width - 16 - 429, TForm1::design_height - 64 - 49));

    // Lara's first animation: a row for each frame range and each command.
    std::size_t rows = anim_commands_of(window.level(), 0).commands.size();
    for (const auto& change : state_changes_of(window.level(), 0).entries) rows += change.ranges.size();
    ASSERT_GT(rows, 5u);
    EXPECT_EQ(std::size_t(window.AnimationLinks->rowCount()), rows);
    EXPECT_EQ(window.AnimationLinks->item(0, 0)->text(), QStringLiteral("State 0"));

    EXPECT_EQ(window.CheckAnimations1->text(), QStringLiteral("Check Animations..."));
    TCheckDialog dialog(window.level(), &window);
    EXPECT_EQ(std::size_t(dialog.findings()->rowCount()), check_level(window.level()).size());
}

}  // namespace
}  // namespace kelanim
