#include "app/most_recent_files.h"

#include <QAction>
#include <QFile>
#include <QMenu>

#include <gtest/gtest.h>

#include <fstream>

#include "app/ini_file.h"
#include "app_test_support.h"

namespace kelanim {
namespace {

using test::qpath;

QString read_text(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString("(missing)");
}

// A File menu like the window's: seven items, the last a separator.
class RecentFilesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::application(); }

    void SetUp() override
    {
        folder = test::output_dir(std::string("recent/") + testing::UnitTest::GetInstance()->current_test_info()->name());
        for (const auto& entry : std::filesystem::directory_iterator(folder)) std::filesystem::remove_all(entry);
        ini = qpath(folder / "MostRecentFiles.ini");
        for (const char* item : {"&Open", "&Save As...", "-", "Export to MS3d", "Import From MS3d", "-", "&Exit", "-"})
            item == std::string("-") ? menu.addSeparator() : menu.addAction(item);
    }

    std::unique_ptr<TMostRecentFiles> make_list()
    {
        auto list = std::make_unique<TMostRecentFiles>();
        list->setMaxFiles(6);
        list->setOwnerMenuItem(&menu);
        list->setMenuPosition(8);
        list->setIniFile(ini);
        list->OnMenuClick = [this](QAction*, const QString& name) { opened.push_back(name); };
        list->loaded();
        return list;
    }

    // A file that exists, so that its item can be reopened.
    QString existing(const std::string& name)
    {
        std::ofstream(folder / name) << "level";
        return qpath(folder / name);
    }

    QStringList captions() const
    {
        QStringList shown;
        for (QAction* item : menu.actions()) shown << (item->isSeparator() ? "-" : item->text());
        return shown;
    }

    void click(const QString& caption)
    {
        for (QAction* a : menu.actions())
            if (a->text() == caption) return a->trigger();
        ADD_FAILURE() << "no item " << caption.toStdString();
    }

    std::filesystem::path folder;
    QString ini;
    QMenu menu;
    QStringList opened;
    test::CaughtMessages messages;
};

TEST_F(RecentFilesTest, KeepsTheNewestFirstWithoutRegardToCaseUpToMaxFiles)
{
    auto list = make_list();
    EXPECT_TRUE(list->files().isEmpty());  // no ini file yet
    list->AddFile("/levels/One.tr4");
    list->AddFile("/levels/two.tr4");
    list->AddFile("/LEVELS/ONE.TR4");
    EXPECT_EQ(list->files(), QStringList({"/LEVELS/ONE.TR4", "/levels/two.tr4"}));

    for (char c = 'a'; c <= 'g'; ++c) list->AddFile(qpath(folder / (std::string(1, c) + ".tr4")));
    // The list follows the menu's last separator directly; nothing follows it.
    EXPECT_EQ(captions().mid(7),
              QStringList({"-", "&1  g.tr4", "&2  f.tr4", "&3  e.tr4", "&4  d.tr4", "&5  c.tr4", "&6  b.tr4"}));
    for (QAction* a : menu.actions().mid(8)) EXPECT_EQ(a->data().toInt(), TMostRecentFiles::menu_tag);

    list->setMaxFiles(0);
    EXPECT_EQ(list->MaxFiles(), 1);
    list->setMaxFiles(20);
    EXPECT_EQ(list->MaxFiles(), 8);
    list->setShowFullPath(true);
    list->AddFile("/x/y/level.phd");
    EXPECT_EQ(captions().value(8), "&1  /x/y/level.phd");

    TMostRecentFiles menuless;
    menuless.setIniFile(qpath(folder / "other.ini"));
    menuless.loaded();
    menuless.AddFile("/levels/a.tr4");
    EXPECT_TRUE(menuless.files().isEmpty());
}

