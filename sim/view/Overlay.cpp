#include "sim/view/Overlay.h"

#include <cmath>

#include "sim/view/Picture.h"

namespace Camsim::View {

namespace {

QString onOff(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }

QString named(int code, std::initializer_list<const char*> names) {
    if (code >= 0 && code < static_cast<int>(names.size())) {
        return QString::fromLatin1(names.begin()[code]);
    }
    return QStringLiteral("0x%1").arg(code, 2, 16, QLatin1Char('0'));
}

QString aeName(int code) {
    switch (code) {
        case 0x00:
            return QStringLiteral("full auto");
        case 0x03:
            return QStringLiteral("manual");
        case 0x0A:
            return QStringLiteral("shutter priority");
        case 0x0B:
            return QStringLiteral("iris priority");
        case 0x0D:
            return QStringLiteral("bright");
        default:
            return QStringLiteral("0x%1").arg(code, 2, 16, QLatin1Char('0'));
    }
}

QString hex(const Bytes& bytes) {
    QStringList parts;
    for (std::uint8_t b : bytes) {
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
    return parts.join(QLatin1Char(' '));
}

QString counts16(int v) {
    return QStringLiteral("0x") + QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

QStringList overlayLines(const CameraState& s, const Bytes& lastCommand) {
    QStringList lines;
    lines << QStringLiteral("power %1%2")
                 .arg(onOff(s.power), s.power ? QString() : QStringLiteral(" (standby)"));
    lines << QStringLiteral("pan %1\u00b0 (%2)  tilt %3\u00b0 (%4)%5")
                 .arg(s.pan * PAN_DEGREES_PER_COUNT, 0, 'f', 1)
                 .arg(s.pan)
                 .arg(s.tilt * TILT_DEGREES_PER_COUNT, 0, 'f', 1)
                 .arg(s.tilt)
                 .arg(s.panTiltMoving ? QStringLiteral("  moving") : QString());
    lines << QStringLiteral("zoom %1x (optical %2x, digital %3) %4%5")
                 .arg(zoomFactor(s), 0, 'f', 1)
                 .arg(opticalZoom(s), 0, 'f', 1)
                 .arg(s.digitalZoom ? QStringLiteral("%1x").arg(digitalZoom(s), 0, 'f', 1)
                                    : QStringLiteral("off"))
                 .arg(counts16(s.zoom), s.zoomMoving ? QStringLiteral("  moving") : QString());
    const double distance = focusDistance(s.focus);
    lines << QStringLiteral("focus %1 %2 (%3)%4")
                 .arg(s.autoFocus ? QStringLiteral("auto") : QStringLiteral("manual"),
                      counts16(s.focus),
                      std::isinf(distance) ? QStringLiteral("\u221e")
                                           : QStringLiteral("%1 m").arg(distance, 0, 'f', 1),
                      s.focusMoving ? QStringLiteral("  moving") : QString());
    lines << QStringLiteral("AE %1  iris %2  shutter %3  gain %4  bright %5")
                 .arg(aeName(s.aeMode))
                 .arg(s.iris)
                 .arg(s.shutter)
                 .arg(s.gain)
                 .arg(s.bright);
    lines << QStringLiteral("exp comp %1 %2  back light %3  aperture %4")
                 .arg(onOff(s.expCompOn))
                 .arg(s.expComp)
                 .arg(onOff(s.backlight))
                 .arg(s.aperture);
    lines << QStringLiteral("WB %1  R %2  B %3")
                 .arg(named(s.wbMode,
                            {"auto", "indoor", "outdoor", "one push", "auto tracing", "manual"}))
                 .arg(s.rGain)
                 .arg(s.bGain);
    lines << QStringLiteral("effect %1  digital %2 %3  wide %4")
                 .arg(named(s.pictureEffect, {"off", "pastel", "negative", "sepia", "monochrome",
                                              "solarize", "mosaic", "slim", "stretch"}),
                      named(s.digitalEffect, {"off", "still", "flash", "lumi", "trail"}))
                 .arg(s.digitalEffectLevel)
                 .arg(named(s.wideMode, {"off", "cinema", "full"}));
    lines << QStringLiteral("freeze %1  L/R reverse %2  data screen %3")
                 .arg(onOff(s.freeze), onOff(s.lrReverse), onOff(s.dataScreen));
    lines << QStringLiteral("last %1").arg(lastCommand.empty() ? QStringLiteral("-")
                                                               : hex(lastCommand));
    return lines;
}

}  // namespace Camsim::View
