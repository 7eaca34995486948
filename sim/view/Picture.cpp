#include "sim/view/Picture.h"

#include <QFont>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "sim/view/Scene.h"

namespace Camsim::View {

namespace {

constexpr double SCENE_NEAREST = 4.0;      // metres
constexpr double FOCUS_NEAREST = 0.1;      // metres, at 0x8400
constexpr double BLUR_PER_DIOPTRE = 0.01;  // blur radius per dioptre, as a part of the width
constexpr double AUTO_FOCUS_RATE = 20.0;   // dioptres per second
constexpr double STOPS_PER_IRIS_STEP = 0.5;
constexpr double STOPS_PER_SHUTTER_STEP = 0.5;
constexpr double STOPS_PER_GAIN_STEP = 1.0 / 3;
constexpr double STOPS_PER_BRIGHT_STEP = 1.0 / 3;
constexpr double STOPS_PER_EXP_COMP_STEP = 0.25;
constexpr double BACK_LIGHT_STOPS = 1.0;

enum PictureEffect { PASTEL = 1, NEG_ART, SEPIA, MONOCHROME, SOLARIZE, MOSAIC, SLIM, STRETCH };
enum DigitalEffect { STILL = 1, FLASH, LUMI, TRAIL };
enum AeMode {
    FULL_AUTO = 0x00,
    MANUAL = 0x03,
    SHUTTER_PRIORITY = 0x0A,
    IRIS_PRIORITY = 0x0B,
    BRIGHT = 0x0D
};
enum WbMode { INDOOR = 1, OUTDOOR = 2, WB_MANUAL = 5 };
enum WideMode { CINEMA = 1, FULL = 2 };

int channelClamp(double v) { return std::clamp(static_cast<int>(std::lround(v)), 0, 255); }
int luma(QRgb c) { return (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c) + 500) / 1000; }

// Three box passes along rows or columns come close to a Gaussian blur, at a cost that does not
// grow with the radius.
void blurPass(QImage& image, int radius, bool rows) {
    const int w = image.width();
    const int h = image.height();
    const int length = rows ? w : h;
    const int lines = rows ? h : w;
    std::vector<QRgb> line(static_cast<std::size_t>(length));
    const auto at = [length](int i) { return std::clamp(i, 0, length - 1); };
    const int span = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        const auto pixel = [&](int i) -> QRgb& {
            return rows ? reinterpret_cast<QRgb*>(image.scanLine(l))[i]
                        : reinterpret_cast<QRgb*>(image.scanLine(i))[l];
        };
        for (int i = 0; i < length; ++i) line[static_cast<std::size_t>(i)] = pixel(i);
        int r = 0, g = 0, b = 0;
        for (int i = -radius; i <= radius; ++i) {
            const QRgb c = line[static_cast<std::size_t>(at(i))];
            r += qRed(c);
            g += qGreen(c);
            b += qBlue(c);
        }
        for (int i = 0; i < length; ++i) {
            pixel(i) = qRgb(r / span, g / span, b / span);
            const QRgb in = line[static_cast<std::size_t>(at(i + radius + 1))];
            const QRgb out = line[static_cast<std::size_t>(at(i - radius))];
            r += qRed(in) - qRed(out);
            g += qGreen(in) - qGreen(out);
            b += qBlue(in) - qBlue(out);
        }
    }
}

void blur(QImage& image, double radius) {
    const int r = static_cast<int>(std::lround(radius / 2));
    if (r < 1) return;
    for (int pass = 0; pass < 3; ++pass) {
        blurPass(image, r, true);
        blurPass(image, r, false);
    }
}

// Aperture: above its middle setting edges are sharpened, below it they are softened.
void aperture(QImage& image, int level) {
    const double amount = (level - APERTURE_RANGE.reset) * 0.15;
    if (amount == 0.0) return;
    QImage soft = image.copy();
    blurPass(soft, 1, true);
    blurPass(soft, 1, false);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const auto* s = reinterpret_cast<const QRgb*>(soft.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            line[x] = qRgb(channelClamp(qRed(c) + amount * (qRed(c) - qRed(s[x]))),
                           channelClamp(qGreen(c) + amount * (qGreen(c) - qGreen(s[x]))),
                           channelClamp(qBlue(c) + amount * (qBlue(c) - qBlue(s[x]))));
        }
    }
}

