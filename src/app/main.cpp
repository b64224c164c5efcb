// kelanim [LEVEL]: the window, opening LEVEL when one is given.
#include <QApplication>
#include <QStringList>
#include <QTimer>

#include "app/main_window.h"
#include "render/gl/graphics_context.h"

int main(int argc, char* argv[])
{
    kelanim::set_graphics_format();  // before the application object
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelanim"));

    kelanim::TForm1 window;
    window.showMaximized();

    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        const QString level = arguments.at(1);
        QTimer::singleShot(0, &window, [&window, level] { window.OpenLevel(level); });
    }
    return app.exec();
}
