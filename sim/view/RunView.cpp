// quorvin-camsim --view: the window on the program's main thread, beside the server's own.
#include <QApplication>
#include <QSocketNotifier>

#include "sim/View.h"
#include "sim/view/CameraView.h"

namespace Camsim {

std::string viewUnavailable() {
    // Without a display the platform plugin would abort the program.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return "--view needs a display (DISPLAY and WAYLAND_DISPLAY are empty): run it on a "
               "desktop or under xvfb-run";
    }
    return {};
}

int runView(PtyServer& server, const ViewOptions& options, int quitFd) {
    // The program's own options are not the toolkit's.
    int argc = 1;
    char name[] = "quorvin-camsim";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvin-camsim"));

    View::CameraViewWindow window(server);
    if (options.width && options.height) window.resize(*options.width, *options.height);
    if (options.x && options.y) window.move(*options.x, *options.y);
    window.show();

    QSocketNotifier quit(quitFd, QSocketNotifier::Read);
    QObject::connect(&quit, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    return app.exec();
}

}  // namespace Camsim