// Light and colour: each channel is scaled in linear light, then brought back to the picture's
// gamma; gain above its lowest setting adds a fixed grain.
void expose(QImage& image, const CameraState& s) {
    const double light = exposure(s);
    const ColourGains wb = whiteBalance(s);
    const double k[3] = {light * wb.red, light * wb.green, light * wb.blue};
    const int grain = s.aeMode == MANUAL ? std::max(0, s.gain - GAIN_RANGE.reset) : 0;
    if (k[0] == 1.0 && k[1] == 1.0 && k[2] == 1.0 && grain == 0) return;
    std::array<std::array<std::uint8_t, 256>, 3> table{};
    for (int c = 0; c < 3; ++c) {
        for (int v = 0; v < 256; ++v) {
            const double linear = std::pow(v / 255.0, 2.2) * k[c];
            table[c][v] = static_cast<std::uint8_t>(
                channelClamp(255.0 * std::pow(std::min(1.0, linear), 1 / 2.2)));
        }
    }
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            int r = table[0][qRed(c)], g = table[1][qGreen(c)], b = table[2][qBlue(c)];
            if (grain > 0) {
                std::uint32_t hash = static_cast<std::uint32_t>(x) * 73856093u ^
                                     static_cast<std::uint32_t>(y) * 19349663u;
                hash = (hash ^ (hash >> 13)) * 1274126177u;
                const int n = static_cast<int>((hash >> 16) % 201) - 100;
                const int d = n * grain * 12 / 1000;
                r = std::clamp(r + d, 0, 255);
                g = std::clamp(g + d, 0, 255);
                b = std::clamp(b + d, 0, 255);
            }
            line[x] = qRgb(r, g, b);
        }
    }
}

void pictureEffect(QImage& image, int effect) {
    if (effect == MOSAIC) {
        const int block = std::max(2, image.width() / 32);
        QImage small =
            image.scaled(std::max(1, image.width() / block), std::max(1, image.height() / block),
                         Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        image = small.scaled(image.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
        return;
    }
    if (effect < PASTEL || effect > SOLARIZE) return;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            const int l = luma(c);
            switch (effect) {
                case PASTEL: {
                    const auto soft = [l](int v) { return channelClamp(0.7 * (v + l) / 2 + 76); };
                    line[x] = qRgb(soft(qRed(c)), soft(qGreen(c)), soft(qBlue(c)));
                    break;
                }
                case NEG_ART:
                    line[x] = qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c));
                    break;
                case SEPIA:
                    line[x] = qRgb(channelClamp(l * 0.94 + 35), channelClamp(l * 0.78 + 20),
                                   channelClamp(l * 0.55 + 10));
                    break;
                case MONOCHROME:
                    line[x] = qRgb(l, l, l);
                    break;
                case SOLARIZE: {
                    const auto sol = [](int v) { return v < 128 ? 2 * v : 2 * (255 - v); };
                    line[x] = qRgb(sol(qRed(c)), sol(qGreen(c)), sol(qBlue(c)));
                    break;
                }
                default:
                    break;
            }
        }
    }
}

// The camera's own data screen: what a real camera writes into its picture.
void dataScreen(QImage& image, const CameraState& s) {
    QPainter p(&image);
    QFont font;
    font.setPixelSize(std::max(10, image.height() / 18));
    font.setBold(true);
    p.setFont(font);
    const QString text = QStringLiteral("x%1  %2")
                             .arg(zoomFactor(s), 0, 'f', 1)
                             .arg(s.autoFocus ? QStringLiteral("AF") : QStringLiteral("MF"));
    const QRect box = image.rect().adjusted(0, 0, -image.width() / 30, -image.height() / 30);
    p.setPen(QColor(0, 0, 0));
    p.drawText(box.translated(1, 1), Qt::AlignRight | Qt::AlignBottom, text);
    p.setPen(QColor(255, 255, 255));
    p.drawText(box, Qt::AlignRight | Qt::AlignBottom, text);
}

QImage standby(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(qRgb(12, 12, 16));
    QPainter p(&image);
    QFont font;
    font.setPixelSize(std::max(10, size.height() / 12));
    p.setFont(font);
    p.setPen(QColor(150, 150, 160));
    p.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("standby"));
    return image;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Mixes two pictures of one size: a + (b - a) x weight, rounded toward a so that repeated
