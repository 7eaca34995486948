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

namespace camsim::view {

namespace {

constexpr double kSceneNearest = 4.0;     // metres
constexpr double kFocusNearest = 0.1;     // metres, at 0x8400
constexpr double kBlurPerDioptre = 0.01;  // blur radius per dioptre, as a part of the width
constexpr double kAutoFocusRate = 20.0;   // dioptres per second
constexpr double kStopsPerIrisStep = 0.5;
constexpr double kStopsPerShutterStep = 0.5;
constexpr double kStopsPerGainStep = 1.0 / 3;
constexpr double kStopsPerBrightStep = 1.0 / 3;
constexpr double kStopsPerExpCompStep = 0.25;
constexpr double kBackLightStops = 1.0;

enum PictureEffect {
    kPastel = 1,
    kNegArt,
    kSepia,
    kMonochrome,
    kSolarize,
    kMosaic,
    kSlim,
    kStretch
};
enum DigitalEffect { kStill = 1, kFlash, kLumi, kTrail };
enum AeMode {
    kFullAuto = 0x00,
    kManual = 0x03,
    kShutterPriority = 0x0A,
    kIrisPriority = 0x0B,
    kBright = 0x0D
};
enum WbMode { kIndoor = 1, kOutdoor = 2, kWbManual = 5 };
enum WideMode { kCinema = 1, kFull = 2 };

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
    const double amount = (level - kApertureRange.reset) * 0.15;
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
    const int grain = s.aeMode == kManual ? std::max(0, s.gain - kGainRange.reset) : 0;
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
    if (effect == kMosaic) {
        const int block = std::max(2, image.width() / 32);
        QImage small =
            image.scaled(std::max(1, image.width() / block), std::max(1, image.height() / block),
                         Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        image = small.scaled(image.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
        return;
    }
    if (effect < kPastel || effect > kSolarize) return;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            const int l = luma(c);
            switch (effect) {
                case kPastel: {
                    const auto soft = [l](int v) { return channelClamp(0.7 * (v + l) / 2 + 76); };
                    line[x] = qRgb(soft(qRed(c)), soft(qGreen(c)), soft(qBlue(c)));
                    break;
                }
                case kNegArt:
                    line[x] = qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c));
                    break;
                case kSepia:
                    line[x] = qRgb(channelClamp(l * 0.94 + 35), channelClamp(l * 0.78 + 20),
                                   channelClamp(l * 0.55 + 10));
                    break;
                case kMonochrome:
                    line[x] = qRgb(l, l, l);
                    break;
                case kSolarize: {
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
    const double z = std::clamp(s.zoom, 0, kZoomMax) / double(kZoomMax);
    return std::pow(kOpticalZoomFactorMax, z);
}

double digitalZoom(const CameraState& s) {
    if (!s.digitalZoom || s.zoom <= kZoomMax) return 1.0;
    const double z =
        (std::min(s.zoom, kDigitalZoomMax) - kZoomMax) / double(kDigitalZoomMax - kZoomMax);
    return std::pow(kDigitalZoomFactorMax, z);
}

double focusDistance(int counts) {
    const double u =
        std::clamp(counts - kFocusMin, 0, kFocusMax - kFocusMin) / double(kFocusMax - kFocusMin);
    // Dioptres grow with the square of the travel, so that the far distances, where the scene
    // is, get most of it.
    const double dioptres = u * u / kFocusNearest;
    return dioptres == 0.0 ? std::numeric_limits<double>::infinity() : 1.0 / dioptres;
}

double defocus(const CameraState& s) {
    if (s.autoFocus) return 0.0;
    return std::max(0.0, 1.0 / focusDistance(s.focus) - 1.0 / kSceneNearest);
}

double exposure(const CameraState& s) {
    double stops = 0.0;
    switch (s.aeMode) {
        case kManual:
            if (s.iris <= kIrisRange.min) return 0.0;
            stops = (s.iris - kIrisRange.reset) * kStopsPerIrisStep -
                    (s.shutter - kShutterRange.reset) * kStopsPerShutterStep +
                    (s.gain - kGainRange.reset) * kStopsPerGainStep;
            break;
        case kBright:
            stops = (s.bright - kBrightRange.reset) * kStopsPerBrightStep;
            break;
        default:
            break;
    }
    // Exposure compensation and back light shift what the automatic exposure aims for.
    if (s.aeMode != kManual) {
        if (s.expCompOn) stops += (s.expComp - kExpCompRange.reset) * kStopsPerExpCompStep;
        if (s.backlight) stops += kBackLightStops;
    }
    return std::pow(2.0, stops);
}

ColourGains whiteBalance(const CameraState& s) {
    switch (s.wbMode) {
        case kIndoor:
            return {0.72, 1.0, 1.45};
        case kOutdoor:
            return {1.03, 1.0, 0.97};
        case kWbManual:
            return {s.rGain / double(kRGainRange.reset), 1.0, s.bGain / double(kBGainRange.reset)};
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
        if (s.pictureEffect == kSlim || s.wideMode == kFull) across = 4.0 / 3;
        if (s.pictureEffect == kStretch) across = 3.0 / 4;
        const double perDegree = sensor.width() / fieldOfView(s);
        const double azimuth = s.pan * kPanDegreesPerCount;
        const double elevation = s.tilt * kTiltDegreesPerCount;
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
        std::min(size.width() / 6.0, defocusNow.value_or(defocus(s)) * kBlurPerDioptre *
                                         size.width() * std::sqrt(opticalZoom(s)));
    blur(image, blurRadius);
    aperture(image, s.aperture);
    expose(image, s);
    pictureEffect(image, s.pictureEffect);
    if (s.lrReverse) image = image.mirrored(true, false);
    if (s.wideMode == kCinema) {
        QPainter p(&image);
        const int bar = size.height() / 8;
        p.fillRect(0, 0, size.width(), bar, Qt::black);
        p.fillRect(0, size.height() - bar, size.width(), bar, Qt::black);
    }
    if (s.dataScreen) dataScreen(image, s);
    return image;
}

QImage PictureStream::next(const CameraState& s, QSize size, QTime clock, TimePoint now) {
    settling_ = false;
    const double dt = lastTime_ ? seconds(now - *lastTime_) : 0.0;
    lastTime_ = now;
    if (!s.power) {
        shown_ = QImage();
        still_ = QImage();
        effect_ = 0;
        return renderPicture(s, size, clock);
    }
    if (s.freeze && !shown_.isNull()) {
        return shown_.size() == size
                   ? shown_
                   : shown_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }

    // Auto focus takes a moment to find the scene again; a manual focus moves by itself.
    const double target = defocus(s);
    if (s.autoFocus && defocus_ > target) {
        defocus_ = std::max(target, defocus_ - kAutoFocusRate * dt);
    } else {
        defocus_ = target;
    }
    settling_ = defocus_ != target;
    const QImage live = renderPicture(s, size, clock, defocus_);

    if (s.digitalEffect != effect_ || (!still_.isNull() && still_.size() != size)) {
        effect_ = s.digitalEffect;
        still_ = QImage();
        lastFlash_.reset();
    }
    const double level = std::clamp(s.digitalEffectLevel, 0, kDigitalEffectLevelMax) /
                         double(kDigitalEffectLevelMax);
    const bool haveShown = !shown_.isNull() && shown_.size() == size;
    QImage out = live;
    switch (effect_) {
        case kStill:
        case kLumi:
            // The picture of the moment the effect came on stays over the live one.
            if (still_.isNull()) still_ = live;
            if (effect_ == kStill) {
                out = mix(live, still_, 0.25 + 0.5 * level);
            } else {
                const int threshold = static_cast<int>(255 * (0.3 + 0.6 * level));
                for (int y = 0; y < size.height(); ++y) {
                    auto* o = reinterpret_cast<QRgb*>(out.scanLine(y));
                    const auto* st = reinterpret_cast<const QRgb*>(still_.constScanLine(y));
                    for (int x = 0; x < size.width(); ++x) {
                        if (luma(st[x]) > threshold) o[x] = st[x];
                    }
                }
            }
            break;
        case kFlash: {
            // A strobe: a new picture now and then, held in between.
            const double interval = (2 + 30 * level) / 30.0;
            if (haveShown && lastFlash_ && seconds(now - *lastFlash_) < interval) {
                out = shown_;
                settling_ = true;
            } else {
                lastFlash_ = now;
            }
            break;
        }
        case kTrail:
            if (haveShown) {
                out = mix(live, shown_, 0.4 + 0.5 * level);
                settling_ = settling_ || out != shown_;
            }
            break;
        default:
            break;
    }
    shown_ = out;
    return out;
}

}  // namespace camsim::view
