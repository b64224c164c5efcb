// Export to and import from MilkShape 3D, export to glTF, import from glTF and FBX.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>

#include <exception>
#include <functional>

#include "app/file_filters.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/play_timer.h"
#include "editing/level_edit_command.h"
#include "gltf/gltf_export.h"
#include "gltf/import_model.h"
#include "milkshape/export_moveable.h"
#include "milkshape/import_animation.h"
#include "milkshape/ms3d_model.h"

namespace kelanim {

namespace {

void show_outcome(QWidget* parent, const exchange_outcome& outcome)
{
    QString text = QString::fromStdString(outcome.message);
    for (const std::string& warning : outcome.warnings) text += QLatin1Char('\n') + QString::fromStdString(warning);
    show_message(parent, text, outcome.ok ? MessageIcon::none : MessageIcon::warning);
}

std::string native_path(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

void TForm1::ExporttoMS3d1Click()
{
    if (level_->version_code == code_none) return;
    const QStringList filters = dialog_filters(QString::fromLatin1(export_dialog_filter));
    QString chosen = filters.front();
    QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Export to MS3d"), QString(),
                                                filters.join(QStringLiteral(";;")), &chosen);
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".ms3d");  // the default extension
    ExportSelection(name, filter_position(filters, chosen));
}

void TForm1::ExportSelection(const QString& name, int filter)
{
    if (level_->version_code == code_none) return;
    export_request request;
    request.path = native_path(name);
    request.view_mode = ViewMode;
    request.moveable = ListBox1->currentRow();
    request.animation = ComboBox1->currentIndex();
    request.static_mesh = ListBox2->currentRow();
    request.subversion = subversion_for_filter(filter);
    request.by_bones = ExportbyBones1->isChecked();
    request.ignore_translation = IgnoreTranslation1->isChecked();
    request.fix_root_y = FixRootYposition1->isChecked();

    QApplication::setOverrideCursor(Qt::WaitCursor);
    exchange_outcome outcome;
    try {
        outcome = export_selection(*level_, *meshes_, request, *model_);
    } catch (const std::exception& error) {
        outcome = exchange_failure(error.what());
    }
    QApplication::restoreOverrideCursor();
    show_outcome(this, outcome);
}

void TForm1::ExporttoGltf1Click()
{
    if (level_->version_code == code_none) return;
    // The last two filters put every animation of the moveable into the file.
    const QStringList filters = dialog_filters(QString::fromLatin1(gltf_dialog_filter));
    QString chosen = filters.front();
    QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Export to glTF"), QString(),
                                                filters.join(QStringLiteral(";;")), &chosen);
    if (name.isEmpty()) return;
    const int filter = filter_position(filters, chosen);
    if (QFileInfo(name).suffix().isEmpty())
        name += filter % 2 == 0 ? QStringLiteral(".gltf") : QStringLiteral(".glb");  // the filter's extension
    ExportGltf(name, filter >= 3);
}

void TForm1::ExportGltf(const QString& name, bool all_animations)
{
    if (level_->version_code == code_none) return;
    gltf_export_request request;
    request.path = native_path(name);
    request.view_mode = ViewMode;
    request.moveable = ListBox1->currentRow();
    request.animation = ComboBox1->currentIndex();
    request.all_animations = all_animations;
    request.static_mesh = ListBox2->currentRow();
    // The mesh takes the name the list shows: the catalog name of a moveable.
    const QListWidget* list = ViewMode == export_static_mesh ? ListBox2 : ListBox1;
    if (list->currentItem()) request.mesh_name = list->currentItem()->text().toStdString();

    QApplication::setOverrideCursor(Qt::WaitCursor);
    exchange_outcome outcome;
    try {
        outcome = export_gltf(*level_, *meshes_, request);
    } catch (const std::exception& error) {
        outcome = exchange_failure(error.what());
    }
    QApplication::restoreOverrideCursor();
    show_outcome(this, outcome);
}

void TForm1::ImportFromMS3d1Click()
{
    if (level_->version_code == code_none) return;
    const QStringList filters = dialog_filters(QString::fromLatin1(import_dialog_filter));
    const QString name = QFileDialog::getOpenFileName(this, QStringLiteral("Import From MS3d"), QString(),
                                                      filters.join(QStringLiteral(";;")));
    if (name.isEmpty()) return;
    ImportAnimation(name);
}

void TForm1::ImportAnimation(const QString& name)
{
    RunImport(name, [&] {
        return import_animation_file(*level_, *meshes_, ListBox1->currentRow(), ComboBox1->currentIndex(),
                                     native_path(name), *model_);
    });
}

void TForm1::ImportfromglTF1Click()
{
    if (level_->version_code == code_none) return;
    const QStringList filters = dialog_filters(QString::fromLatin1(model_import_dialog_filter));
    const QString name = QFileDialog::getOpenFileName(this, QStringLiteral("Import from glTF/FBX..."), QString(),
                                                      filters.join(QStringLiteral(";;")));
    if (name.isEmpty()) return;
    ImportModelAnimation(name);
}

void TForm1::ImportModelAnimation(const QString& name)
{
    // The model's first animation: the one our export writes for the animation
    // exported, and the one Blender writes first.
    RunImport(name, [&] {
        return import_model_file(*level_, *meshes_, ListBox1->currentRow(), ComboBox1->currentIndex(),
                                 native_path(name), std::string());
    });
}

void TForm1::RunImport(const QString& name, const std::function<exchange_outcome()>& import)
{
    if (level_->version_code == code_none) return;
    // The keyframes are about to be replaced: playback ends.
    if (playing()) {
        SpeedButton1->setChecked(false);
        Timer1->setEnabled(false);
    }
    // The splice and the bounds measured after it are one edit.
    exchange_outcome outcome;
    record_edit(
        edit_kind::import,
        [&] {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            try {
                outcome = import();
            } catch (const std::exception& error) {
                outcome = exchange_failure(error.what());
            }
            QApplication::restoreOverrideCursor();
            if (outcome.ok) {
                ComboBox1Change();
                Button1Click();
                ComboBox1Change();
            }
            return outcome.ok;
        },
        QFileInfo(name).fileName());
    show_outcome(this, outcome);
}

}  // namespace kelanim