// mixing reaches a in the end.
QImage mix(const QImage& a, const QImage& b, double weight) {
    QImage out(a.size(), QImage::Format_RGB32);
    for (int y = 0; y < a.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        auto* lo = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const auto m = [weight](int u, int v) {
                return u + static_cast<int>((v - u) * weight);
            };
            lo[x] = qRgb(m(qRed(la[x]), qRed(lb[x])), m(qGreen(la[x]), qGreen(lb[x])),
                         m(qBlue(la[x]), qBlue(lb[x])));
        }
    }
    return out;
}

}  // namespace

double opticalZoom(const CameraState& s) {
    const double z = std::clamp(s.zoom, 0, ZOOM_MAX) / double(ZOOM_MAX);
    return std::pow(OPTICAL_ZOOM_FACTOR_MAX, z);
}

double digitalZoom(const CameraState& s) {
    if (!s.digitalZoom || s.zoom <= ZOOM_MAX) return 1.0;
    const double z =
        (std::min(s.zoom, DIGITAL_ZOOM_MAX) - ZOOM_MAX) / double(DIGITAL_ZOOM_MAX - ZOOM_MAX);
    return std::pow(DIGITAL_ZOOM_FACTOR_MAX, z);
}

double focusDistance(int counts) {
    const double u =
        std::clamp(counts - FOCUS_MIN, 0, FOCUS_MAX - FOCUS_MIN) / double(FOCUS_MAX - FOCUS_MIN);
    // Dioptres grow with the square of the travel, so that the far distances, where the scene
    // is, get most of it.
    const double dioptres = u * u / FOCUS_NEAREST;
    return dioptres == 0.0 ? std::numeric_limits<double>::infinity() : 1.0 / dioptres;
}

double defocus(const CameraState& s) {
    if (s.autoFocus) return 0.0;
    return std::max(0.0, 1.0 / focusDistance(s.focus) - 1.0 / SCENE_NEAREST);
}

double exposure(const CameraState& s) {
    double stops = 0.0;
    switch (s.aeMode) {
        case MANUAL:
            if (s.iris <= IRIS_RANGE.min) return 0.0;
            stops = (s.iris - IRIS_RANGE.reset) * STOPS_PER_IRIS_STEP -
                    (s.shutter - SHUTTER_RANGE.reset) * STOPS_PER_SHUTTER_STEP +
                    (s.gain - GAIN_RANGE.reset) * STOPS_PER_GAIN_STEP;
            break;
        case BRIGHT:
            stops = (s.bright - BRIGHT_RANGE.reset) * STOPS_PER_BRIGHT_STEP;
            break;
        default:
            break;
    }
    // Exposure compensation and back light shift what the automatic exposure aims for.
    if (s.aeMode != MANUAL) {
        if (s.expCompOn) stops += (s.expComp - EXP_COMP_RANGE.reset) * STOPS_PER_EXP_COMP_STEP;
        if (s.backlight) stops += BACK_LIGHT_STOPS;
    }
    return std::pow(2.0, stops);
}

ColourGains whiteBalance(const CameraState& s) {
    switch (s.wbMode) {
        case INDOOR:
            return {0.72, 1.0, 1.45};
        case OUTDOOR:
            return {1.03, 1.0, 0.97};
        case WB_MANUAL:
            return {s.rGain / double(R_GAIN_RANGE.reset), 1.0,
                    s.bGain / double(B_GAIN_RANGE.reset)};
        default:
            return {1.0, 1.0, 1.0};
    }
}

