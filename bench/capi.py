"""The Python half of quorvin-bench-capi: times operations through the package against the port
given, with the same rounds as the C++ and C halves, and prints one line per operation:
"NAME MEDIAN_US P99_US"."""

import sys
import time

import quorvin


def percentile(times, fraction):
    """The nearest rank, as bench/Statistics.h takes it."""
    ordered = sorted(times)
    return ordered[min(len(ordered) - 1, int(fraction * (len(ordered) - 1) + 0.5))]


def main():
    port, rounds = sys.argv[1], int(sys.argv[2])
    with quorvin.Camera(port) as cam:
        operations = (
            ("getCurCamera", cam.get_cur_camera),
            ("getPowerState", cam.get_power_state),
            ("setGain", lambda: cam.set_gain(5)),
        )
        for name, call in operations:
            for _ in range(rounds // 10):
                call()
            times = []
            clock = time.perf_counter_ns
            for _ in range(rounds):
                start = clock()
                call()
                times.append((clock() - start) / 1000.0)
            print(f"{name} {percentile(times, 0.5):.3f} {percentile(times, 0.99):.3f}",
                  flush=True)


if __name__ == "__main__":
    main()
