"""The package against the virtual camera: values, errors with the library's texts, the raw
exchange, the library's discovery, and what help() shows."""

import inspect
import os
import re
import subprocess
import sys
import typing

import pytest

import quorvin
from quorvin._operations import TABLE

ROOT = os.path.join(os.path.dirname(__file__), "..", "..")


def test_values_of_each_type_come_back(camsim):
    with quorvin.Camera(camsim.port) as cam:
        cam.set_zoom(0.5)
        assert cam.get_zoom() == 0.5
        cam.set_pan_tilt(-0.25, 0.5, 0, 0)
        assert cam.get_pan_tilt() == pytest.approx((-0.25, 0.5))
        cam.set_wb_mode(quorvin.WBMode.MANUAL)
        mode = cam.get_wb_mode()
        assert mode is quorvin.WBMode.MANUAL
        cam.set_r_gain(0x90)
        assert cam.get_r_gain() == 0x90
        cam.set_back_light_state(True)
        assert cam.get_back_light_state() is True
        assert cam.get_cur_camera() == 1
        device = cam.get_device_type()
        assert isinstance(device, bytes) and device and b"\xff" not in device


def test_raw_exchange_returns_the_checked_reply(camsim):
    with quorvin.Camera(camsim.port) as cam:
        assert cam.raw(b"\x81\x09\x04\x00\xff") == b"\x90\x50\x02\xff"
        reply = cam.raw(bytes([0x88, 0x01, 0x04, 0x07, 0x02, 0xFF]))
        assert len(reply) == 6 and reply[0] == 0x90 and reply[3] == 0x90
        assert camsim.settle(4)[-1] == "81 01 04 07 02 FF"


@pytest.mark.parametrize("command", [
    b"\x81\x01\x04\xff\x07\xff",  # the end mark inside
    b"\x81\x09\xff",  # too short for a frame
    b"\x81\x02\x04\x00\xff",  # neither command nor inquiry
])
def test_raw_refuses_what_is_not_one_frame(camsim, command):
    with quorvin.Camera(camsim.port) as cam:
        before = len(camsim.settle(2))
        with pytest.raises(quorvin.CameraError) as raised:
            cam.raw(command)
        assert str(raised.value) == "Command is malformed !"
        assert raised.value.status == quorvin.Status.ARGUMENT
        cam.get_power_state()
        # The first frame after the refusal is the inquiry's.
        assert camsim.settle(before + 1)[before:] == ["81 09 04 00 FF"]


@pytest.mark.parametrize("fault, call, status, text", [
    ("not-executable", lambda cam: cam.move_up(5), quorvin.Status.CAMERA,
     "NOT_EXECUTABLE error ocurred when executing the command !"),
    ("buffer-full", lambda cam: cam.stop_zoom(), quorvin.Status.CAMERA,
     "BUFFER_FULL error ocurred when executing the command !"),
    ("no-auto-power-off", lambda cam: cam.get_auto_power_off_delay(), quorvin.Status.CAMERA,
     "SYNTAX_ERROR ocurred when executing the command !"),
    ("none", lambda cam: cam.move_left(255), quorvin.Status.ARGUMENT, "Command is malformed !"),
])
def test_failures_raise_camera_error_with_the_library_text(make_camsim, fault, call, status,
                                                           text):
    camera = make_camsim("--fault", fault)
    with quorvin.Camera(camera.port) as cam:
        with pytest.raises(quorvin.CameraError) as raised:
            call(cam)
    assert str(raised.value) == text
    assert raised.value.status == status


def test_open_failure_raises_with_its_text():
    with pytest.raises(quorvin.CameraError) as raised:
        quorvin.Camera("/dev/quorvin-no-such-port")
    assert str(raised.value) == "WinSerialCommAdaptor::connect() failed !"
    assert raised.value.status == quorvin.Status.LINK


def test_silent_camera_times_out(make_camsim):
    camera = make_camsim("--fault", "silent")
    with pytest.raises(quorvin.CameraError) as raised:
        quorvin.Camera(camera.port)
    assert str(raised.value) == \
        "Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !"
    assert raised.value.status == quorvin.Status.TIMEOUT


def test_closed_camera_refuses_every_call(camsim):
    cam = quorvin.Camera(camsim.port)
    cam.close()
    cam.close()
    with pytest.raises(quorvin.CameraError) as raised:
        cam.stop_move()
    assert raised.value.status == quorvin.Status.ARGUMENT


def test_network_camera_by_name(make_camsim):
    camera = make_camsim("--tcp", "0")
    with quorvin.Camera(camera.names[0]) as cam:
        cam.set_gain(7)
        assert cam.get_gain() == 7


def test_version_is_the_projects():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        expected = re.search(r"project\(Quorvin VERSION (\S+)", f.read()).group(1)
    assert quorvin.version() == expected


# ---------------------------------------------------------------------------------------------
# What the package says of itself.

def test_docstrings_carry_the_reference():
    assert "Drives the zoom to `zoom`, 0.0 to 1.0" in quorvin.Camera.set_zoom.__doc__
    assert "With digital zoom off 1.0 is" in quorvin.Camera.set_zoom.__doc__
    assert "Raises CameraError with the text \"CAM_PowerInq's result error !\"" in \
        quorvin.Camera.get_power_state.__doc__
    assert "until stop_move()" in quorvin.Camera.move_up.__doc__


def test_every_operation_is_typed_and_documented():
    assert len(TABLE) == 108
    for _, name, kinds in TABLE:
        method = getattr(quorvin.Camera, name)
        hints = typing.get_type_hints(method)
        parameters = list(inspect.signature(method).parameters)[1:]
        assert len(parameters) == len(kinds), name
        assert set(hints) == set(parameters) | {"return"}, name
        assert method.__doc__ and method.__doc__.strip(), name


def test_enumerations_and_statuses_have_the_c_values():
    with open(os.path.join(ROOT, "include", "quorvin", "quorvin.h"), encoding="utf-8") as f:
        header = dict((name, int(value, 0)) for name, value in
                      re.findall(r"\b(QUORVIN_[A-Z_]+)\s*=\s*(0x[0-9A-F]+|\d+)", f.read()))
    for status in quorvin.Status:
        name = "QUORVIN_OK" if status.name == "OK" else "QUORVIN_ERROR_" + status.name
        assert header.pop(name) == status.value
    prefixes = {quorvin.WBMode: "WB", quorvin.AEMode: "AE", quorvin.WideMode: "WIDE",
                quorvin.PictureEffectMode: "PICTURE_EFFECT",
                quorvin.DigitalEffectMode: "DIGITAL_EFFECT"}
    for kind, prefix in prefixes.items():
        for member in kind:
            assert header.pop(f"QUORVIN_{prefix}_{member.name}") == member.value
    assert header == {}, "values in the header that the package lacks"


def test_missing_library_says_what_to_install(tmp_path):
    script = "import quorvin\ntry:\n    quorvin.Camera('/dev/null')\n" \
             "except quorvin.CameraError as e:\n    print(e)\n"
    env = dict(os.environ, QUORVIN_C_LIBRARY=str(tmp_path / "libquorvin-c.so.1"))
    result = subprocess.run([sys.executable, "-c", script], env=env, capture_output=True,
                            text=True, check=True)
    assert "The Quorvin C library libquorvin-c.so.1 was not found: install it with " \
           "`sudo apt install libquorvin-c1`" in result.stdout
    assert str(tmp_path) in result.stdout
