// Opening and saving levels: the open flow, Save As, and the caption.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QUndoStack>

#include <exception>

#include "app/file_filters.h"
#include "app/main_window.h"
#include "app/main_window_parts.h"
#include "app/message_box.h"
#include "app/most_recent_files.h"
#include "app/play_timer.h"
#include "app/spin_edit.h"
#include "catalog/catalog_file.h"

namespace kelanim {

namespace {

// The hourglass while long work runs; the arrow comes back however the work
// ends.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { restore(); }
    void restore()
    {
        if (!active_) return;
        QApplication::restoreOverrideCursor();
        active_ = false;
    }

private:
    bool active_ = true;
};

std::string native_path(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString quoted(const QString& path) { return QLatin1Char('"') + path + QLatin1Char('"'); }

}  // namespace

void TForm1::Open1Click()
{
    const QString name =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open"), open_dialog_name_,
                                     dialog_filters(QString::fromLatin1(level_filter)).join(QStringLiteral(";;")));
    if (name.isEmpty()) return;
    open_dialog_name_ = name;
    OpenLevel(name);
}

void TForm1::OpenLevel(const QString& name)
{
    if (!may_discard_changes()) return;
    MostRecentFiles1->AddFile(name);
    Timer1->setEnabled(false);
    BusyCursor busy;

    // Everything is read into fresh objects and takes the place of the old
    // ones only once all of it has worked, so a file that does not open
    // leaves the level that was open usable.
    try {
        auto fresh = std::make_unique<Ttrlevel>();
        fresh->gauge = gauge_.get();
        fresh->messages = level_messages_.get();
        const std::uint8_t result = fresh->load_level(native_path(name));
        if (result != load_ok) {
            busy.restore();
            show_message(this,
                         result == load_no_file
                             ? QStringLiteral("The file %1 does not exist.").arg(quoted(name))
                             : QStringLiteral("The file %1 is not a Tomb Raider level.").arg(quoted(name)),
                         MessageIcon::warning);
            start_timer_if_playing();
            return;
        }
        auto decoded = std::make_unique<Tmesh_list>();
        decoded->decode_meshes(*fresh);
        auto names = std::make_unique<catalog_table>(*catalog_);
        if (const auto catalog_path = find_catalog_file()) read_catalog(*names, *catalog_path, fresh->version_code);

        undo_stack_->clear();  // its commands hold the level they edited
        level_ = std::move(fresh);
        meshes_ = std::move(decoded);
        catalog_ = std::move(names);
    } catch (const std::exception& error) {
        busy.restore();
        show_message(this, QString::fromUtf8(error.what()), MessageIcon::error);
        start_timer_if_playing();
        return;
    }

    // The level is in place now: whatever happens to its pictures, the
    // lists follow it.
    try {
        load_textures();
    } catch (const std::exception& error) {
        show_message(this, QString::fromUtf8(error.what()), MessageIcon::error);
    }
    fill_lists();
    busy.restore();

    {
        const QSignalBlocker quiet(ListBox1);
        ListBox1->setCurrentRow(0);
    }
    SpinEdit1->setValue(0);
    ListBox1Click();
    start_timer_if_playing();
    open_level_name_ = name;
    set_caption(name);

    if (level_->truncated)
        show_message(this,
                     QStringLiteral("The file %1 ends before the level does: it is damaged. What it holds is "
                                    "shown, but what is missing cannot be restored by saving.")
                         .arg(quoted(name)),
                     MessageIcon::warning);
}

void TForm1::fill_lists()
{
    const QSignalBlocker quiet1(ListBox1);
    const QSignalBlocker quiet2(ListBox2);
    ListBox1->clear();
    const std::size_t moveables = std::min<std::size_t>(level_->num_moveables, level_->moveables.size());
    for (std::size_t i = 0; i < moveables; ++i) {
        const std::uint32_t id = level_->moveables[i].object_id;
        std::string name = moveable_name(*catalog_, id);
        // Without a catalog the table holds no names at all; a row needs one.
        if (name.empty()) name = default_moveable_name(id);
        ListBox1->addItem(QString::fromStdString(name));
        if (id < catalog_->size()) (*catalog_)[id].level_index = static_cast<std::uint16_t>(i);
    }
    ListBox2->clear();
    const std::size_t statics = std::min<std::size_t>(level_->num_static_meshes, level_->static_meshes.size());
    for (std::size_t i = 0; i < statics; ++i) ListBox2->addItem(QStringLiteral("Mesh #%1").arg(i));
    ListBox2->setCurrentRow(0);
}

void TForm1::SaveAs1Click()
{
    const QString name =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), open_level_name_,
                                     dialog_filters(QString::fromLatin1(level_filter)).join(QStringLiteral(";;")));
    if (name.isEmpty()) return;
    SaveLevelAs(name);
}

bool TForm1::SaveLevelAs(const QString& name)
{
    Timer1->setEnabled(false);
    BusyCursor busy;
    std::uint8_t result = save_nothing_loaded;
    try {
        result = level_->save_level(native_path(name));
    } catch (const std::exception& error) {
        busy.restore();
        start_timer_if_playing();
        show_message(this, QStringLiteral("The level could not be saved as %1:\n%2")
                               .arg(quoted(name), QString::fromUtf8(error.what())),
                     MessageIcon::error);
        return false;
    }
    busy.restore();
    start_timer_if_playing();
    if (result != save_ok) {
        show_message(this, QStringLiteral("No level is open: nothing was saved."), MessageIcon::warning);
        return false;
    }
    open_level_name_ = name;
    set_caption(name);
    undo_stack_->setClean();
    return true;
}

void TForm1::set_caption(const QString& path)
{
    // "[*]" is where Qt shows the mark of unsaved changes; it is not shown itself.
    setWindowTitle(QString::fromLatin1(caption_prefix) + QFileInfo(path).fileName() + QStringLiteral("[*]"));
}

void TForm1::start_timer_if_playing()
{
    if (playing()) Timer1->setEnabled(true);
}

}  // namespace kelanim
