"""The Python half of quorvin-bench-capi: times operations through the package against the port
given, as many calls as the C++ and C halves make, and prints one line per operation: its name,
then the time of each call in µs."""

import sys
import time

import quorvin


def main():
    port, rounds = sys.argv[1], int(sys.argv[2])
    with quorvin.Camera(port) as cam:
        operations = (
            ("getCurCamera", cam.get_cur_camera),
            ("getPowerState", cam.get_power_state),
            ("setGain", lambda: cam.set_gain(5)),
        )
        clock = time.perf_counter_ns
        for name, call in operations:
            for _ in range(rounds // 10):
                call()
            times = []
            for _ in range(rounds):
                start = clock()
                call()
                times.append((clock() - start) / 1000.0)
            print(name, " ".join(f"{t:.3f}" for t in times), flush=True)


if __name__ == "__main__":
    main()
