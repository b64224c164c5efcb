// kelanim [--screenshot PICTURE] [LEVEL]
// kelanim --version | --help
// Opens the window; a level named on the command line is opened and starts
// playing. With --screenshot the window is saved as PICTURE once the level
// has played for a moment, and the program ends.
#include <QApplication>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include "app/main_window.h"
#include "render/gl/graphics_context.h"

namespace {

// --version and --help are answered before Qt starts, so they work without a
// display (in a terminal over ssh, or in a packaging script).
bool answered_without_window(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("kelanim %s\n", KELANIM_VERSION);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Usage: kelanim [--screenshot PICTURE] [LEVEL]\n"
                        "       kelanim --version\n\n"
                        "Opens the animation window, on LEVEL when one is given (.phd, .tub, .tr2,\n"
                        ".tr4, .trc). --screenshot saves the window as PICTURE after a moment of\n"
                        "playback and ends. kelanim-cli does the same work without a window.\n");
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (answered_without_window(argc, argv)) return 0;
    kelanim::set_graphics_format();  // before the application object
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelanim"));

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    QString screenshot;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--screenshot")); at >= 0 && at + 1 < arguments.size()) {
        screenshot = arguments.at(at + 1);
        arguments.remove(at, 2);
    }

    kelanim::TForm1 window;
    window.showMaximized();

    if (!arguments.isEmpty()) {
        const QString level = arguments.front();
        QTimer::singleShot(0, &window, [&window, level] {
            window.OpenLevel(level);
            window.fit_camera_to_scene();
            if (!window.playing()) window.SpeedButton1->click();
        });
    }
    if (!screenshot.isEmpty()) {
        QTimer::singleShot(1500, &window, [&window, screenshot] {
            const bool saved = window.grab().save(screenshot);
            std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "saved" : "could not save",
                         screenshot.toLocal8Bit().constData());
            QApplication::exit(saved ? 0 : 1);
        });
    }
    return app.exec();
}