TEST_F(RecentFilesTest, ReopeningMovesTheFileToTheTopAndAFileThatIsGoneIsReportedAndDropped)
{
    auto list = make_list();
    const QString a = existing("a.tr4"), b = existing("b.tr4"), c = existing("c.tr4");
    for (const QString& name : {a, b, c}) list->AddFile(name);
    click("&3  a.tr4");
    EXPECT_EQ(opened, QStringList{a});
    EXPECT_EQ(captions().mid(8), QStringList({"&1  a.tr4", "&2  c.tr4", "&3  b.tr4"}));
    // The first item opens without moving anything.
    click("&1  a.tr4");
    EXPECT_EQ(opened, QStringList({a, a}));
    EXPECT_EQ(list->files(), QStringList({a, c, b}));

    opened.clear();
    const QString gone = qpath(folder / "gone.tr4");
    list->AddFile(gone);
    click("&1  gone.tr4");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "The file ...\n\"" + gone + "\"\nno longer exists.");
    EXPECT_EQ(messages.messages[0].icon, MessageIcon::information);
    EXPECT_EQ(messages.messages[0].title, "Kelanim");
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(list->files(), QStringList({a, c, b}));

    // With a handler of its own the message is left to it.
    QStringList missing;
    list->OnFileNotExist = [&](QAction*, const QString& name) { missing << name; };
    list->AddFile(gone);
    click("&1  gone.tr4");
    EXPECT_EQ(missing, QStringList{gone});
    EXPECT_EQ(messages.messages.size(), 1u);
}

TEST_F(RecentFilesTest, TheListIsKeptInTheIniFile)
{
    {
        auto list = make_list();
        list->AddFile("/levels/a.tr2");
        list->AddFile("/levels/b & c.tr4");
        EXPECT_EQ(captions().value(8), "&1  b && c.tr4");  // an ampersand of the name is no shortcut
    }
    EXPECT_EQ(read_text(ini), "[MRU List]\n1=/levels/b & c.tr4\n2=/levels/a.tr2\n3=\n4=\n5=\n6=\n");

    auto again = make_list();
    EXPECT_EQ(again->files(), QStringList({"/levels/b & c.tr4", "/levels/a.tr2"}));
    EXPECT_EQ(captions().mid(7), QStringList({"-", "&1  b && c.tr4", "&2  a.tr2"}));
}

TEST_F(RecentFilesTest, ReadingStopsAtTheFirstEmptyKey)
{
    {
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("; kept by hand\n[Other]\n1=/not/this\n\n[mru list]\n"
                   "1 = /levels/first.tr4\r\n2=\n3=/levels/third.tr4\n");
    }
    auto list = make_list();
    EXPECT_EQ(list->files(), QStringList{"/levels/first.tr4"});
    list->AddFile("/levels/new.phd");
    list.reset();
    // The other section and the comment stay; the list's keys are rewritten in place.
    EXPECT_EQ(read_text(ini), "; kept by hand\n[Other]\n1=/not/this\n\n[mru list]\n1=/levels/new.phd\n"
                              "2=/levels/first.tr4\n3=\n4=\n5=\n6=\n");
}

TEST(IniFile, SectionsAndKeysMatchWithoutRegardToCase)
{
    test::application();
    const QString path = qpath(test::output_dir("recent") / "plain.ini");
    std::filesystem::remove(path.toStdString());
    EXPECT_FALSE(read_ini_section(path, "MRU List"));
    write_ini_section(path, "MRU List", {{"1", "/a[1]"}, {"2", ""}});  // a value that ends like a header
    write_ini_section(path, "Second", {{"Key", "v=w"}});
    write_ini_section(path, "mru LIST", {{"2", "/b"}});
    EXPECT_EQ(read_text(path), "[MRU List]\n1=/a[1]\n2=/b\n\n[Second]\nKey=v=w\n");
    EXPECT_EQ(ini_value(*read_ini_section(path, "MRU List"), "1"), "/a[1]");
    const auto second = read_ini_section(path, "second");
    ASSERT_TRUE(second);
    EXPECT_EQ(ini_value(*second, "KEY"), "v=w");
}

}  // namespace
}  // namespace kelanim
