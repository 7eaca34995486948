// The Demo dialog and the virtual camera's view side by side, as scripts/demo shows them:
// holding Up in the dialog tilts what the view shows.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTest>
#include <optional>

#include "demo/qt/QtDemoDialog.h"
#include "sim/PtyServer.h"
#include "sim/view/CameraView.h"
#include "sim/view/Scene.h"
#include "tests/support/LogSandbox.h"

namespace {

// Middle of the chart's magenta bar in a picture.
std::optional<QPointF> chartIn(const QImage& picture) {
    double sx = 0, sy = 0;
    int n = 0;
    const QRgb m = Camsim::View::CHART_MAGENTA;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            if (std::abs(qRed(c) - qRed(m)) < 24 && std::abs(qGreen(c) - qGreen(m)) < 24 &&
                std::abs(qBlue(c) - qBlue(m)) < 24) {
                sx += x;
                sy += y;
                ++n;
            }
        }
    }
    if (n == 0) return std::nullopt;
    return QPointF(sx / n, sy / n);
}

TEST(DemoWithView, HoldingUpTiltsThePictureAndReleasingStopsIt) {
    TestSupport::LogSandbox sandbox;
    Camsim::PtyServer server;
    Camsim::View::CameraViewWindow view(server);
    view.show();
    Demo::QtDemoDialog dialog({});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    dialog.selectPort(QString::fromStdString(server.devicePath()));
    QTest::mouseClick(dialog.findChild<QAbstractButton*>(QString::number(Demo::IdConnect)),
                      Qt::LeftButton);
    ASSERT_TRUE(dialog.isConnected());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.animating(); }));

    Camsim::View::CameraPane* pane = view.pane(1);
    const auto before = chartIn(pane->picture());
    ASSERT_TRUE(before.has_value());
    auto* up = dialog.findChild<QAbstractButton*>(QString::number(Demo::IdUp));
    QTest::mousePress(up, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.animating(); }, 1000));
    QTest::qWait(200);
    QTest::mouseRelease(up, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view.animating(); }));

    const int tilt = server.camera().tilt;
    EXPECT_GT(tilt, 0);
    const auto after = chartIn(pane->picture());
    ASSERT_TRUE(after.has_value());
    // Looking up puts the chart lower in the picture, by the angle turned.
    const double perDegree = pane->picture().width() / Camsim::View::WIDE_ANGLE;
    EXPECT_NEAR(after->y() - before->y(), tilt * Camsim::View::TILT_DEGREES_PER_COUNT * perDegree,
                1.5);
    EXPECT_NEAR(after->x(), before->x(), 0.5);
    EXPECT_EQ(pane->overlay().last(), QStringLiteral("last 81 01 06 01 18 14 03 03 FF"));
}

}  // namespace
