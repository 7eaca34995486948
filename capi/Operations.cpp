// Written by capi/generate.py from the operation table: edit the generator, not this.
// Each function checks its pointers, calls the Controller of the handle's engine and
// turns a failure into its status (capi/Call.h).

#include "capi/Call.h"
#include "quorvin/quorvin.h"

using CameraDriver::Controller;
using QuorvinC::answer;
using QuorvinC::run;
using QuorvinC::text;

// The C enumerations carry the C++ values, which the camera's bytes are made from.
static_assert(QUORVIN_WB_AUTO == static_cast<int>(Controller::WBAuto));
static_assert(QUORVIN_WB_INDOOR == static_cast<int>(Controller::WBIndoor));
static_assert(QUORVIN_WB_OUTDOOR == static_cast<int>(Controller::WBOutdoor));
static_assert(QUORVIN_WB_ONE_PUSH == static_cast<int>(Controller::WBOnePush));
static_assert(QUORVIN_WB_AUTO_TRACING == static_cast<int>(Controller::WBAutoTracing));
static_assert(QUORVIN_WB_MANUAL == static_cast<int>(Controller::WBManual));
static_assert(QUORVIN_AE_FULL_AUTO == static_cast<int>(Controller::AEFullAuto));
static_assert(QUORVIN_AE_MANUAL == static_cast<int>(Controller::AEManual));
static_assert(QUORVIN_AE_SHUTTER_PRIORITY == static_cast<int>(Controller::AEShutterPriority));
static_assert(QUORVIN_AE_IRIS_PRIORITY == static_cast<int>(Controller::AEIrisPriority));
static_assert(QUORVIN_AE_BRIGHT == static_cast<int>(Controller::AEBright));
static_assert(QUORVIN_WIDE_OFF == static_cast<int>(Controller::WideOff));
static_assert(QUORVIN_WIDE_CINEMA == static_cast<int>(Controller::WideCinema));
static_assert(QUORVIN_WIDE_FULL == static_cast<int>(Controller::WideFull));
static_assert(QUORVIN_PICTURE_EFFECT_OFF == static_cast<int>(Controller::PictureEffectOff));
static_assert(QUORVIN_PICTURE_EFFECT_PASTEL == static_cast<int>(Controller::PictureEffectPastel));
static_assert(QUORVIN_PICTURE_EFFECT_NEG_ART == static_cast<int>(Controller::PictureEffectNegArt));
static_assert(QUORVIN_PICTURE_EFFECT_SEPIA == static_cast<int>(Controller::PictureEffectSepia));
static_assert(QUORVIN_PICTURE_EFFECT_MONOCHROME ==
              static_cast<int>(Controller::PictureEffectMonochrome));
static_assert(QUORVIN_PICTURE_EFFECT_SOLARIZE ==
              static_cast<int>(Controller::PictureEffectSolarize));
