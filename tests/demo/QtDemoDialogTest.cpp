// The Qt dialog on the off-screen platform, driven with real mouse and key events against the
// virtual camera on a pseudo-terminal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>

#include "demo/qt/QtDemoDialog.h"
#include "sim/PtyServer.h"
#include "tests/support/LogSandbox.h"

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace DemoTest {
namespace {

using namespace Demo;

using TestSupport::LogSandbox;

struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    std::optional<Qt::CursorShape> cursor;  // the application's cursor while the box was up
};

// Answers the next message box as a user would, by clicking its OK button, and keeps what it
// showed. The box is modal, so the check runs from the event loop that the box itself spins.
class BoxWatcher {
  public:
    BoxWatcher() { poll(); }
    const std::optional<SeenBox>& seen() const { return box; }

  private:
    void poll() {
        QTimer::singleShot(10, [this] {
            if (auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                SeenBox seenBox{shown->windowTitle(), shown->text(), shown->icon(),
                                shown->standardButtons(), std::nullopt};
                if (const QCursor* cursor = QApplication::overrideCursor()) {
                    seenBox.cursor = cursor->shape();
                }
                box = seenBox;
                QTest::mouseClick(shown->button(QMessageBox::Ok), Qt::LeftButton);
            } else if (!box) {
                poll();
            }
        });
    }
    std::optional<SeenBox> box;
};

class QtDemoDialogTest : public ::testing::Test {
  protected:
    QtDemoDialogTest() : dialog({"COM1", "COM2", "COM3", "COM4"}) {
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    template <typename Widget>
    Widget* control(int id) const {
        auto* widget = dialog.findChild<Widget*>(QString::number(id));
        EXPECT_NE(widget, nullptr) << "control " << id;
        return widget;
    }
    void click(int id) { QTest::mouseClick(control<QAbstractButton>(id), Qt::LeftButton); }

    void connectTo(const Camsim::PtyServer& server) {
        dialog.selectPort(QString::fromStdString(server.devicePath()));
        click(IdConnect);
        ASSERT_TRUE(dialog.isConnected());
    }
    void expectCameraControlsEnabled(bool enabled) const {
        for (int id : DemoDialog::CAMERA_CONTROLS) {
            EXPECT_EQ(control<QWidget>(id)->isEnabled(), enabled) << "control " << id;
        }
    }

    LogSandbox sandbox;
    QtDemoDialog dialog;
};

TEST_F(QtDemoDialogTest, ShowsEveryControlOfTheTemplateUnderItsIdentifier) {
    EXPECT_EQ(dialog.windowTitle(), "Quorvin Demo");
    EXPECT_FALSE(dialog.windowIcon().isNull());
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());

    const struct {
        int id;
        const char* text;
    } buttons[] = {{IdConnect, "&Connect"},
                   {IdPowerOn, "Power On"},
                   {IdAutoFocus, "Auto Focus"},
                   {IdDigitalZoom, "Digital Zoom"},
                   {IdIn, "&In"},
                   {IdOut, "&Out"},
                   {IdHome, "&Home"},
                   {IdUp, "&Up"},
                   {IdDown, "&Down"},
                   {IdLeft, "&Left"},
                   {IdRight, "&Right"},
                   {IdExit, "E&xit"}};
    for (const auto& button : buttons) {
        if (auto* widget = control<QAbstractButton>(button.id)) {
            EXPECT_EQ(widget->text(), button.text);
        }
    }
    EXPECT_TRUE(control<QPushButton>(IdHome)->isDefault());
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        labels << label->text();
    }
    EXPECT_EQ(labels, (QStringList{"Port:", "Zoom Speed:", "Pan Speed:", "Tilt Speed:"}));
    QStringList groups;
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        groups << group->title();
    }
    groups.sort();  // frames are stacked under the controls, which reorders them
    EXPECT_EQ(groups, (QStringList{"", "Move", "Speed", "Zoom"}));

    auto* port = control<QComboBox>(IdPort);
    EXPECT_TRUE(port->isEditable());
    EXPECT_EQ(port->currentText(), "COM1");
    EXPECT_EQ(port->count(), 4);
    EXPECT_GE(port->lineEdit()->maxLength(), 255);  // a device path fits
}

// Only the arrows change a speed, within its range.
TEST_F(QtDemoDialogTest, SpeedsStepWithinTheirRangesAndCannotBeTyped) {
    const struct {
        int id;
        int start;
        int lowest;
        int highest;
    } speeds[] = {{IdZoomSpeed, 4, 0, 7}, {IdPanSpeed, 12, 1, 24}, {IdTiltSpeed, 10, 1, 20}};
    for (const auto& speed : speeds) {
        SCOPED_TRACE(speed.id);
        auto* box = control<QSpinBox>(speed.id);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->value(), speed.start);
        box->setFocus();
        QTest::keyClicks(box, "9");
        EXPECT_EQ(box->value(), speed.start);
        for (int i = 0; i < 30; ++i) {
            QTest::keyClick(box, Qt::Key_Up);
        }
        EXPECT_EQ(box->value(), speed.highest);
        for (int i = 0; i < 30; ++i) {
            QTest::keyClick(box, Qt::Key_Down);
        }
        EXPECT_EQ(box->value(), speed.lowest);
    }
}

