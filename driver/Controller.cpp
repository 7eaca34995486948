// The exported façade: every operation forwards unchanged to the implementation.
#include "quorvin/Controller.h"

#include <new>

#include "driver/ControllerImpl.h"

namespace CameraDriver {

namespace {

// Drops one reference; the last Controller to let go closes the link and frees everything.
void releaseImpl(ControllerImpl* impl) noexcept {
    if (impl == nullptr || impl->release() > 0) {
        return;
    }
    try {
        impl->disconnect();
    } catch (...) {
        // A failing disconnect must not keep the implementation alive.
    }
    delete impl;
}

}  // namespace

Controller::Controller() : impl(nullptr) {}

Controller::Controller(const Controller& other) : impl(other.impl) {
    if (impl != nullptr) {
        impl->retain();
    }
}

Controller& Controller::operator=(const Controller& other) {
    // Taking the new reference first keeps self-assignment (and assignment between two
    // sharers of one implementation) from destroying it.
    if (other.impl != nullptr) {
        other.impl->retain();
    }
    releaseImpl(impl);
    impl = other.impl;
    return *this;
}

Controller::~Controller() { releaseImpl(impl); }

ControllerImpl* Controller::getImpl() {
    if (impl == nullptr) {
        try {
            impl = createControllerImpl();
        } catch (const std::bad_alloc&) {
            throw DriverException("Creating the camera controller failed !");
        }
        impl->retain();
    }
    return impl;
}

int Controller::getCurCamera() { return getImpl()->getCurCamera(); }

void Controller::setCurCamera(int camera) { getImpl()->setCurCamera(camera); }

void Controller::connect(const std::string& port) { getImpl()->connect(port); }
void Controller::disconnect() { getImpl()->disconnect(); }
int Controller::getCamerasTotal() { return getImpl()->getCamerasTotal(); }
void Controller::getDeviceType(unsigned char* buffer, unsigned long size) {
    getImpl()->getDeviceType(buffer, size);
}
void Controller::getPanTilt(double& pan, double& tilt) { getImpl()->getPanTilt(pan, tilt); }
void Controller::setPanTilt(double pan, double tilt, int panSpeed, int tiltSpeed) {
    getImpl()->setPanTilt(pan, tilt, panSpeed, tiltSpeed);
}
void Controller::moveUp(int tiltSpeed) { getImpl()->moveUp(tiltSpeed); }
void Controller::moveDown(int tiltSpeed) { getImpl()->moveDown(tiltSpeed); }
void Controller::moveLeft(int panSpeed) { getImpl()->moveLeft(panSpeed); }
void Controller::moveRight(int panSpeed) { getImpl()->moveRight(panSpeed); }
void Controller::moveUpLeft(int tiltSpeed, int panSpeed) {
    getImpl()->moveUpLeft(tiltSpeed, panSpeed);
}
void Controller::moveUpRight(int tiltSpeed, int panSpeed) {
    getImpl()->moveUpRight(tiltSpeed, panSpeed);
}
void Controller::moveDownLeft(int tiltSpeed, int panSpeed) {
    getImpl()->moveDownLeft(tiltSpeed, panSpeed);
}
void Controller::moveDownRight(int tiltSpeed, int panSpeed) {
    getImpl()->moveDownRight(tiltSpeed, panSpeed);
}
void Controller::moveHome() { getImpl()->moveHome(); }
void Controller::stopMove() { getImpl()->stopMove(); }
void Controller::zoomTele() { getImpl()->zoomTele(); }
void Controller::zoomWide() { getImpl()->zoomWide(); }
void Controller::zoomIn(int speed) { getImpl()->zoomIn(speed); }
void Controller::zoomOut(int speed) { getImpl()->zoomOut(speed); }
void Controller::stopZoom() { getImpl()->stopZoom(); }
double Controller::getZoom() { return getImpl()->getZoom(); }
void Controller::setZoom(double zoom) { getImpl()->setZoom(zoom); }
bool Controller::getDZoomState() { return getImpl()->getDZoomState(); }
void Controller::setDZoomState(bool on) { getImpl()->setDZoomState(on); }
bool Controller::getFocusMode() { return getImpl()->getFocusMode(); }
void Controller::setFocusMode(bool automatic) { getImpl()->setFocusMode(automatic); }
void Controller::setAutoFocusSensitivity(bool normal) {
    getImpl()->setAutoFocusSensitivity(normal);
}
double Controller::getFocus() { return getImpl()->getFocus(); }
void Controller::setFocus(double focus) { getImpl()->setFocus(focus); }
void Controller::focusNear() { getImpl()->focusNear(); }
void Controller::focusFar() { getImpl()->focusFar(); }
void Controller::focusInfinity() { getImpl()->focusInfinity(); }
void Controller::focusToNear(int speed) { getImpl()->focusToNear(speed); }
void Controller::focusToFar(int speed) { getImpl()->focusToFar(speed); }
void Controller::stopFocusChange() { getImpl()->stopFocusChange(); }
double Controller::getFocusNearLimit() { return getImpl()->getFocusNearLimit(); }
void Controller::setFocusNearLimit(double limit) { getImpl()->setFocusNearLimit(limit); }
void Controller::onePushAutoFocus() { getImpl()->onePushAutoFocus(); }
Controller::WBMode Controller::getWBMode() { return getImpl()->getWBMode(); }
void Controller::setWBMode(WBMode mode) { getImpl()->setWBMode(mode); }
void Controller::onePushWBTrigger() { getImpl()->onePushWBTrigger(); }
long Controller::getRGain() { return getImpl()->getRGain(); }
void Controller::setRGain(long gain) { getImpl()->setRGain(gain); }
void Controller::increaseRGain() { getImpl()->increaseRGain(); }
void Controller::decreaseRGain() { getImpl()->decreaseRGain(); }
void Controller::resetRGain() { getImpl()->resetRGain(); }
long Controller::getBGain() { return getImpl()->getBGain(); }
void Controller::setBGain(long gain) { getImpl()->setBGain(gain); }
void Controller::increaseBGain() { getImpl()->increaseBGain(); }
void Controller::decreaseBGain() { getImpl()->decreaseBGain(); }
void Controller::resetBGain() { getImpl()->resetBGain(); }
Controller::AEMode Controller::getAEMode() { return getImpl()->getAEMode(); }
void Controller::setAEMode(AEMode mode) { getImpl()->setAEMode(mode); }
bool Controller::getSlowShutterMode() { return getImpl()->getSlowShutterMode(); }
void Controller::setSlowShutterMode(bool automatic) { getImpl()->setSlowShutterMode(automatic); }
long Controller::getShutter() { return getImpl()->getShutter(); }
void Controller::setShutter(long shutter) { getImpl()->setShutter(shutter); }
void Controller::upShutter() { getImpl()->upShutter(); }
void Controller::downShutter() { getImpl()->downShutter(); }
void Controller::resetShutter() { getImpl()->resetShutter(); }
long Controller::getIris() { return getImpl()->getIris(); }
void Controller::setIris(long iris) { getImpl()->setIris(iris); }
void Controller::upIris() { getImpl()->upIris(); }
void Controller::downIris() { getImpl()->downIris(); }
void Controller::resetIris() { getImpl()->resetIris(); }
long Controller::getGain() { return getImpl()->getGain(); }
void Controller::setGain(long gain) { getImpl()->setGain(gain); }
void Controller::upGain() { getImpl()->upGain(); }
void Controller::downGain() { getImpl()->downGain(); }
void Controller::resetGain() { getImpl()->resetGain(); }
long Controller::getBright() { return getImpl()->getBright(); }
void Controller::setBright(long bright) { getImpl()->setBright(bright); }
void Controller::upBright() { getImpl()->upBright(); }
void Controller::downBright() { getImpl()->downBright(); }
void Controller::resetBright() { getImpl()->resetBright(); }
bool Controller::getExpCompState() { return getImpl()->getExpCompState(); }
void Controller::setExpCompState(bool on) { getImpl()->setExpCompState(on); }
long Controller::getExpComp() { return getImpl()->getExpComp(); }
void Controller::setExpComp(long expComp) { getImpl()->setExpComp(expComp); }
void Controller::upExpComp() { getImpl()->upExpComp(); }
void Controller::downExpComp() { getImpl()->downExpComp(); }
void Controller::resetExpComp() { getImpl()->resetExpComp(); }
bool Controller::getBackLightState() { return getImpl()->getBackLightState(); }
void Controller::setBackLightState(bool on) { getImpl()->setBackLightState(on); }
long Controller::getAperture() { return getImpl()->getAperture(); }
void Controller::setAperture(long aperture) { getImpl()->setAperture(aperture); }
void Controller::upAperture() { getImpl()->upAperture(); }
void Controller::downAperture() { getImpl()->downAperture(); }
void Controller::resetAperture() { getImpl()->resetAperture(); }
void Controller::memorySet(int preset) { getImpl()->memorySet(preset); }
void Controller::memoryRecall(int preset) { getImpl()->memoryRecall(preset); }
void Controller::memoryReset(int preset) { getImpl()->memoryReset(preset); }
void Controller::setWideMode(WideMode mode) { getImpl()->setWideMode(mode); }
void Controller::setLrReverseState(bool reversed) { getImpl()->setLrReverseState(reversed); }
void Controller::setFreezeState(bool frozen) { getImpl()->setFreezeState(frozen); }
void Controller::setPictureEffectMode(PictureEffectMode mode) {
    getImpl()->setPictureEffectMode(mode);
}
void Controller::setDigitalEffectMode(DigitalEffectMode mode) {
    getImpl()->setDigitalEffectMode(mode);
}
void Controller::setDigitalEffectLevel(int level) { getImpl()->setDigitalEffectLevel(level); }
void Controller::setDataScreenState(bool on) { getImpl()->setDataScreenState(on); }
void Controller::setIrReceiveState(bool on) { getImpl()->setIrReceiveState(on); }
void Controller::setIrReceiveReturnState(bool on) { getImpl()->setIrReceiveReturnState(on); }
bool Controller::getPowerState() { return getImpl()->getPowerState(); }
void Controller::setPowerState(bool on) { getImpl()->setPowerState(on); }
long Controller::getAutoPowerOffDelay() { return getImpl()->getAutoPowerOffDelay(); }
void Controller::setAutoPowerOffDelay(long delay) { getImpl()->setAutoPowerOffDelay(delay); }

}  // namespace CameraDriver