static_assert(QUORVIN_PICTURE_EFFECT_MOSAIC == static_cast<int>(Controller::PictureEffectMosaic));
static_assert(QUORVIN_PICTURE_EFFECT_SLIM == static_cast<int>(Controller::PictureEffectSlim));
static_assert(QUORVIN_PICTURE_EFFECT_STRETCH == static_cast<int>(Controller::PictureEffectStretch));
static_assert(QUORVIN_DIGITAL_EFFECT_OFF == static_cast<int>(Controller::DigitalEffectOff));
static_assert(QUORVIN_DIGITAL_EFFECT_STILL == static_cast<int>(Controller::DigitalEffectStill));
static_assert(QUORVIN_DIGITAL_EFFECT_FLASH == static_cast<int>(Controller::DigitalEffectFlash));
static_assert(QUORVIN_DIGITAL_EFFECT_LUMI == static_cast<int>(Controller::DigitalEffectLumi));
static_assert(QUORVIN_DIGITAL_EFFECT_TRAIL == static_cast<int>(Controller::DigitalEffectTrail));

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_connect(quorvin_camera* camera,
                                                          const char* port) {
    return run(
        camera, [&](Controller& c) { c.connect(text(port)); }, port);
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_disconnect(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.disconnect(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_cameras_total(quorvin_camera* camera,
                                                                    int* cameras_total) {
    return answer(camera, cameras_total, [&](Controller& c) { return c.getCamerasTotal(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_cur_camera(quorvin_camera* camera,
                                                                 int* cur_camera) {
    return answer(camera, cur_camera, [&](Controller& c) { return c.getCurCamera(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_cur_camera(quorvin_camera* camera,
                                                                 int number) {
    return run(camera, [&](Controller& c) { c.setCurCamera(number); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_device_type(quorvin_camera* camera,
                                                                  unsigned char* buffer,
                                                                  size_t size) {
    return run(
        camera, [&](Controller& c) { c.getDeviceType(buffer, static_cast<unsigned long>(size)); },
        buffer);
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_pan_tilt(quorvin_camera* camera, double* pan,
                                                               double* tilt) {
    return run(
        camera,
        [&](Controller& c) {
            double p = 0, t = 0;
            c.getPanTilt(p, t);
            *pan = p;
            *tilt = t;
        },
        pan, tilt);
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_pan_tilt(quorvin_camera* camera, double pan,
                                                               double tilt, int pan_speed,
                                                               int tilt_speed) {
    return run(camera, [&](Controller& c) { c.setPanTilt(pan, tilt, pan_speed, tilt_speed); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_up(quorvin_camera* camera, int tilt_speed) {
    return run(camera, [&](Controller& c) { c.moveUp(tilt_speed); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_down(quorvin_camera* camera,
                                                            int tilt_speed) {
    return run(camera, [&](Controller& c) { c.moveDown(tilt_speed); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_left(quorvin_camera* camera, int pan_speed) {
    return run(camera, [&](Controller& c) { c.moveLeft(pan_speed); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_right(quorvin_camera* camera,
                                                             int pan_speed) {
    return run(camera, [&](Controller& c) { c.moveRight(pan_speed); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_up_left(quorvin_camera* camera,
                                                               int tilt_speed, int pan_speed) {
    return run(camera, [&](Controller& c) { c.moveUpLeft(tilt_speed, pan_speed); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_up_right(quorvin_camera* camera,
                                                                int tilt_speed, int pan_speed) {
    return run(camera, [&](Controller& c) { c.moveUpRight(tilt_speed, pan_speed); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_down_left(quorvin_camera* camera,
                                                                 int tilt_speed, int pan_speed) {
    return run(camera, [&](Controller& c) { c.moveDownLeft(tilt_speed, pan_speed); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_down_right(quorvin_camera* camera,
                                                                  int tilt_speed, int pan_speed) {
    return run(camera, [&](Controller& c) { c.moveDownRight(tilt_speed, pan_speed); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_home(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.moveHome(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_stop_move(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.stopMove(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_zoom_tele(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.zoomTele(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_zoom_wide(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.zoomWide(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_zoom_in(quorvin_camera* camera, int speed) {
    return run(camera, [&](Controller& c) { c.zoomIn(speed); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_zoom_out(quorvin_camera* camera, int speed) {
    return run(camera, [&](Controller& c) { c.zoomOut(speed); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_stop_zoom(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.stopZoom(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_zoom(quorvin_camera* camera, double* zoom) {
    return answer(camera, zoom, [&](Controller& c) { return c.getZoom(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_zoom(quorvin_camera* camera, double zoom) {
    return run(camera, [&](Controller& c) { c.setZoom(zoom); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_d_zoom_state(quorvin_camera* camera,
                                                                   int* d_zoom_state) {
    return answer(camera, d_zoom_state, [&](Controller& c) { return c.getDZoomState(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_d_zoom_state(quorvin_camera* camera, int on) {
    return run(camera, [&](Controller& c) { c.setDZoomState(on != 0); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_focus_mode(quorvin_camera* camera,
                                                                 int* focus_mode) {
    return answer(camera, focus_mode, [&](Controller& c) { return c.getFocusMode(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_focus_mode(quorvin_camera* camera,
                                                                 int automatic) {
    return run(camera, [&](Controller& c) { c.setFocusMode(automatic != 0); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_auto_focus_sensitivity(quorvin_camera* camera,
                                                                             int normal) {
    return run(camera, [&](Controller& c) { c.setAutoFocusSensitivity(normal != 0); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_focus(quorvin_camera* camera, double* focus) {
    return answer(camera, focus, [&](Controller& c) { return c.getFocus(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_focus(quorvin_camera* camera, double focus) {
    return run(camera, [&](Controller& c) { c.setFocus(focus); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_focus_near(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.focusNear(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_focus_far(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.focusFar(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_focus_infinity(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.focusInfinity(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_focus_to_near(quorvin_camera* camera, int speed) {
    return run(camera, [&](Controller& c) { c.focusToNear(speed); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_focus_to_far(quorvin_camera* camera, int speed) {
    return run(camera, [&](Controller& c) { c.focusToFar(speed); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_stop_focus_change(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.stopFocusChange(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_focus_near_limit(quorvin_camera* camera,
                                                                       double* focus_near_limit) {
    return answer(camera, focus_near_limit, [&](Controller& c) { return c.getFocusNearLimit(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_focus_near_limit(quorvin_camera* camera,
                                                                       double limit) {
    return run(camera, [&](Controller& c) { c.setFocusNearLimit(limit); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_one_push_auto_focus(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.onePushAutoFocus(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_wb_mode(quorvin_camera* camera,
                                                              quorvin_wb_mode* wb_mode) {
    return answer(camera, wb_mode, [&](Controller& c) { return c.getWBMode(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_wb_mode(quorvin_camera* camera,
                                                              quorvin_wb_mode mode) {
    return run(camera, [&](Controller& c) { c.setWBMode(static_cast<Controller::WBMode>(mode)); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_one_push_wb_trigger(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.onePushWBTrigger(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_r_gain(quorvin_camera* camera, long* r_gain) {
    return answer(camera, r_gain, [&](Controller& c) { return c.getRGain(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_r_gain(quorvin_camera* camera, long gain) {
    return run(camera, [&](Controller& c) { c.setRGain(gain); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_increase_r_gain(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.increaseRGain(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_decrease_r_gain(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.decreaseRGain(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_r_gain(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.resetRGain(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_b_gain(quorvin_camera* camera, long* b_gain) {
    return answer(camera, b_gain, [&](Controller& c) { return c.getBGain(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_b_gain(quorvin_camera* camera, long gain) {
    return run(camera, [&](Controller& c) { c.setBGain(gain); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_increase_b_gain(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.increaseBGain(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_decrease_b_gain(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.decreaseBGain(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_b_gain(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.resetBGain(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_ae_mode(quorvin_camera* camera,
                                                              quorvin_ae_mode* ae_mode) {
    return answer(camera, ae_mode, [&](Controller& c) { return c.getAEMode(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_ae_mode(quorvin_camera* camera,
                                                              quorvin_ae_mode mode) {
    return run(camera, [&](Controller& c) { c.setAEMode(static_cast<Controller::AEMode>(mode)); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_slow_shutter_mode(quorvin_camera* camera,
                                                                        int* slow_shutter_mode) {
    return answer(camera, slow_shutter_mode, [&](Controller& c) { return c.getSlowShutterMode(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_slow_shutter_mode(quorvin_camera* camera,
                                                                        int automatic) {
    return run(camera, [&](Controller& c) { c.setSlowShutterMode(automatic != 0); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_shutter(quorvin_camera* camera,
                                                              long* shutter) {
    return answer(camera, shutter, [&](Controller& c) { return c.getShutter(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_shutter(quorvin_camera* camera,
                                                              long shutter) {
    return run(camera, [&](Controller& c) { c.setShutter(shutter); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_up_shutter(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.upShutter(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_down_shutter(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.downShutter(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_shutter(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.resetShutter(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_iris(quorvin_camera* camera, long* iris) {
    return answer(camera, iris, [&](Controller& c) { return c.getIris(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_iris(quorvin_camera* camera, long iris) {
    return run(camera, [&](Controller& c) { c.setIris(iris); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_up_iris(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.upIris(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_down_iris(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.downIris(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_iris(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.resetIris(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_gain(quorvin_camera* camera, long* gain) {
    return answer(camera, gain, [&](Controller& c) { return c.getGain(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_gain(quorvin_camera* camera, long gain) {
    return run(camera, [&](Controller& c) { c.setGain(gain); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_up_gain(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.upGain(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_down_gain(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.downGain(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_gain(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.resetGain(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_bright(quorvin_camera* camera, long* bright) {
    return answer(camera, bright, [&](Controller& c) { return c.getBright(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_bright(quorvin_camera* camera, long bright) {
    return run(camera, [&](Controller& c) { c.setBright(bright); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_up_bright(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.upBright(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_down_bright(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.downBright(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_bright(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.resetBright(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_exp_comp_state(quorvin_camera* camera,
                                                                     int* exp_comp_state) {
    return answer(camera, exp_comp_state, [&](Controller& c) { return c.getExpCompState(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_exp_comp_state(quorvin_camera* camera,
                                                                     int on) {
    return run(camera, [&](Controller& c) { c.setExpCompState(on != 0); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_exp_comp(quorvin_camera* camera,
                                                               long* exp_comp) {
    return answer(camera, exp_comp, [&](Controller& c) { return c.getExpComp(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_exp_comp(quorvin_camera* camera,
                                                               long exp_comp) {
    return run(camera, [&](Controller& c) { c.setExpComp(exp_comp); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_up_exp_comp(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.upExpComp(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_down_exp_comp(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.downExpComp(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_exp_comp(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.resetExpComp(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_back_light_state(quorvin_camera* camera,
                                                                       int* back_light_state) {
    return answer(camera, back_light_state, [&](Controller& c) { return c.getBackLightState(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_back_light_state(quorvin_camera* camera,
                                                                       int on) {
    return run(camera, [&](Controller& c) { c.setBackLightState(on != 0); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_aperture(quorvin_camera* camera,
                                                               long* aperture) {
    return answer(camera, aperture, [&](Controller& c) { return c.getAperture(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_aperture(quorvin_camera* camera,
                                                               long aperture) {
    return run(camera, [&](Controller& c) { c.setAperture(aperture); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_up_aperture(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.upAperture(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_down_aperture(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.downAperture(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_aperture(quorvin_camera* camera) {
    return run(camera, [&](Controller& c) { c.resetAperture(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_memory_set(quorvin_camera* camera, int preset) {
    return run(camera, [&](Controller& c) { c.memorySet(preset); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_memory_recall(quorvin_camera* camera,
                                                                int preset) {
    return run(camera, [&](Controller& c) { c.memoryRecall(preset); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_memory_reset(quorvin_camera* camera, int preset) {
    return run(camera, [&](Controller& c) { c.memoryReset(preset); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_wide_mode(quorvin_camera* camera,
                                                                quorvin_wide_mode mode) {
    return run(camera,
               [&](Controller& c) { c.setWideMode(static_cast<Controller::WideMode>(mode)); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_lr_reverse_state(quorvin_camera* camera,
                                                                       int reversed) {
    return run(camera, [&](Controller& c) { c.setLrReverseState(reversed != 0); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_freeze_state(quorvin_camera* camera,
                                                                   int frozen) {
    return run(camera, [&](Controller& c) { c.setFreezeState(frozen != 0); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL
quorvin_set_picture_effect_mode(quorvin_camera* camera, quorvin_picture_effect_mode mode) {
    return run(camera, [&](Controller& c) {
        c.setPictureEffectMode(static_cast<Controller::PictureEffectMode>(mode));
    });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL
quorvin_set_digital_effect_mode(quorvin_camera* camera, quorvin_digital_effect_mode mode) {
    return run(camera, [&](Controller& c) {
        c.setDigitalEffectMode(static_cast<Controller::DigitalEffectMode>(mode));
    });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_digital_effect_level(quorvin_camera* camera,
                                                                           int level) {
    return run(camera, [&](Controller& c) { c.setDigitalEffectLevel(level); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_data_screen_state(quorvin_camera* camera,
                                                                        int on) {
    return run(camera, [&](Controller& c) { c.setDataScreenState(on != 0); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_ir_receive_state(quorvin_camera* camera,
                                                                       int on) {
    return run(camera, [&](Controller& c) { c.setIrReceiveState(on != 0); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL
quorvin_set_ir_receive_return_state(quorvin_camera* camera, int on) {
    return run(camera, [&](Controller& c) { c.setIrReceiveReturnState(on != 0); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_power_state(quorvin_camera* camera,
                                                                  int* power_state) {
    return answer(camera, power_state, [&](Controller& c) { return c.getPowerState(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_power_state(quorvin_camera* camera, int on) {
    return run(camera, [&](Controller& c) { c.setPowerState(on != 0); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL
quorvin_get_auto_power_off_delay(quorvin_camera* camera, long* auto_power_off_delay) {
    return answer(camera, auto_power_off_delay,
                  [&](Controller& c) { return c.getAutoPowerOffDelay(); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_auto_power_off_delay(quorvin_camera* camera,
                                                                           long delay) {
    return run(camera, [&](Controller& c) { c.setAutoPowerOffDelay(delay); });
}
