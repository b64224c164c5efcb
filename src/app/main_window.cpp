// The window's construction: controls at their design places, the menus, the
// wiring of every handler, and the layout rules for resizes.
#include "app/main_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "app/main_window_parts.h"
#include "app/message_box.h"
#include "app/most_recent_files.h"
#include "app/play_timer.h"
#include "app/spin_edit.h"
#include "app/timeline.h"
#include "milkshape/ms3d_model.h"
#include "render/gl/tglviewport.h"
#include "render/tglcamera.h"
#include "render/txgl.h"
#include "render/vertex_buffers.h"

namespace kelanim {

namespace {

QLabel* make_label(QWidget* parent, const QString& text, int left, int top, bool bold10 = false)
{
    auto* label = new QLabel(text, parent);
    if (bold10) {
        QFont font = label->font();
        font.setPointSize(10);
        font.setBold(true);
        label->setFont(font);
    }
    label->move(left, top);
    label->adjustSize();
    return label;
}

TSpinEdit* make_spin_edit(QWidget* parent, int left, int top, int width)
{
    auto* edit = new TSpinEdit(parent);
    edit->setGeometry(left, top, width, 21);
    return edit;
}

QPushButton* make_button(QWidget* parent, const QString& text, int left, int top, int width, int height)
{
    auto* button = new QPushButton(text, parent);
    button->setGeometry(left, top, width, height);
    return button;
}

}  // namespace

TForm1::TForm1(const QString& recent_files_ini, QWidget* parent) : QMainWindow(parent)
{
    FormCreate(recent_files_ini);
}

TForm1::~TForm1()
{
    // FormDestroy: the playback stops before anything it draws goes away, and
    // the recent-files list is written as it is destroyed.
    Timer1->setEnabled(false);
    release_viewport();
    MostRecentFiles1.reset();
}

void TForm1::FormCreate(const QString& recent_files_ini)
{
    // Number conversions of the program never depend on the user's locale:
    // "." is the decimal separator and "," the thousands separator.
    QLocale::setDefault(QLocale::c());

    setWindowTitle(QStringLiteral("Kelanim"));
    // The window's font; where it is missing, a narrow face keeps the texts
    // inside the places the layout gives them.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow"),
                                QStringLiteral("Arial"), QStringLiteral("Helvetica")});
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setAcceptDrops(true);
    resize(design_width, design_height);

    create_controls();
    create_menus();
    create_undo();
    create_timeline();

    level_ = std::make_unique<Ttrlevel>();
    meshes_ = std::make_unique<Tmesh_list>();
    catalog_ = std::make_unique<catalog_table>();
    gauge_ = std::make_unique<Gauge>(Gauge1);
    level_messages_ = std::make_unique<LevelMessages>(this);
    level_->gauge = gauge_.get();
    level_->messages = level_messages_.get();
    create_viewport();
    create_animation_checks();

    frame_rate_ = 0;
    FillingBox = false;
    ViewMode = view_moveable;

    model_ = std::make_unique<TMS3D_File>();

    MostRecentFiles1 = std::make_unique<TMostRecentFiles>();
    MostRecentFiles1->setMaxFiles(6);
    MostRecentFiles1->setShowFullPath(false);
    MostRecentFiles1->setOwnerMenuItem(File1);
    // The recent files follow the File menu's last separator, however many
    // commands come before it.
    MostRecentFiles1->setMenuPosition(static_cast<int>(File1->actions().size()));
    MostRecentFiles1->setIniFile(recent_files_ini);
    MostRecentFiles1->OnMenuClick = [this](QAction*, const QString& name) { OpenLevel(name); };
    MostRecentFiles1->loaded();

    connect_handlers();
    ArrangeControls();
}

