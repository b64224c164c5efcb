#include "app/most_recent_files.h"

#include <QFile>
#include <QMenu>

#include <fstream>

#include "app/ini_file.h"
#include "app_test_support.h"

namespace kelanim {
namespace {

using test::qpath;

// A list of six in a File menu like the window's: seven items, the last a separator.
class RecentFilesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::application(); }
    void SetUp() override
    {
        QFile::remove(ini);
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

    const QString ini = qpath(test::output_dir() / "MostRecentFiles.ini");
    QMenu menu;
    QStringList opened;
    test::CaughtMessages messages;
};

TEST_F(RecentFilesTest, KeepsTheNewestFirstWithoutRegardToCaseUpToMaxFiles)
{
    auto list = make_list();
    EXPECT_TRUE(list->files().isEmpty());  // no ini file yet
    for (const char* name : {"/levels/One.tr4", "/levels/two.tr4", "/LEVELS/ONE.TR4"}) list->AddFile(name);
    EXPECT_EQ(list->files(), QStringList({"/LEVELS/ONE.TR4", "/levels/two.tr4"}));
    for (char c = 'a'; c <= 'g'; ++c) list->AddFile(QString("/levels/%1.tr4").arg(c));  // after the last separator
    EXPECT_EQ(captions().mid(7),
              QStringList({"-", "&1  g.tr4", "&2  f.tr4", "&3  e.tr4", "&4  d.tr4", "&5  c.tr4", "&6  b.tr4"}));
    std::vector<int> clamped;
    for (const int asked : {0, 20}) list->setMaxFiles(asked), clamped.push_back(list->MaxFiles());
    EXPECT_EQ(clamped, std::vector<int>({1, 8}));
    list->setShowFullPath(true), list->AddFile("/x/y/level.phd");
    EXPECT_EQ(captions().value(8), "&1  /x/y/level.phd");
}

TEST_F(RecentFilesTest, ReopeningMovesTheFileToTheTopAndAFileThatIsGoneIsReportedAndDropped)
{
    auto list = make_list();
    QStringList names;  // files that exist, so that their items reopen
    for (const char* name : {"a.tr4", "b.tr4", "c.tr4"}) {
        std::ofstream(test::output_dir() / name) << "level";
        list->AddFile(names.emplace_back(qpath(test::output_dir() / name)));
    }
    click("&3  a.tr4");
    EXPECT_EQ(captions().mid(8), QStringList({"&1  a.tr4", "&2  c.tr4", "&3  b.tr4"}));
    click("&1  a.tr4");  // the first item opens without moving anything
    EXPECT_EQ(opened, QStringList({names[0], names[0]}));
    const QStringList kept = {names[0], names[2], names[1]};
    EXPECT_EQ(list->files(), kept);

    opened.clear();
    const QString gone = qpath(test::output_dir() / "gone.tr4");
    list->AddFile(gone);
    click("&1  gone.tr4");
    ASSERT_EQ(messages.messages.size(), 1u);
    const Message& shown = messages.messages[0];
    EXPECT_EQ(std::tuple(shown.title, shown.text, shown.icon),
              std::tuple(QString("Kelanim"), "The file ...\n\"" + gone + "\"\nno longer exists.",
                         MessageIcon::information));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(list->files(), kept);
    // With a handler of its own the message is left to it.
    QStringList missing;
    list->OnFileNotExist = [&](QAction*, const QString& name) { missing << name; };
    list->AddFile(gone);
    click("&1  gone.tr4");
    EXPECT_EQ(std::pair(missing, messages.messages.size()), std::pair(QStringList{gone}, std::size_t(1)));
}

// The list is kept in its section of the ini file, made or added when
// missing; reading stops at the first empty key; writing rewrites the list's
// keys in place and keeps other sections and comments. Sections and keys
// match without regard to case.
TEST_F(RecentFilesTest, TheListIsKeptInTheIniFile)
{
    const struct {
        const char* by_hand;  // nothing: no file
        QStringList read;
        const char *added, *caption, *written;
    } rows[] = {
        {nullptr, {}, "/levels/b & c[1]", "&1  b && c[1]",  // an ampersand of the name is no shortcut
         "[MRU List]\n1=/levels/b & c[1]\n2=\n3=\n4=\n5=\n6=\n"},
        {"; kept by hand\n[Other]\n1=/not/this\n", {}, "/levels/a.tr2", "&1  a.tr2",
         "; kept by hand\n[Other]\n1=/not/this\n\n[MRU List]\n1=/levels/a.tr2\n2=\n3=\n4=\n5=\n6=\n"},
        {"[Other]\nKey=v=w\n\n[mru list]\n1 = /levels/first.tr4\r\n2=\n3=/levels/third.tr4\n", {"/levels/first.tr4"},
         "/levels/new.phd", "&1  new.phd",
         "[Other]\nKey=v=w\n\n[mru list]\n1=/levels/new.phd\n2=/levels/first.tr4\n3=\n4=\n5=\n6=\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.added);
        if (row.by_hand) test::Bytes().text(row.by_hand).save(ini.toStdString());
        auto list = make_list();
        EXPECT_EQ(list->files(), row.read);
        list->AddFile(row.added);
        EXPECT_EQ(captions().value(8), row.caption);
        list.reset();
        EXPECT_EQ(test::read_file(ini.toStdString()), test::Bytes().text(row.written).data());
        EXPECT_EQ(make_list()->files().value(0), row.added);
    }
    EXPECT_EQ(ini_value(*read_ini_section(ini, "OTHER"), "key"), "v=w");
}

}  // namespace
}  // namespace kelanim
