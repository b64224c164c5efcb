// The main window: the level's moveables and static meshes, the selected
// animation and keyframe, the 3D viewport, playback, the editing of bounding
// boxes and animation parameters, Save As and the recent-files list.
//
// The window owns the level and everything derived from it. The selection is
// not kept anywhere else: it is read from the controls whenever it is needed.
#pragma once

#include <QMainWindow>
#include <QString>

#include <array>
#include <functional>
#include <memory>

#include "catalog/catalog.h"
#include "geometry/mesh_list.h"
#include "level/ttrlevel.h"
#include "milkshape/exchange_outcome.h"
#include "render/scene_selection.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QUndoStack;
class QWidget;

namespace kelanim {

class TAnimationLinksTable;
class KeyframeTimeline;
class TMostRecentFiles;
enum class edit_kind;
struct edit_place;
struct TMS3D_File;
class TSpinEdit;
class TTimer;
class TGLCamera;
class TGLViewport;
class TxGL;
struct TVertexBuffer_array;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Design size of the window; below it the layout does not follow resizes.
    static constexpr int design_width = 1016;
    static constexpr int design_height = 752;
    static constexpr char caption_prefix[] = "Kelanim By Brennick - ";
    static constexpr char level_filter[] = "Tomb Raider Files|*.phd;*.tub;*.tr2;*.tr4;*.trc";

    // `recent_files_ini` is where the recent-files list is kept: a bare name
    // lies beside the program.
    explicit TForm1(const QString& recent_files_ini = QStringLiteral("MostRecentFiles.ini"),
                    QWidget* parent = nullptr);
    ~TForm1() override;

    // The open flow: reads the level at `name` and lists it. A file that
    // cannot be read leaves the level that was open as it was.
    void OpenLevel(const QString& name);
    // Writes the level to `name` (the Save As command without its dialog).
    // False when nothing was written.
    bool SaveLevelAs(const QString& name);
    // The export without its dialog: `filter` is the position (from 1) of the
    // file type chosen in the dialog.
    void ExportSelection(const QString& name, int filter);
    // The glTF export without its dialog: the selection to `name` (.glb or
    // .gltf), with the selected animation or all of the moveable's.
    void ExportGltf(const QString& name, bool all_animations);
    // The imports without their dialogs: MilkShape, and glTF or FBX.
    void ImportAnimation(const QString& name);
    void ImportModelAnimation(const QString& name);

    // Handlers, public so that tests can drive the window as a user would.
    void Open1Click();
    void SaveAs1Click();
    void Exit1Click();
    void ExporttoMS3d1Click();
    void ImportFromMS3d1Click();
    void ExporttoGltf1Click();
    void ImportfromglTF1Click();
    void About2Click();
    void ListBox1Click();
    void ListBox2Click();
    void ListBox1Enter();
    void ListBox2Enter();
    void ComboBox1Change();
    void SpinEdit1Change();
    void SpinEditBoxChange(int field);  // SpinEdit2Change ... SpinEdit7Change, field 0 to 5
    void CheckBox1Click();
    void Button1Click();
    void Button2Click();
    void SpeedButton1Click();
    void Timer1Timer();
    void IgnoreTranslation1Click();
    void FixRootYposition1Click();
    void ShowKeyframeBox();
    void ArrangeControls();

    // What the viewport is asked to show, read from the controls.
    SceneSelection selection() const;
    void refresh_viewport();
    // Moves the camera so that what the viewport shows fills most of it.
    void fit_camera_to_scene();

    const Ttrlevel& level() const { return *level_; }
    Ttrlevel& level() { return *level_; }
    const Tmesh_list& meshes() const { return *meshes_; }
    const catalog_table& catalog() const { return *catalog_; }
    TMostRecentFiles& recent_files() { return *MostRecentFiles1; }
    int view_mode() const { return ViewMode; }
    int frame_rate() const { return frame_rate_; }
    bool filling_box() const { return FillingBox; }
    bool playing() const;
    TGLViewport* viewport() const { return viewport_.get(); }

