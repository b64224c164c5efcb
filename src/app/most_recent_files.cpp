#include "app/most_recent_files.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QStandardPaths>

#include <algorithm>
#include <exception>

#include "app/ini_file.h"
#include "app/message_box.h"
#include "catalog/catalog_file.h"

namespace kelanim {

namespace {

bool is_existing_file(const QString& name)
{
    const QFileInfo info(name);
    return info.exists() && !info.isDir();
}

// A file can be written at `path` when it exists writable, or when its folder
// can take a new file.
bool can_write(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists()) return info.isWritable();
    return QFileInfo(info.absolutePath()).isWritable();
}

}  // namespace

TMostRecentFiles::TMostRecentFiles(QObject* owner) : QObject(owner) {}

TMostRecentFiles::~TMostRecentFiles()
{
    if (!loading_) write_list();
}

void TMostRecentFiles::loaded()
{
    loading_ = false;
    read_list();
}

void TMostRecentFiles::setMaxFiles(int count)
{
    count = std::clamp(count, 1, 8);
    if (count == max_files_) return;
    max_files_ = count;
    while (files_.size() > max_files_) files_.removeLast();
    rebuild_menu();
}

void TMostRecentFiles::setShowFullPath(bool show)
{
    if (show == show_full_path_) return;
    show_full_path_ = show;
    rebuild_menu();
}

void TMostRecentFiles::setOwnerMenuItem(QMenu* menu)
{
    if (owner_menu_) disconnect(owner_menu_, nullptr, this, nullptr);
    owner_menu_ = menu;
    // A menu that goes away is forgotten.
    if (owner_menu_) connect(owner_menu_, &QObject::destroyed, this, [this] { owner_menu_ = nullptr; });
    rebuild_menu();
}

void TMostRecentFiles::setIniFile(const QString& name)
{
    ini_file_ = name;
    if (!loading_) read_list();
}

QString TMostRecentFiles::ini_path() const
{
    if (ini_file_.contains(u'/')) return ini_file_;
    const QString program_dir = QCoreApplication::applicationDirPath();
    const QString name = !ini_file_.isEmpty()
        ? ini_file_
        : QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + QStringLiteral(".ini");
    // A program that keeps its data beside itself keeps the list there too; an
    // installed one must not write into the system's program folder, even
    // when it could (run as root).
    const QString beside = QDir(program_dir).filePath(name);
    if (keeps_data_beside_itself(QFile::encodeName(program_dir).toStdString()) && can_write(beside)) return beside;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return QDir(config).filePath(name);
}

void TMostRecentFiles::read_list()
{
    files_.clear();
    if (const auto entries = read_ini_section(ini_path(), QString::fromLatin1(section))) {
        for (int i = 1; i <= max_files_; ++i) {
            const QString name = ini_value(*entries, QString::number(i));
            if (name.isEmpty()) break;
            files_.append(name);
        }
    }
    rebuild_menu();
}

void TMostRecentFiles::write_list() const
{
    IniEntries entries;
    for (int i = 1; i <= max_files_; ++i)
        entries.emplace_back(QString::number(i), i <= files_.size() ? files_[i - 1] : QString());
    const QString path = ini_path();
    try {
        QDir().mkpath(QFileInfo(path).absolutePath());
        write_ini_section(path, QString::fromLatin1(section), entries);
    } catch (const std::exception&) {
        // The list is written while the program closes: there is nobody left
        // to tell, and losing the list costs only convenience.
    }
}

void TMostRecentFiles::AddFile(const QString& name)
{
    if (!owner_menu_) return;
    qsizetype i = -1;
    for (qsizetype at = 0; at < files_.size() && i < 0; ++at)
        if (files_[at].compare(name, Qt::CaseInsensitive) == 0) i = at;
    // Already first under this very spelling: nothing to do. Another spelling
    // replaces the listed one, since on this system it may be another file.
    if (i == 0 && files_[0] == name) return;
    if (i >= 0) files_.removeAt(i);
    files_.prepend(name);
    while (files_.size() > max_files_) files_.removeLast();
    rebuild_menu();
}

QString TMostRecentFiles::caption(int number, const QString& name) const
{
    QString shown = show_full_path_ ? name : QFileInfo(name).fileName();
    shown.replace(QLatin1String("&"), QLatin1String("&&"));  // an ampersand of the name is no shortcut
    return QStringLiteral("&%1  %2").arg(number).arg(shown);
}

void TMostRecentFiles::rebuild_menu()
{
    if (loading_ || !owner_menu_) return;
    QList<QAction*> items = owner_menu_->actions();
    for (qsizetype i = items.size() - 1; i >= 0; --i) {
        QAction* item = items[i];
        if (item->data().toInt() != menu_tag) continue;
        owner_menu_->removeAction(item);
        item->deleteLater();  // may be the item whose click is running
    }
    if (files_.isEmpty()) return;

    items = owner_menu_->actions();
    const qsizetype p = std::min<qsizetype>(menu_position_, items.size());
    QAction* before = p < items.size() ? items[p] : nullptr;
    auto insert_separator = [&] {
        auto* separator = new QAction(owner_menu_);
        separator->setSeparator(true);
        separator->setData(menu_tag);
        owner_menu_->insertAction(before, separator);
    };
    if (p > 0 && !items[p - 1]->isSeparator()) insert_separator();
    for (qsizetype i = 0; i < files_.size(); ++i) {
        auto* item = new QAction(caption(static_cast<int>(i + 1), files_[i]), owner_menu_);
        item->setData(menu_tag);
        connect(item, &QAction::triggered, this, [this, item] { item_clicked(item); });
        owner_menu_->insertAction(before, item);
    }
    if (before && !before->isSeparator()) insert_separator();
}

void TMostRecentFiles::item_clicked(QAction* item)
{
    if (!item || !owner_menu_ || !OnMenuClick) return;
    const QList<QAction*> items = owner_menu_->actions();
    const auto first_tagged = std::find_if(items.begin(), items.end(),
                                           [](QAction* a) { return a->data().toInt() == menu_tag; });
    const qsizetype index = items.indexOf(item);
    if (first_tagged == items.end() || index < 0) return;
    qsizetype n = index - (first_tagged - items.begin());
    if ((*first_tagged)->isSeparator()) --n;
    if (n < 0 || n >= files_.size()) return;

    const QString name = files_[n];
    if (is_existing_file(name)) {
        if (n > 0) {
            files_.move(n, 0);
            rebuild_menu();
        }
        OnMenuClick(item, name);
        return;
    }
    if (OnFileNotExist) {
        OnFileNotExist(item, name);
    } else {
        show_message(owner_menu_->parentWidget(),
                     QStringLiteral("The file ...\n\"%1\"\nno longer exists.").arg(name),
                     MessageIcon::information);
    }
    files_.removeAt(n);
    rebuild_menu();
}

}  // namespace kelanim