QImage renderPicture(const CameraState& s, QSize size, QTime clock,
                     std::optional<double> defocusNow) {
    if (size.isEmpty()) return QImage();
    if (!s.power) return standby(size);

    // Digital zoom magnifies fewer sensor pixels.
    const double digital = digitalZoom(s);
    const QSize sensor(std::max(1, static_cast<int>(std::lround(size.width() / digital))),
                       std::max(1, static_cast<int>(std::lround(size.height() / digital))));
    QImage image(sensor, QImage::Format_RGB32);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        // Slim and the anamorphic full wide mode take in more of the scene across the width,
        // stretch less.
        double across = 1.0;
        if (s.pictureEffect == SLIM || s.wideMode == FULL) across = 4.0 / 3;
        if (s.pictureEffect == STRETCH) across = 3.0 / 4;
        const double perDegree = sensor.width() / fieldOfView(s);
        const double azimuth = s.pan * PAN_DEGREES_PER_COUNT;
        const double elevation = s.tilt * TILT_DEGREES_PER_COUNT;
        p.translate(sensor.width() / 2.0, sensor.height() / 2.0);
        p.scale(perDegree / across, perDegree);
        p.translate(-azimuth, elevation);
        const double halfWidth = sensor.width() / 2.0 / (perDegree / across);
        const double halfHeight = sensor.height() / 2.0 / perDegree;
        drawScene(
            p, QRectF(azimuth - halfWidth, -elevation - halfHeight, 2 * halfWidth, 2 * halfHeight),
            clock);
    }
    if (sensor != size) {
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }

    const double blurRadius =
        std::min(size.width() / 6.0, defocusNow.value_or(defocus(s)) * BLUR_PER_DIOPTRE *
                                         size.width() * std::sqrt(opticalZoom(s)));
    blur(image, blurRadius);
    aperture(image, s.aperture);
    expose(image, s);
    pictureEffect(image, s.pictureEffect);
    if (s.lrReverse) image = image.mirrored(true, false);
    if (s.wideMode == CINEMA) {
        QPainter p(&image);
        const int bar = size.height() / 8;
        p.fillRect(0, 0, size.width(), bar, Qt::black);
        p.fillRect(0, size.height() - bar, size.width(), bar, Qt::black);
    }
    if (s.dataScreen) dataScreen(image, s);
    return image;
}

QImage PictureStream::next(const CameraState& s, QSize size, QTime clock, TimePoint now) {
    settlingNow = false;
    const double dt = lastTime ? seconds(now - *lastTime) : 0.0;
    lastTime = now;
    if (!s.power) {
        shown = QImage();
        still = QImage();
        effect = 0;
        return renderPicture(s, size, clock);
    }
    if (s.freeze && !shown.isNull()) {
        return shown.size() == size
                   ? shown
                   : shown.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }

    // Auto focus takes a moment to find the scene again; a manual focus moves by itself.
    const double target = defocus(s);
    if (s.autoFocus && currentDefocus > target) {
        currentDefocus = std::max(target, currentDefocus - AUTO_FOCUS_RATE * dt);
    } else {
        currentDefocus = target;
    }
    settlingNow = currentDefocus != target;
    const QImage live = renderPicture(s, size, clock, currentDefocus);

    if (s.digitalEffect != effect || (!still.isNull() && still.size() != size)) {
        effect = s.digitalEffect;
        still = QImage();
        lastFlash.reset();
    }
    const double level = std::clamp(s.digitalEffectLevel, 0, DIGITAL_EFFECT_LEVEL_MAX) /
                         double(DIGITAL_EFFECT_LEVEL_MAX);
    const bool haveShown = !shown.isNull() && shown.size() == size;
    QImage out = live;
    switch (effect) {
        case STILL:
        case LUMI:
            // The picture of the moment the effect came on stays over the live one.
            if (still.isNull()) still = live;
            if (effect == STILL) {
                out = mix(live, still, 0.25 + 0.5 * level);
            } else {
                const int threshold = static_cast<int>(255 * (0.3 + 0.6 * level));
                for (int y = 0; y < size.height(); ++y) {
                    auto* o = reinterpret_cast<QRgb*>(out.scanLine(y));
                    const auto* st = reinterpret_cast<const QRgb*>(still.constScanLine(y));
                    for (int x = 0; x < size.width(); ++x) {
                        if (luma(st[x]) > threshold) o[x] = st[x];
                    }
                }
            }
            break;
        case FLASH: {
            // A strobe: a new picture now and then, held in between.
            const double interval = (2 + 30 * level) / 30.0;
            if (haveShown && lastFlash && seconds(now - *lastFlash) < interval) {
                out = shown;
                settlingNow = true;
            } else {
                lastFlash = now;
            }
            break;
        }
        case TRAIL:
            if (haveShown) {
                out = mix(live, shown, 0.4 + 0.5 * level);
                settlingNow = settlingNow || out != shown;
            }
            break;
        default:
            break;
    }
    shown = out;
    return out;
}

}  // namespace Camsim::View