void TForm1::create_controls()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);

    Label1 = make_label(client, QStringLiteral("Animation"), 13, 4);
    ComboBox1 = new QComboBox(client);
    ComboBox1->setGeometry(10, 18, 123, 21);
    ComboBox1->setEditable(false);
    Label2 = make_label(client, QStringLiteral("KeyFrame"), 147, 2);
    SpinEdit1 = make_spin_edit(client, 145, 17, 57);
    SpinEdit1->setLimits(-1, 0);
    Label3 = make_label(client, QStringLiteral("Frame Rate"), 221, 2);
    SpeedButton1 = make_button(client, QStringLiteral("Play Animation"), 217, 17, 98, 22);
    SpeedButton1->setCheckable(true);
    Gauge1 = new QProgressBar(client);
    Gauge1->setGeometry(324, 17, 297, 21);
    Gauge1->setRange(0, 100);
    Gauge1->setValue(0);

    ListBox1 = new QListWidget(client);
    ListBox1->setGeometry(7, 50, 412, 241);
    ListBox2 = new QListWidget(client);
    ListBox2->setGeometry(7, 296, 413, 169);

    Label7 = make_label(client, QStringLiteral("Starting Frame:"), 76, 477, true);
    Label4 = make_label(client, QStringLiteral("00"), 187, 479, true);
    Label8 = make_label(client, QStringLiteral("Ending  Frame:"), 246, 478, true);
    Label5 = make_label(client, QStringLiteral("00"), 356, 480, true);

    GroupBox1 = new QGroupBox(QStringLiteral("Bounding Box"), client);
    GroupBox1->setGeometry(10, 502, 410, 89);
    make_label(GroupBox1, QStringLiteral("X1,Y1,Z1"), 8, 24);
    make_label(GroupBox1, QStringLiteral("X2,Y2,Z2"), 8, 54);
    for (int field = 0; field < 6; ++field) {
        const int column = field % 3, row = field / 3;
        box_fields[field] = make_spin_edit(GroupBox1, 62 + 74 * column, 20 + 30 * row, 70);
        box_fields[field]->setObjectName(QStringLiteral("SpinEdit%1").arg(field + 2));
    }
    CheckBox1 = new QCheckBox(QStringLiteral("Show"), GroupBox1);
    CheckBox1->setGeometry(290, 20, 80, 21);
    Button1 = make_button(GroupBox1, QStringLiteral("Automatic Bound"), 286, 50, 116, 25);

    GroupBox2 = new QGroupBox(QStringLiteral("Animation Parameters"), client);
    GroupBox2->setGeometry(9, 597, 411, 81);
    const char* captions[] = {"Next Animation", "Next Frame", "Frame rate", "Amount Frames"};
    TSpinEdit* parameters[4];
    for (int i = 0; i < 4; ++i) {
        // The captions are a point smaller so that four fit side by side.
        QLabel* caption = make_label(GroupBox2, QString::fromLatin1(captions[i]), 8 + 70 * i, 20);
        QFont small = caption->font();
        small.setPointSize(7);
        caption->setFont(small);
        caption->adjustSize();
        parameters[i] = make_spin_edit(GroupBox2, 8 + 70 * i, 38, 64);
        parameters[i]->setObjectName(QStringLiteral("SpinEdit%1").arg(i + 8));
    }
    SpinEdit8 = parameters[0];
    SpinEdit9 = parameters[1];
    SpinEdit10 = parameters[2];
    SpinEdit11 = parameters[3];
    Button2 = make_button(GroupBox2, QStringLiteral("<--- Apply changes"), 292, 36, 112, 25);

    Panel1 = new QWidget(client);
    Panel1->setGeometry(429, 49, 564, 627);
    Panel1->setLayout(new QVBoxLayout);
    Panel1->layout()->setContentsMargins(0, 0, 0, 0);

    Timer1 = new TTimer(this);
    Timer1->setInterval(100);
    Timer1->setEnabled(false);

    // Focus entering a list decides what the viewport shows.
    ListBox1->installEventFilter(this);
    ListBox2->installEventFilter(this);
}

void TForm1::create_menus()
{
    File1 = menuBar()->addMenu(QStringLiteral("&File"));
    Open1 = File1->addAction(QStringLiteral("&Open"));
    Open1->setShortcut(QKeySequence::Open);
    SaveAs1 = File1->addAction(QStringLiteral("&Save As..."));
    SaveAs1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    File1->addSeparator();
    ExporttoMS3d1 = File1->addAction(QStringLiteral("Export to MS3d"));
    ExporttoMS3d1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    ImportFromMS3d1 = File1->addAction(QStringLiteral("Import From MS3d"));
    ExporttoGltf1 = File1->addAction(QStringLiteral("Export to glTF..."));
    ImportfromglTF1 = File1->addAction(QStringLiteral("Import from glTF/FBX..."));
    File1->addSeparator();
    Exit1 = File1->addAction(QStringLiteral("&Exit"));
    Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    File1->addSeparator();  // the recent files follow here

    Edit1 = menuBar()->addMenu(QStringLiteral("Edit"));
    auto* export_mode = new QActionGroup(this);
    ExportbyBones1 = Edit1->addAction(QStringLiteral("Export by Bones"));
    ExportbyTexture1 = Edit1->addAction(QStringLiteral("Export by Texture"));
    for (QAction* item : {ExportbyBones1, ExportbyTexture1}) {
        item->setCheckable(true);
        export_mode->addAction(item);
    }
    ExportbyTexture1->setChecked(true);
    Edit1->addSeparator();
    IgnoreTranslation1 = Edit1->addAction(QStringLiteral("Ignore Translation"));
    IgnoreTranslation1->setCheckable(true);
    Edit1->addSeparator();
    FixRootYposition1 = Edit1->addAction(QStringLiteral("Fix Bone Root Y position"));
    FixRootYposition1->setCheckable(true);

    About1 = menuBar()->addMenu(QStringLiteral("About"));
    About2 = About1->addAction(QStringLiteral("About"));
}

