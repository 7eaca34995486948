// The virtual camera's motion model: one position (pan, tilt, zoom or focus, in counts) that
// moves over time. It is still, driven at a constant rate until its limit, or travelling in a
// straight line to a target that it reaches at a given time.
#pragma once

#include <chrono>

namespace Camsim {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

// A duration in seconds, as the rates are given.
inline double seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

class Motion {
  public:
    Motion(double min, double max, double position);

    double at(TimePoint when) const;
    // Driven and not yet at its limit, or travelling and not yet there.
    bool moving(TimePoint when) const;
    bool inTimedMove(TimePoint when) const { return mode == Mode::Travel && when < end; }

    // Stops where the position is at `when`.
    void hold(TimePoint when);
    // Moves from `when` on at countsPerSecond (negative: downwards) until a limit; 0 holds.
    void drive(TimePoint when, double countsPerSecond);
    // Moves from `when` on in a straight line to destination (clamped to the limits), arriving
    // at arrival.
    void travel(TimePoint when, double destination, TimePoint arrival);
    // Jumps to position (clamped) and stops.
    void set(double position);
    // Moves the upper limit from `when` on, pulling the position and any target back under it.
    void setMax(TimePoint when, double max);
    double max() const { return highest; }

  private:
    enum class Mode { Still, Drive, Travel };
    Mode mode = Mode::Still;
    double lowest;
    double highest;
    double origin;
    TimePoint start{};
    double rate = 0.0;
    double target = 0.0;
    TimePoint end{};
};

}  // namespace Camsim
