"""The virtual camera for the package's tests: quorvin-camsim run as a program, its frames read
from its verbose log. The build hands over the programs and the library through QUORVIN_CAMSIM,
QUORVIN_CLI and QUORVIN_C_LIBRARY (ctest sets them)."""

import os
import subprocess
import threading
import time
from typing import Iterator, List

import pytest


class VirtualCamera:
    """quorvin-camsim on a pseudo-terminal; frames() are the frames it received so far."""

    def __init__(self, *options: str) -> None:
        self.process = subprocess.Popen(
            [os.environ["QUORVIN_CAMSIM"], "--verbose", "--instant", *options],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        assert self.process.stdout is not None and self.process.stderr is not None
        self.port = self.process.stdout.readline().strip()
        self.names = [self.process.stdout.readline().strip() for _ in range(
            sum(1 for o in options if o in ("--tcp", "--udp")))]
        self._lines: List[str] = []
        self._lock = threading.Lock()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self) -> None:
        assert self.process.stderr is not None
        for line in self.process.stderr:
            with self._lock:
                self._lines.append(line.rstrip("\n"))

    def frames(self) -> List[str]:
        with self._lock:
            return [line.split(" rx ", 1)[1] for line in self._lines if " rx " in line]

    def settle(self, count: int) -> List[str]:
        """The frames received, once at least `count` have been logged (the log is read by a
        thread of its own)."""
        deadline = time.monotonic() + 5
        while len(self.frames()) < count and time.monotonic() < deadline:
            time.sleep(0.005)
        return self.frames()

    def stop(self) -> None:
        self.process.terminate()
        self.process.wait(timeout=10)
        self._reader.join(timeout=10)


def settle_together(first: VirtualCamera, second: VirtualCamera) -> None:
    """Waits until both cameras have logged as many frames as each other and no more arrive for
    a moment: a client that has ended has had its last frames received, but the log lines of
    them reach this process a little later."""
    deadline = time.monotonic() + 3
    last = None
    while time.monotonic() < deadline:
        counts = (len(first.frames()), len(second.frames()))
        if counts == last and counts[0] == counts[1]:
            return
        last = counts
        time.sleep(0.02)


@pytest.fixture
def camsim() -> Iterator[VirtualCamera]:
    camera = VirtualCamera()
    yield camera
    camera.stop()


@pytest.fixture
def make_camsim() -> Iterator:
    made: List[VirtualCamera] = []

    def make(*options: str) -> VirtualCamera:
        made.append(VirtualCamera(*options))
        return made[-1]

    yield make
    for camera in made:
        camera.stop()
