#include "sim/Motion.h"

#include <algorithm>

namespace Camsim {

Motion::Motion(double min, double max, double position)
    : lowest(min), highest(max), origin(position) {}

double Motion::at(TimePoint when) const {
    switch (mode) {
        case Mode::Still:
            return origin;
        case Mode::Drive:
            if (when <= start) return origin;
            return std::clamp(origin + rate * seconds(when - start), lowest, highest);
        case Mode::Travel:
            if (when >= end) return target;
            if (when <= start) return origin;
            return origin + (target - origin) * (seconds(when - start) / seconds(end - start));
    }
    return origin;
}

bool Motion::moving(TimePoint when) const {
    switch (mode) {
        case Mode::Still:
            return false;
        case Mode::Drive: {
            const double position = at(when);
            return rate > 0 ? position < highest : position > lowest;
        }
        case Mode::Travel:
            return when < end;
    }
    return false;
}

void Motion::hold(TimePoint when) {
    origin = at(when);
    mode = Mode::Still;
}

void Motion::drive(TimePoint when, double countsPerSecond) {
    origin = at(when);
    start = when;
    rate = countsPerSecond;
    mode = countsPerSecond == 0.0 ? Mode::Still : Mode::Drive;
}

void Motion::travel(TimePoint when, double destination, TimePoint arrival) {
    origin = at(when);
    start = when;
    target = std::clamp(destination, lowest, highest);
    end = arrival;
    mode = Mode::Travel;
    if (arrival <= when) {
        origin = target;
        mode = Mode::Still;
    }
}

void Motion::set(double position) {
    origin = std::clamp(position, lowest, highest);
    mode = Mode::Still;
}

void Motion::setMax(TimePoint when, double max) {
    // Re-base the motion at `when` so that the new limit applies from now on, not in the past.
    const double position = at(when);
    if (mode == Mode::Travel && when >= end) mode = Mode::Still;
    origin = position;
    start = when;
    highest = max;
    origin = std::min(origin, highest);
    target = std::min(target, highest);
}

}  // namespace Camsim
