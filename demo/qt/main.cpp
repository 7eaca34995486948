// quorvin-demo: the Demo dialog.
//
//   quorvin-demo [--port PATH] [--connect] [--screenshot FILE]
//
// --port puts PATH into the port field; --connect connects at start, as a click on Connect
// would; --screenshot renders the dialog off-screen into a PNG file and exits instead of
// showing it (a failure message box is then printed to standard error instead of waiting).
#include <QApplication>
#include <QCommandLineParser>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "demo/qt/QtDemoDialog.h"
#include "ports/PortList.h"

namespace {

bool hasOption(int argc, char** argv, const char* name) {
    for (int i = 1; i < argc; ++i) {
        const std::size_t length = std::strlen(name);
        if (std::strncmp(argv[i], name, length) == 0 &&
            (argv[i][length] == '\0' || argv[i][length] == '=')) {
            return true;
        }
    }
    return false;
}

// While nobody looks at the screen, a message box is answered as soon as it shows, and its text
// goes to standard error.
class MessageBoxAnswerer : public QObject {
  public:
    bool answered() const { return seen; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(box->windowTitle()),
                             qPrintable(box->text()));
                seen = true;
                QMetaObject::invokeMethod(box, &QMessageBox::accept, Qt::QueuedConnection);
            }
        }
        return false;
    }

  private:
    bool seen = false;
};

}  // namespace

int main(int argc, char** argv) {
    // A screenshot needs no display.
    if (hasOption(argc, argv, "--screenshot") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvin Demo"));
    QApplication::setWindowIcon(Demo::programIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Drives one VISCA camera on a serial port."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Serial port to preselect."),
                                        QStringLiteral("PATH"));
    const QCommandLineOption connectOption(QStringLiteral("connect"),
                                           QStringLiteral("Connect at start."));
    const QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"), QStringLiteral("Save the dialog as a PNG file and exit."),
        QStringLiteral("FILE"));
    parser.addOptions({portOption, connectOption, screenshotOption});
    parser.process(app);

    Demo::QtDemoDialog dialog(Ports::listSerialPorts());
    if (parser.isSet(portOption)) {
        dialog.selectPort(parser.value(portOption));
    }

    if (!parser.isSet(screenshotOption)) {
        if (parser.isSet(connectOption)) {
            QTimer::singleShot(0, &dialog, [&dialog] { dialog.connectCamera(); });
        }
        dialog.exec();
        return 0;
    }

    MessageBoxAnswerer answerer;
    app.installEventFilter(&answerer);
    if (parser.isSet(connectOption)) {
        dialog.connectCamera();
    }
    dialog.setAttribute(Qt::WA_DontShowOnScreen);
    dialog.show();
    const QString file = parser.value(screenshotOption);
    if (!dialog.grab().save(file, "PNG")) {
        std::fprintf(stderr, "quorvin-demo: cannot write %s\n", qPrintable(file));
        return 1;
    }
    return answerer.answered() ? 1 : 0;
}
