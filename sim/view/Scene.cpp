#include "sim/view/Scene.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <cmath>
#include <cstdint>

namespace Camsim::View {

namespace {

constexpr double PI = 3.14159265358979323846;

double rad(double degrees) { return degrees * PI / 180.0; }

// Heights of two mountain ranges above the horizon, in degrees. Whole numbers of waves per turn,
// so that the ranges join up at +-180.
double farRange(double x) {
    return 4.0 + 2.2 * std::sin(rad(3 * x) + 0.4) + 1.4 * std::sin(rad(7 * x) + 1.3) +
           0.8 * std::sin(rad(17 * x) + 2.0) + 0.35 * std::sin(rad(41 * x));
}
double nearHills(double x) {
    return 1.6 + 0.9 * std::sin(rad(5 * x) + 2.5) + 0.5 * std::sin(rad(11 * x) + 0.7) +
           0.2 * std::sin(rad(29 * x) + 1.1);
}

// A small fixed generator, so that flowers and trees stay where they are from run to run.
class Scatter {
  public:
    explicit Scatter(std::uint32_t seed) : current(seed) {}
    double next(double lo, double hi) {
        current = current * 1664525u + 1013904223u;
        return lo + (hi - lo) * ((current >> 8) / double(1u << 24));
    }

  private:
    std::uint32_t current;
};

void ridge(QPainter& p, double (*height)(double), double left, double right, QColor colour) {
    QPolygonF shape;
    shape << QPointF(left, 0.5);
    for (double x = left; x <= right + 0.5; x += 0.5) shape << QPointF(x, -height(x));
    shape << QPointF(right + 0.5, 0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(shape);
}

void sky(QPainter& p) {
    QLinearGradient g(0, -70, 0, 0);
    g.setColorAt(0, QColor(20, 70, 160));
    g.setColorAt(1, QColor(175, 210, 238));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRect(QRectF(-180.5, -90, 361, 90));

    const QPointF sun(-60, -32);
    QRadialGradient glow(sun, 14);
    glow.setColorAt(0, QColor(255, 245, 200, 200));
    glow.setColorAt(1, QColor(255, 245, 200, 0));
    p.setBrush(glow);
    p.drawEllipse(sun, 14, 14);
    p.setBrush(QColor(255, 238, 150));
    p.drawEllipse(sun, 3, 3);

    struct Cloud {
        double x, y, size;
    };
    const Cloud clouds[] = {{-20, -24, 1.0}, {25, -30, 1.4},  {70, -20, 0.8},   {115, -35, 1.2},
                            {160, -22, 1.0}, {-95, -40, 1.3}, {-140, -26, 0.9}, {5, -48, 1.1}};
    for (const Cloud& c : clouds) {
        p.setBrush(QColor(246, 248, 252));
        const double s = c.size;
        p.drawEllipse(QPointF(c.x, c.y), 5 * s, 1.8 * s);
        p.drawEllipse(QPointF(c.x - 2.5 * s, c.y - 1.2 * s), 2.6 * s, 2.0 * s);
        p.drawEllipse(QPointF(c.x + 1.5 * s, c.y - 1.8 * s), 3.0 * s, 2.4 * s);
        p.setBrush(QColor(215, 222, 235));
        p.drawEllipse(QPointF(c.x + 0.5 * s, c.y + 1.0 * s), 4.2 * s, 0.7 * s);
    }

    // A hot-air balloon: red and yellow gores over a basket.
    const QPointF balloon(-100, -22);
    p.setBrush(QColor(200, 40, 30));
    p.drawEllipse(balloon, 3.0, 3.6);
    p.setBrush(QColor(245, 200, 40));
    p.drawEllipse(balloon, 1.1, 3.6);
    p.setPen(QPen(QColor(70, 50, 30), 0.08));
    p.drawLine(balloon + QPointF(-2.2, 2.4), balloon + QPointF(-0.5, 5.2));
    p.drawLine(balloon + QPointF(2.2, 2.4), balloon + QPointF(0.5, 5.2));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 80, 40));
    p.drawRect(QRectF(balloon + QPointF(-0.6, 5.0), QSizeF(1.2, 0.9)));

