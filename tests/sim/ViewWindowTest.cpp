// The camera view window over a real server, driven by raw frames on its pseudo-terminal as a
// client would send them.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTest>
#include <chrono>
#include <memory>

#include "SimTestSupport.h"
#include "sim/view/CameraView.h"

namespace {

using Camsim::View::CameraPane;
using Camsim::View::CameraViewWindow;
using SimTest::Line;
using SimTest::milliseconds;

class ViewWindow : public ::testing::Test {
  protected:
    explicit ViewWindow(int cameras = 3) : line(cameras), window(line.server) {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        settle();
    }

    // Sends a frame and drops the camera's answers.
    void send(const char* frame) {
        line.port.send(frame);
        line.port.drain(milliseconds(20));
    }
    // Lets the window catch up until nothing moves any more.
    void settle() {
        QTest::qWait(50);
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window.animating(); }, 5000));
    }
    QString lastLine(int position) const { return window.pane(position)->overlay().last(); }

    Line line;
    CameraViewWindow window;
};

TEST_F(ViewWindow, ShowsOnePanePerCameraLabelledWithItsAddress) {
    ASSERT_EQ(window.paneCount(), 3);
    for (int p = 1; p <= 3; ++p) {
        EXPECT_EQ(window.pane(p)->caption(), QStringLiteral("Camera %1 \u00b7 address %1").arg(p));
        EXPECT_TRUE(window.pane(p)->isVisible());
        EXPECT_FALSE(window.pane(p)->picture().isNull());
    }
    EXPECT_TRUE(window.windowTitle().contains(QString::fromStdString(line.server.devicePath())));

    send("88 30 03 FF");
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return window.pane(3)->caption().endsWith(QStringLiteral("address 5")); }));
    EXPECT_EQ(window.pane(1)->caption(), QStringLiteral("Camera 1 \u00b7 address 3"));
}

TEST_F(ViewWindow, ShowsTheLastCommandOfEachCameraAndItsEffect) {
    EXPECT_EQ(lastLine(2), QStringLiteral("last -"));
    const QImage before = window.pane(2)->picture();
    send("82 01 04 63 04 FF");  // monochrome
    send("82 09 04 63 FF");     // an inquiry is not a command
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return lastLine(2) == QStringLiteral("last 82 01 04 63 04 FF"); }));
    EXPECT_EQ(lastLine(1), QStringLiteral("last -"));
    EXPECT_TRUE(window.pane(2)->overlay().join('\n').contains(QStringLiteral("effect monochrome")));
    const QImage after = window.pane(2)->picture();
    EXPECT_NE(after, before);
    const QRgb c = after.pixel(after.width() / 2, after.height() / 3);
    EXPECT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));

    send("88 01 04 62 02 FF");  // a broadcast freeze reaches every camera
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return lastLine(3) == QStringLiteral("last 88 01 04 62 02 FF"); }));
}

// Frames are drawn while a camera moves and stop when it stops: no timer runs at rest.
TEST_F(ViewWindow, DrawsFramesOnlyWhileACameraMoves) {
    EXPECT_FALSE(window.animating());
    const QImage rest = window.pane(1)->picture();
    send("81 01 06 01 04 14 02 03 FF");  // pan right, slowly
    EXPECT_TRUE(QTest::qWaitFor([this] { return window.animating(); }, 1000));
    QTest::qWait(150);
    const QImage moving = window.pane(1)->picture();
    EXPECT_NE(moving, rest);
    QTest::qWait(150);
    EXPECT_NE(window.pane(1)->picture(), moving);
    EXPECT_EQ(window.pane(2)->picture(), rest) << "a camera at rest keeps its picture";

    send("81 01 06 01 04 14 03 03 FF");  // stop
    settle();
    const QImage stopped = window.pane(1)->picture();
    QTest::qWait(200);
    EXPECT_FALSE(window.animating());
    EXPECT_EQ(window.pane(1)->picture(), stopped);
}

TEST_F(ViewWindow, FreezeHoldsThePaneWhileTheOverlayFollowsTheCamera) {
    send("81 01 04 62 02 FF");
    settle();
    const QImage frozen = window.pane(1)->picture();
    send("81 01 06 02 18 14 00 01 00 00 00 00 00 00 FF");  // pan to 256
    EXPECT_TRUE(QTest::qWaitFor(
        [this] {
            return window.pane(1)->overlay().at(1).startsWith(
                QStringLiteral("pan 32.0\u00b0 (256)"));
        },
        5000));
    settle();
    EXPECT_EQ(window.pane(1)->picture(), frozen);
    send("81 01 04 62 03 FF");
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.pane(1)->picture() != frozen; }));
}

TEST_F(ViewWindow, PowerOffDarkensOnlyThatCamerasPane) {
    send("82 01 04 00 03 FF");
    EXPECT_TRUE(QTest::qWaitFor([this] {
        return window.pane(2)->overlay().first() == QStringLiteral("power off (standby)");
    }));
    const auto brightness = [](const QImage& image) {
        return qGray(
            image.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixel(0, 0));
    };
    EXPECT_LT(brightness(window.pane(2)->picture()), 30);
    EXPECT_GT(brightness(window.pane(1)->picture()), 80);
}

TEST_F(ViewWindow, OverlaySwitchesWithTheKeyO) {
    CameraPane* pane = window.pane(1);
    const QImage shown = pane->grab().toImage();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_O);
    EXPECT_FALSE(window.overlayAction()->isChecked());
    const QImage hidden = pane->grab().toImage();
    EXPECT_NE(hidden, shown);
    // Without the overlay the pane shows the picture alone.
    const QRect r = pane->pictureRect();
    ASSERT_EQ(r.size(), pane->picture().size());
    EXPECT_EQ(hidden.copy(r).convertToFormat(QImage::Format_RGB32), pane->picture());
    QTest::keyClick(&window, Qt::Key_O);
    EXPECT_TRUE(window.overlayAction()->isChecked());
    EXPECT_EQ(pane->grab().toImage(), shown);
}

}  // namespace
