// The recent-files list: the last levels opened, shown as numbered items of a
// menu, reopened by a click and kept between runs in an ini file.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QMenu;

namespace kelanim {

class TMostRecentFiles : public QObject {
    Q_OBJECT
public:
    // Called with the clicked menu item and the file name it stands for.
    using TMRUMenuEvent = std::function<void(QAction* sender, const QString& filename)>;

    // Items this list puts into the menu carry this value, by which it finds
    // them again.
    static constexpr int menu_tag = 0x0BAD1DEA;
    static constexpr char section[] = "MRU List";

    explicit TMostRecentFiles(QObject* owner = nullptr);
    // Writes the list, unless still loading.
    ~TMostRecentFiles() override;

    // Properties are set while `loading`; `loaded` ends that, reads the list
    // and builds the menu, as after a form has been streamed in.
    void loaded();

    int MaxFiles() const { return max_files_; }
    void setMaxFiles(int count);  // 0 gives 1, above 8 gives 8
    bool ShowFullPath() const { return show_full_path_; }
    void setShowFullPath(bool show);
    QMenu* OwnerMenuItem() const { return owner_menu_; }
    void setOwnerMenuItem(QMenu* menu);
    int MenuPosition() const { return menu_position_; }
    void setMenuPosition(int position) { menu_position_ = position; }
    QString IniFile() const { return ini_file_; }
    void setIniFile(const QString& name);

    TMRUMenuEvent OnMenuClick;
    TMRUMenuEvent OnFileNotExist;

    // Puts a name at the top of the list (a name already listed, compared
    // without regard to case, moves up instead of being added twice).
    void AddFile(const QString& name);

    const QStringList& files() const { return files_; }

    // Where the list is kept: `IniFile` itself when it names a folder, else
    // `IniFile` (or the program's name with ".ini") beside the program when
    // the program keeps its data beside itself and that folder can be
    // written; otherwise in the user's configuration folder (an installed
    // program).
    QString ini_path() const;

    void read_list();
    void write_list() const;
    void rebuild_menu();

private:
    void item_clicked(QAction* item);
    QString caption(int number, const QString& name) const;

    QStringList files_;
    int max_files_ = 4;
    bool show_full_path_ = false;
    QMenu* owner_menu_ = nullptr;
    int menu_position_ = 0;
    QString ini_file_;
    bool loading_ = true;
};

}  // namespace kelanim