    // Controls, named as on the form.
    QLabel* Label1;
    QComboBox* ComboBox1;
    QLabel* Label2;
    TSpinEdit* SpinEdit1;
    QLabel* Label3;
    QPushButton* SpeedButton1;
    QProgressBar* Gauge1;
    QListWidget* ListBox1;
    QListWidget* ListBox2;
    QLabel* Label7;
    QLabel* Label4;
    QLabel* Label8;
    QLabel* Label5;
    QGroupBox* GroupBox1;
    QCheckBox* CheckBox1;
    std::array<TSpinEdit*, 6> box_fields;  // SpinEdit2 to SpinEdit7
    QPushButton* Button1;
    QGroupBox* GroupBox2;
    TSpinEdit* SpinEdit8;
    TSpinEdit* SpinEdit9;
    TSpinEdit* SpinEdit10;
    TSpinEdit* SpinEdit11;
    QPushButton* Button2;
    QWidget* Panel1;
    TTimer* Timer1;

    QMenu* File1;
    QAction* Open1;
    QAction* SaveAs1;
    QAction* ExporttoMS3d1;
    QAction* ImportFromMS3d1;
    QAction* ExporttoGltf1;
    QAction* ImportfromglTF1;
    QAction* Exit1;
    QMenu* Edit1;
    QAction* ExportbyBones1;
    QAction* ExportbyTexture1;
    QAction* IgnoreTranslation1;
    QAction* FixRootYposition1;
    QMenu* About1;
    QAction* About2;

    // The state changes and commands of the selected animation, and the
    // level check (main_window_checks.cpp).
    static constexpr int animation_links_height = 150;
    TAnimationLinksTable* AnimationLinks;
    QAction* CheckAnimations1;
    void CheckAnimations1Click();
    void show_animation_links();

    // Undo, the save question, the timeline and chained playback
    // (main_window_undo.cpp, main_window_timeline.cpp).
    QUndoStack* undo_stack() const { return undo_stack_; }
    // Before unsaved changes would be lost: asks whether to save them. False
    // when the user cancels or the save fails; the level then stays.
    bool may_discard_changes();
    void Timeline1Change(int keyframe);
    void step_keyframe(int by);
    QAction* Undo1;
    QAction* Redo1;
    QAction* FollowNextAnimation1;
    KeyframeTimeline* Timeline1;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Gauge;
    class LevelMessages;

    void FormCreate(const QString& recent_files_ini);
    void create_controls();
    void create_menus();
    void create_viewport();
    void create_animation_checks();
    void release_viewport();
    void connect_handlers();
    void fill_lists();
    void load_textures();
    void build_scene();
    void set_caption(const QString& path);
    void start_timer_if_playing();
    void create_undo();
    void create_timeline();
    // Runs `edit` and puts what it changed in the level on the undo stack as
    // one command; an edit run inside another is part of the outer one.
    // Returns what `edit` returned.
    bool record_edit(edit_kind kind, const std::function<bool()>& edit, const QString& source = {});
    void show_edit_place(const edit_place& place);
    // Playback past the last keyframe: goes on with the next animation, or
    // returns false when it cannot be followed.
    bool follow_next_animation();
    void sync_timeline();
    // Runs an import of the file `name` over the selected animation as one
    // undoable edit: playback stops, and on success the animation's fields
    // and bounds are shown again.
    void RunImport(const QString& name, const std::function<exchange_outcome()>& import);

    std::unique_ptr<Ttrlevel> level_;
    std::unique_ptr<Tmesh_list> meshes_;
    std::unique_ptr<catalog_table> catalog_;
    std::unique_ptr<Gauge> gauge_;
    std::unique_ptr<LevelMessages> level_messages_;
    std::unique_ptr<TMostRecentFiles> MostRecentFiles1;
    std::unique_ptr<TMS3D_File> model_;  // the MilkShape model of export and import
    // The renderer; without an OpenGL 3.3 context there is none, and the
    // window works without its picture.
    std::unique_ptr<TVertexBuffer_array> vertex_buffer_array_;
    std::unique_ptr<TxGL> gl_;
    std::unique_ptr<TGLCamera> camera_;
    std::unique_ptr<TGLViewport> viewport_;
    QString open_dialog_name_;  // the name the open dialog last gave
    QString open_level_name_;   // the file the level was last opened from or saved to

    QUndoStack* undo_stack_ = nullptr;
    bool recording_edit_ = false;

    int ViewMode = view_moveable;
    bool FillingBox = false;
    int frame_rate_ = 0;
};

}  // namespace kelanim
