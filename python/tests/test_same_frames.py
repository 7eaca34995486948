"""Every operation through the package sends the frames that the command-line tool sends for it:
each runs on a connection of its own, through `quorvin` against one virtual camera and through
quorvin.Camera against another, in the same order, so that both cameras go through the same
states."""

import os
import subprocess

import quorvin
from conftest import settle_together
from quorvin._operations import TABLE

# An argument of each kind, as a Python value and as the tool's word.
SAMPLES = {
    "int": (3, "3"),
    "long": (0x42, "66"),
    "double": (0.25, "0.25"),
    "bool": (True, "on"),
    "WBMode": (quorvin.WBMode.MANUAL, "5"),
    "AEMode": (quorvin.AEMode.SHUTTER_PRIORITY, "10"),
    "WideMode": (quorvin.WideMode.CINEMA, "1"),
    "PictureEffectMode": (quorvin.PictureEffectMode.SEPIA, "3"),
    "DigitalEffectMode": (quorvin.DigitalEffectMode.TRAIL, "4"),
}


def test_every_operation_sends_what_the_tool_sends(make_camsim):
    tool_camera = make_camsim()
    package_camera = make_camsim()
    differences = []
    sent_own = 0
    for name, method, kinds in TABLE:
        tool_before = len(tool_camera.frames())
        package_before = len(package_camera.frames())
        words = []
        values = []
        for kind in kinds:
            if kind == "text":
                # connect: the same camera's port again.
                values.append(package_camera.port)
                words.append(tool_camera.port)
            else:
                value, word = SAMPLES[kind]
                values.append(value)
                words.append(word)
        tool = subprocess.run([os.environ["QUORVIN_CLI"], "--port", tool_camera.port, name,
                               *words], capture_output=True, text=True)
        try:
            with quorvin.Camera(package_camera.port) as cam:
                getattr(cam, method)(*values)
            package_status = 0
        except quorvin.CameraError:
            package_status = 1
        assert tool.returncode == package_status, (name, tool.stderr)
        settle_together(tool_camera, package_camera)
        tool_frames = tool_camera.frames()
        package_frames = package_camera.frames()
        if tool_frames[tool_before:] != package_frames[package_before:]:
            differences.append((name, tool_frames[tool_before:], package_frames[package_before:]))
        # Beyond the connection's two frames.
        sent_own += len(package_frames) - package_before > 2
    assert differences == []
    # All but the three that send nothing (getCurCamera, setCurCamera, disconnect) were compared
    # on frames of their own.
    assert sent_own == len(TABLE) - 3
