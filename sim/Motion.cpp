#include "sim/Motion.h"

#include <algorithm>

namespace camsim {

Motion::Motion(double min, double max, double position) : min_(min), max_(max), origin_(position) {}

double Motion::at(TimePoint when) const {
    switch (mode_) {
        case Mode::Still:
            return origin_;
        case Mode::Drive:
            if (when <= start_) return origin_;
            return std::clamp(origin_ + rate_ * seconds(when - start_), min_, max_);
        case Mode::Travel:
            if (when >= end_) return target_;
            if (when <= start_) return origin_;
            return origin_ +
                   (target_ - origin_) * (seconds(when - start_) / seconds(end_ - start_));
    }
    return origin_;
}

bool Motion::moving(TimePoint when) const {
    switch (mode_) {
        case Mode::Still:
            return false;
        case Mode::Drive: {
            const double position = at(when);
            return rate_ > 0 ? position < max_ : position > min_;
        }
        case Mode::Travel:
            return when < end_;
    }
    return false;
}

void Motion::hold(TimePoint when) {
    origin_ = at(when);
    mode_ = Mode::Still;
}

void Motion::drive(TimePoint when, double countsPerSecond) {
    origin_ = at(when);
    start_ = when;
    rate_ = countsPerSecond;
    mode_ = countsPerSecond == 0.0 ? Mode::Still : Mode::Drive;
}

void Motion::travel(TimePoint when, double target, TimePoint end) {
    origin_ = at(when);
    start_ = when;
    target_ = std::clamp(target, min_, max_);
    end_ = end;
    mode_ = Mode::Travel;
    if (end <= when) {
        origin_ = target_;
        mode_ = Mode::Still;
    }
}

void Motion::set(double position) {
    origin_ = std::clamp(position, min_, max_);
    mode_ = Mode::Still;
}

void Motion::setMax(TimePoint when, double max) {
    // Re-base the motion at `when` so that the new limit applies from now on, not in the past.
    const double position = at(when);
    if (mode_ == Mode::Travel && when >= end_) mode_ = Mode::Still;
    origin_ = position;
    start_ = when;
    max_ = max;
    origin_ = std::min(origin_, max_);
    target_ = std::min(target_, max_);
}

}  // namespace camsim