TEST_F(QtDemoDialogTest, HoldingUpTiltsTheCameraUntilTheRelease) {
    Camsim::PtyServer server;
    connectTo(server);
    EXPECT_EQ(control<QPushButton>(IdConnect)->text(), "Disco&nnect");
    EXPECT_TRUE(control<QCheckBox>(IdPowerOn)->isChecked());
    EXPECT_FALSE(control<QComboBox>(IdPort)->isEnabled());

    auto* up = control<QPushButton>(IdUp);
    QTest::mousePress(up, Qt::LeftButton);
    EXPECT_TRUE(server.camera().panTiltMoving);
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.camera().tilt > 0; }, 5000));
    EXPECT_EQ(server.camera().pan, 0);

    QTest::mouseRelease(up, Qt::LeftButton);
    EXPECT_FALSE(server.camera().panTiltMoving);
    const int stoppedAt = server.camera().tilt;
    EXPECT_GT(stoppedAt, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(server.camera().tilt, stoppedAt);
}

// Keys and mnemonics only click a hold button; a motion needs the mouse held on it.
TEST_F(QtDemoDialogTest, KeyboardDoesNotStartAMotion) {
    Camsim::PtyServer server;
    connectTo(server);
    const auto before = server.framesReceived();
    auto* up = control<QPushButton>(IdUp);
    up->setFocus();
    QTest::keyClick(up, Qt::Key_Space);
    QTest::keyClick(&dialog, Qt::Key_U, Qt::AltModifier);
    EXPECT_EQ(server.framesReceived(), before);
    EXPECT_FALSE(server.camera().panTiltMoving);
}

TEST_F(QtDemoDialogTest, PowerOnSwitchesTheCameraAndTheControlsFollow) {
    Camsim::PtyServer server;
    connectTo(server);
    expectCameraControlsEnabled(true);

    click(IdPowerOn);
    EXPECT_FALSE(server.camera().power);
    expectCameraControlsEnabled(false);
    EXPECT_TRUE(control<QCheckBox>(IdPowerOn)->isEnabled());
    EXPECT_TRUE(control<QPushButton>(IdConnect)->isEnabled());

    click(IdPowerOn);
    EXPECT_TRUE(server.camera().power);
    expectCameraControlsEnabled(true);
}

TEST_F(QtDemoDialogTest, FailedConnectRaisesTheExceptionBoxOverTheWaitCursor) {
    dialog.selectPort(QString::fromStdString((sandbox.dir() / "no-such-port").string()));
    BoxWatcher watcher;
    click(IdConnect);

    ASSERT_TRUE(watcher.seen().has_value());
    EXPECT_EQ(watcher.seen()->caption, "Exception");
    EXPECT_EQ(watcher.seen()->text, "WinSerialCommAdaptor::connect() failed !");
    EXPECT_EQ(watcher.seen()->icon, QMessageBox::Information);
    EXPECT_EQ(watcher.seen()->buttons, QMessageBox::Ok);
    // The wait cursor is on for the whole handler, but the box itself gets a pointer.
    EXPECT_EQ(watcher.seen()->cursor, Qt::ArrowCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(dialog.isConnected());
    EXPECT_TRUE(control<QComboBox>(IdPort)->isEnabled());
}

// A camera that never answers holds the dialog for the library's transfer time-out, under the
// wait cursor, and then says so.
TEST_F(QtDemoDialogTest, SilentCameraEndsInTheTimeOutMessage) {
    Camsim::ServerOptions options;
    options.fault = Camsim::Fault::Silent;
    Camsim::PtyServer server(options);
    dialog.selectPort(QString::fromStdString(server.devicePath()));
    BoxWatcher watcher;
    const auto started = std::chrono::steady_clock::now();
    click(IdConnect);
    const auto waited = std::chrono::steady_clock::now() - started;

    ASSERT_TRUE(watcher.seen().has_value());
    EXPECT_EQ(watcher.seen()->text,
              "Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !");
    EXPECT_GE(waited, std::chrono::milliseconds(6000));
    EXPECT_LT(waited, std::chrono::milliseconds(12000));  // twice the limit
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(dialog.isConnected());
}

TEST_F(QtDemoDialogTest, FailingReleaseRaisesTheExceptionBox) {
    Camsim::PtyServer server;
    connectTo(server);
    server.setFault(Camsim::Fault::NotExecutable);
    auto* down = control<QPushButton>(IdDown);
    QTest::mousePress(down, Qt::LeftButton);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    BoxWatcher watcher;
    QTest::mouseRelease(down, Qt::LeftButton);

    ASSERT_TRUE(watcher.seen().has_value());
    EXPECT_EQ(watcher.seen()->caption, "Exception");
    EXPECT_EQ(watcher.seen()->text, "NOT_EXECUTABLE error ocurred when executing the command !");
    EXPECT_TRUE(dialog.isConnected());
}

}  // namespace
}  // namespace DemoTest
