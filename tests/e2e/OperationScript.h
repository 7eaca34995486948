#pragma once

// The script that the network links and the hub's surfaces each run, to show the same frames
// and results as the serial line.

namespace E2eTest {

// Every operation but connect and disconnect (the test's own), in the command-line tool's
// words. Drives are followed by a stop and by a move to a set position before their axis is
// read, so that no result depends on how long an exchange takes.
inline const char* const OPERATION_SCRIPT = R"(
getCamerasTotal
getCurCamera
setCurCamera 1
getDeviceType
getPanTilt
moveUp 5
moveDown 5
moveLeft 5
moveRight 5
moveUpLeft 5 6
moveUpRight 5 6
moveDownLeft 5 6
moveDownRight 5 6
stopMove
setPanTilt 0.25 -0.5 12 10
getPanTilt
moveHome
getPanTilt
zoomTele
zoomWide
zoomIn 3
zoomOut 3
stopZoom
setZoom 0.5
getZoom
setDZoomState on
getDZoomState
getZoom
setDZoomState off
getFocusMode
setFocusMode off
setAutoFocusSensitivity off
focusNear
focusFar
focusToNear 4
focusToFar 4
stopFocusChange
focusInfinity
setFocus 0.5
getFocus
getFocusNearLimit
setFocusNearLimit 0.25
getFocusNearLimit
onePushAutoFocus
setFocusMode on
getWBMode
setWBMode WBManual
onePushWBTrigger
getRGain
setRGain 0x90
increaseRGain
decreaseRGain
decreaseRGain
getRGain
resetRGain
getBGain
setBGain 0x70
increaseBGain
getBGain
decreaseBGain
resetBGain
getWBMode
getAEMode
setAEMode AEManual
getAEMode
getSlowShutterMode
setSlowShutterMode on
getSlowShutterMode
getShutter
setShutter 9
upShutter
downShutter
upShutter
getShutter
resetShutter
getIris
setIris 6
upIris
downIris
downIris
getIris
resetIris
getGain
setGain 7
upGain
downGain
upGain
getGain
resetGain
getBright
setBright 12
upBright
downBright
getBright
resetBright
getExpCompState
setExpCompState on
getExpCompState
getExpComp
setExpComp 4
upExpComp
downExpComp
upExpComp
getExpComp
resetExpComp
getBackLightState
setBackLightState on
getBackLightState
getAperture
setAperture 3
upAperture
downAperture
upAperture
getAperture
resetAperture
setPanTilt -0.5 0.5 0 0
memorySet 2
setPanTilt 0.75 -0.75 0 0
memoryRecall 2
getPanTilt
memoryReset 2
memoryRecall 2
getPanTilt
setWideMode WideCinema
setLrReverseState on
setFreezeState on
setFreezeState off
setPictureEffectMode PictureEffectSepia
setDigitalEffectMode DigitalEffectStill
setDigitalEffectLevel 16
setDataScreenState on
setIrReceiveState off
setIrReceiveReturnState on
getAutoPowerOffDelay
setAutoPowerOffDelay 30
getAutoPowerOffDelay
getPowerState
setPowerState off
getPowerState
moveUp 5
getZoom
setPowerState on
getPowerState
)";

}  // namespace E2eTest