void TForm1::connect_handlers()
{
    connect(Open1, &QAction::triggered, this, &TForm1::Open1Click);
    connect(SaveAs1, &QAction::triggered, this, &TForm1::SaveAs1Click);
    connect(ExporttoMS3d1, &QAction::triggered, this, &TForm1::ExporttoMS3d1Click);
    connect(ImportFromMS3d1, &QAction::triggered, this, &TForm1::ImportFromMS3d1Click);
    connect(ExporttoGltf1, &QAction::triggered, this, &TForm1::ExporttoGltf1Click);
    connect(ImportfromglTF1, &QAction::triggered, this, &TForm1::ImportfromglTF1Click);
    connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
    connect(About2, &QAction::triggered, this, &TForm1::About2Click);
    // The check items flip their own mark before the handler runs.
    connect(IgnoreTranslation1, &QAction::triggered, this, &TForm1::IgnoreTranslation1Click);
    connect(FixRootYposition1, &QAction::triggered, this, &TForm1::FixRootYposition1Click);

    // Only the user's choices run the handlers; the open flow selects rows
    // itself and calls the handlers in its own order.
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] { ListBox1Click(); });
    connect(ListBox2, &QListWidget::currentRowChanged, this, [this] { ListBox2Click(); });
    connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });
    // The keyframe number runs its handler on every change, also those made
    // by code (playback, the open flow, the automatic bound).
    connect(SpinEdit1, &QSpinBox::valueChanged, this, [this] { SpinEdit1Change(); });
    for (int field = 0; field < 6; ++field)
        connect(box_fields[field], &QSpinBox::valueChanged, this, [this, field] { SpinEditBoxChange(field); });
    connect(CheckBox1, &QCheckBox::clicked, this, &TForm1::CheckBox1Click);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(SpeedButton1, &QPushButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(Timer1, &TTimer::OnTimer, this, &TForm1::Timer1Timer);
}

void TForm1::ArrangeControls()
{
    const int w = width(), h = height();
    if (w >= design_width) {
        Panel1->resize(w - 16 - Panel1->x(), Panel1->height());
        Timeline1->resize(w - 16 - Timeline1->x(), Timeline1->height());
    }
    if (h >= design_height) {
        Panel1->resize(Panel1->width(), h - 64 - Panel1->y());
        GroupBox2->move(GroupBox2->x(), h - 64 - GroupBox2->height());
        GroupBox1->move(GroupBox1->x(), GroupBox2->y() - 8 - GroupBox1->height());
        Label7->move(Label7->x(), GroupBox1->y() - 24);
        for (QLabel* label : {Label8, Label4, Label5}) label->move(label->x(), Label7->y());
        ListBox2->move(ListBox2->x(), Label7->y() - 16 - ListBox2->height());
        ListBox1->resize(ListBox1->width(), ListBox2->y() - 8 - ListBox1->y());
    }
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    ArrangeControls();  // FormResize
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == ListBox1) ListBox1Enter();
        if (watched == ListBox2) ListBox2Enter();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (data->hasUrls() && !data->urls().isEmpty() && data->urls().front().isLocalFile())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    OpenLevel(urls.front().toLocalFile());
}

void TForm1::Exit1Click() { close(); }

void TForm1::About2Click()
{
    show_message(this, QStringLiteral("Kelanim\nAnimations of Tomb Raider levels."), MessageIcon::information,
                 QStringLiteral("About"));
}

bool TForm1::playing() const { return SpeedButton1->isChecked(); }

SceneSelection TForm1::selection() const
{
    SceneSelection s;
    s.view_mode = ViewMode;
    s.moveable = ListBox1->currentRow();
    s.animation = ComboBox1->currentIndex();
    s.keyframe = SpinEdit1->value();
    s.static_mesh = ListBox2->currentRow();
    s.show_box = CheckBox1->isChecked();
    s.ignore_translation = IgnoreTranslation1->isChecked();
    return s;
}

}  // namespace kelanim