    // Birds.
    p.setPen(QPen(QColor(40, 40, 50), 0.12, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QPointF birds[] = {{-8, -36}, {-5, -38}, {-3, -35}, {48, -42}, {51, -40}};
    for (const QPointF& b : birds) {
        QPainterPath v;
        v.moveTo(b + QPointF(-0.8, -0.3));
        v.quadTo(b + QPointF(-0.4, -0.5), b);
        v.quadTo(b + QPointF(0.4, -0.5), b + QPointF(0.8, -0.3));
        p.drawPath(v);
    }
}

void land(QPainter& p) {
    // Mountains far away, with snow on the peaks, then greener hills.
    ridge(p, farRange, -180, 180, QColor(118, 136, 168));
    QPolygonF snow;
    p.setBrush(QColor(240, 244, 250));
    for (double x = -180; x < 180; x += 0.5) {
        const double h = farRange(x);
        if (h > 6.6) {
            p.drawPolygon(QPolygonF({QPointF(x, -h), QPointF(x + 0.5, -farRange(x + 0.5)),
                                     QPointF(x + 0.5, -6.4), QPointF(x, -6.4)}));
        }
    }
    ridge(p, nearHills, -180, 180, QColor(96, 132, 88));

    QLinearGradient ground(0, 0, 0, 70);
    ground.setColorAt(0, QColor(118, 158, 84));
    ground.setColorAt(1, QColor(52, 104, 40));
    p.setBrush(ground);
    p.drawRect(QRectF(-180.5, 0, 361, 90));

    // The sea, from the lighthouse's cliff round to the back.
    QLinearGradient sea(0, 0, 0, 9);
    sea.setColorAt(0, QColor(70, 130, 180));
    sea.setColorAt(1, QColor(30, 85, 140));
    p.setBrush(sea);
    QPainterPath shore;
    shore.moveTo(100, 0);
    shore.lineTo(175, 0);
    shore.cubicTo(176, 4, 170, 9, 160, 9);
    shore.lineTo(110, 9);
    shore.cubicTo(104, 9, 100, 4, 100, 0);
    p.drawPath(shore);
    p.setPen(QPen(QColor(200, 225, 240), 0.08));
    for (int i = 0; i < 14; ++i) {
        const double x = 106 + i * 4.6;
        const double y = 1.2 + (i % 4) * 1.8;
        p.drawLine(QPointF(x, y), QPointF(x + 2.0, y));
    }
    p.setPen(Qt::NoPen);

    // The road to the chart.
    p.setBrush(QColor(150, 144, 132));
    p.drawPolygon(
        QPolygonF({QPointF(-0.8, 5), QPointF(0.8, 5), QPointF(14, 90), QPointF(-14, 90)}));
    p.setBrush(QColor(245, 245, 235));
    for (double y = 7; y < 90; y += 4 + y * 0.35) {
        const double half = 0.05 + y * 0.012;
        p.drawRect(QRectF(-half, y, 2 * half, 1.2 + y * 0.08));
    }

    // Flowers and stones in the meadow.
    Scatter scatter(7);
    const QColor flowers[] = {QColor(250, 205, 60), QColor(250, 250, 250), QColor(240, 130, 165)};
    for (int i = 0; i < 260; ++i) {
        const double x = scatter.next(-180, 180);
        const double y = scatter.next(4, 75);
        if (std::abs(x) < 2 + y * 0.17 || (x > 100 && x < 176 && y < 10)) continue;
        const double r = 0.08 + y * 0.006;
        p.setBrush(flowers[i % 3]);
        p.drawEllipse(QPointF(x, y), r, r);
    }
    for (int i = 0; i < 40; ++i) {
        const double x = scatter.next(-180, 180);
        const double y = scatter.next(10, 80);
        if (std::abs(x) < 2 + y * 0.17 || (x > 100 && x < 176 && y < 10)) continue;
        const double r = 0.3 + y * 0.02;
        p.setBrush(QColor(128, 124, 118));
        p.drawEllipse(QPointF(x, y), r * 1.4, r);
    }
}

void tree(QPainter& p, double x, double size) {
    p.setBrush(QColor(92, 66, 40));
    p.drawRect(QRectF(x - 0.15 * size, -1.2 * size, 0.3 * size, 1.2 * size));
    p.setBrush(QColor(40, 96, 48));
    p.drawEllipse(QPointF(x, -2.4 * size), 1.2 * size, 1.6 * size);
    p.setBrush(QColor(58, 120, 60));
    p.drawEllipse(QPointF(x - 0.3 * size, -2.7 * size), 0.6 * size, 0.8 * size);
}

void chart(QPainter& p) {
    // Legs, board and frame.
    p.setBrush(QColor(90, 70, 50));
    p.drawRect(QRectF(-7, 2, 0.6, 5));
    p.drawRect(QRectF(6.4, 2, 0.6, 5));
    p.setBrush(QColor(40, 40, 44));
    p.drawRect(QRectF(-10.5, -12, 21, 15));
    p.setBrush(QColor(225, 225, 225));
    p.drawRect(QRectF(-10, -11.5, 20, 14));

    // Colour bars.
    const double barWidth = 18.0 / 7;
    for (int i = 0; i < 7; ++i) {
        p.setBrush(QColor(CHART_BARS[i]));
        p.drawRect(QRectF(-9 + i * barWidth, -10.5, barWidth, 6));
    }
    // Grey steps.
    for (int i = 0; i < 9; ++i) {
        const int v = 16 + i * (235 - 16) / 8;
        p.setBrush(QColor(v, v, v));
        p.drawRect(QRectF(-9 + i * 2.0, -4.3, 2.0, 1.6));
    }
    // A star of wedges for focus, and lines that get finer for resolution.
    const QPointF star(-5.5, -0.2);
    p.setBrush(QColor(20, 20, 20));
    for (int i = 0; i < 36; i += 2) {
        QPainterPath wedge;
        wedge.moveTo(star);
        wedge.arcTo(QRectF(star.x() - 2.3, star.y() - 2.3, 4.6, 4.6), i * 10.0, 10.0);
        wedge.closeSubpath();
        p.drawPath(wedge);
    }
    for (int group = 0; group < 4; ++group) {
        const double pitch = 0.36 / (1 << group);
        const double left = -1.8 + group * 2.8;
        for (int i = 0; i < 5; ++i) {
            p.drawRect(QRectF(left + i * 2 * pitch, -2.3, pitch, 4.2));
        }
    }
    // A ring with a cross, to show where the middle is.
    p.setPen(QPen(QColor(20, 20, 20), 0.12));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(0, -7.5), 2.2, 2.2);
    p.drawLine(QPointF(-2.8, -7.5), QPointF(2.8, -7.5));
    p.drawLine(QPointF(0, -10.3), QPointF(0, -4.7));
    p.setPen(Qt::NoPen);

    p.save();
    p.translate(7.2, 1.6);
    p.scale(0.04, 0.04);
    QFont font;
    font.setPixelSize(20);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(30, 30, 30));
    p.drawText(QRectF(-60, -30, 120, 40), Qt::AlignCenter, QStringLiteral("QUORVIN"));
    p.restore();
}

void house(QPainter& p) {
    p.setBrush(QColor(230, 218, 186));
    p.drawRect(QRectF(31, -5, 8, 5));
    p.setBrush(QColor(165, 62, 42));
    p.drawPolygon(QPolygonF({QPointF(30.2, -5), QPointF(35, -8.6), QPointF(39.8, -5)}));
    p.drawRect(QRectF(37, -8.5, 0.8, 2.2));
    p.setBrush(QColor(110, 70, 40));
    p.drawRect(QRectF(34.3, -2.6, 1.4, 2.6));
    for (double wx : {32.0, 36.8}) {
        p.setBrush(QColor(250, 250, 245));
        p.drawRect(QRectF(wx - 0.1, -4.1, 1.4, 1.4));
        p.setBrush(QColor(140, 185, 220));
        p.drawRect(QRectF(wx, -4.0, 1.2, 1.2));
    }
}

void clockTower(QPainter& p, QTime clock) {
    p.setBrush(QColor(176, 166, 146));
    p.drawRect(QRectF(-37, -16, 4, 16));
    p.setBrush(QColor(86, 88, 110));
    p.drawPolygon(QPolygonF({QPointF(-37.4, -16), QPointF(-35, -22), QPointF(-32.6, -16)}));
    p.setBrush(QColor(60, 50, 45));
    p.drawRect(QRectF(-35.6, -2, 1.2, 2));

    const QPointF centre(-35, -12);
    p.setBrush(QColor(250, 250, 245));
    p.setPen(QPen(QColor(40, 40, 40), 0.1));
    p.drawEllipse(centre, 1.6, 1.6);
    for (int h = 0; h < 12; ++h) {
        const double a = rad(h * 30.0);
        p.drawLine(centre + QPointF(std::sin(a), -std::cos(a)) * 1.25,
                   centre + QPointF(std::sin(a), -std::cos(a)) * 1.45);
    }
    const double minutes = clock.minute();
    const double hours = (clock.hour() % 12) + minutes / 60.0;
    const double ha = rad(hours * 30.0);
    const double ma = rad(minutes * 6.0);
    p.setPen(QPen(QColor(20, 20, 20), 0.18, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + QPointF(std::sin(ha), -std::cos(ha)) * 0.8);
    p.setPen(QPen(QColor(20, 20, 20), 0.11, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + QPointF(std::sin(ma), -std::cos(ma)) * 1.25);
    p.setPen(Qt::NoPen);
}

void windmill(QPainter& p) {
    p.setBrush(QColor(210, 200, 178));
    p.drawPolygon(
        QPolygonF({QPointF(73, 0), QPointF(73.8, -8.4), QPointF(76.2, -8.4), QPointF(77, 0)}));
    p.setBrush(QColor(90, 70, 55));
    p.drawEllipse(QPointF(75, -9), 1.4, 1.0);
    p.setPen(QPen(QColor(245, 245, 240), 0.12));
    for (int i = 0; i < 4; ++i) {
        const double a = rad(20 + i * 90.0);
        const QPointF tip(75 + 5.2 * std::cos(a), -9 - 5.2 * std::sin(a));
        const QPointF side(0.5 * -std::sin(a), 0.5 * -std::cos(a));
        p.drawLine(QPointF(75, -9), tip);
        p.drawLine(QPointF(75, -9) + side * 0.6 + (tip - QPointF(75, -9)) * 0.25, tip + side);
        p.drawLine(tip, tip + side);
    }
    p.setPen(Qt::NoPen);
}

void lighthouse(QPainter& p) {
    p.setBrush(QColor(120, 110, 96));
    p.drawPolygon(
        QPolygonF({QPointF(121, 1.5), QPointF(124, -3), QPointF(136, -3.4), QPointF(139, 1.5)}));
    for (int band = 0; band < 5; ++band) {
        const double y0 = -3 - band * 2.2;
        const double w0 = 1.3 - band * 0.1;
        const double w1 = 1.3 - (band + 1) * 0.1;
        p.setBrush(band % 2 ? QColor(245, 245, 240) : QColor(200, 40, 40));
        p.drawPolygon(QPolygonF({QPointF(130 - w0, y0), QPointF(130 - w1, y0 - 2.2),
                                 QPointF(130 + w1, y0 - 2.2), QPointF(130 + w0, y0)}));
    }
    p.setBrush(QColor(255, 230, 120));
    p.drawRect(QRectF(129.3, -15.6, 1.4, 1.6));
    p.setBrush(QColor(50, 50, 60));
    p.drawPolygon(QPolygonF({QPointF(128.9, -15.6), QPointF(130, -16.8), QPointF(131.1, -15.6)}));
}

void barn(QPainter& p) {
    p.setBrush(QColor(140, 42, 36));
    p.drawRect(QRectF(-176, -5.5, 9, 5.5));
    p.setBrush(QColor(70, 66, 66));
    p.drawPolygon(QPolygonF({QPointF(-176.6, -5.5), QPointF(-171.5, -8.5), QPointF(-166.4, -5.5)}));
    p.setPen(QPen(QColor(240, 240, 235), 0.15));
    p.setBrush(Qt::NoBrush);
    const QRectF door(-173, -3.6, 3, 3.6);
    p.drawRect(door);
    p.drawLine(door.topLeft(), door.bottomRight());
    p.drawLine(door.topRight(), door.bottomLeft());
    p.setPen(Qt::NoPen);
}

void world(QPainter& p, QTime clock) {
    sky(p);
    land(p);
    Scatter scatter(11);
    for (int i = 0; i < 34; ++i) {
        const double x = scatter.next(-180, 180);
        const double size = scatter.next(0.6, 1.2);
        // Keep the landmarks clear.
        bool clear = true;
        for (double keep : {0.0, 35.0, -35.0, 75.0, 130.0, -171.5}) {
            if (std::abs(x - keep) < 12) clear = false;
        }
        if (x > 98 && x < 178) clear = false;
        if (clear) tree(p, x, size);
    }
    chart(p);
    house(p);
    clockTower(p, clock);
    windmill(p);
    lighthouse(p);
    barn(p);
}

}  // namespace

void drawScene(QPainter& painter, const QRectF& visible, QTime clock) {
    painter.save();
    // The scene repeats every turn: draw each copy that reaches into the visible part.
    const double first = std::floor((visible.left() + 180) / 360.0);
    const double last = std::floor((visible.right() + 180) / 360.0);
    for (double turn = first; turn <= last; ++turn) {
        painter.save();
        painter.translate(turn * 360.0, 0);
        world(painter, clock);
        painter.restore();
    }
    painter.restore();
}

}  // namespace Camsim::View
