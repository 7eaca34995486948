// The world that the virtual cameras look at: a landscape all the way round, drawn with
// QPainter from shapes (no image files), with a test chart straight ahead, a clock tower whose
// clock shows the time it is given, a house, a windmill, a lighthouse by the sea, a balloon and
// the sun in the sky.
//
// Scene coordinates are degrees: x is the azimuth (0 straight ahead of a camera at pan 0,
// growing to the right), y is minus the elevation (0 on the horizon, growing downward, as a
// painter's y does). The scene repeats every 360 degrees of x and spans -90..90 in y.
#pragma once

#include <QColor>
#include <QRectF>
#include <QTime>

class QPainter;

namespace Camsim::View {

// The chart's colour bars, left to right. They are the only places of these exact colours in the
// scene, so a test (or a person) can find the chart in a picture by them.
inline constexpr QRgb CHART_BARS[] = {
    qRgb(235, 235, 235), qRgb(235, 235, 16), qRgb(16, 235, 235), qRgb(16, 235, 16),
    qRgb(235, 16, 235),  qRgb(235, 16, 16),  qRgb(16, 16, 235),
};
inline constexpr QRgb CHART_MAGENTA = CHART_BARS[4];

// Draws the parts of the scene inside `visible` (scene coordinates; x may lie beyond -180..180,
// where the scene repeats) with the painter's current transformation.
void drawScene(QPainter& painter, const QRectF& visible, QTime clock);

}  // namespace Camsim::View
