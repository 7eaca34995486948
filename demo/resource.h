// Identifiers of Demo's resources and of the controls of its dialog template (Demo.rc), in the
// one form that both the resource compiler and C++ read. Demo::ControlId (demo/DialogView.h)
// names the controls from these, and the Qt view lays them out from the template.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDR_MAINFRAME 128
#define IDD_DEMO_DIALOG 102

#define IDC_PORT 1001
#define IDC_LEFT 1002
#define IDC_RIGHT 1003
#define IDC_UP 1004
#define IDC_DOWN 1005
#define IDC_IN 1006
#define IDC_OUT 1007
#define IDC_POWER_ON 1009
#define IDC_AUTO_FOCUS 1010
#define IDC_DIGITAL_ZOOM 1011
#define IDC_CONNECT 1012
#define IDC_HOME 1013
#define IDC_ZOOM_SPEED 1014
#define IDC_ZOOM_SPIN 1016
#define IDC_PAN_SPEED 1017
#define IDC_PAN_SPIN 1018
#define IDC_TILT_SPEED 1019
#define IDC_TILT_SPIN 1020

// Initial data of a dialog's controls (the type MFC reads at dialog initialisation): records of
// control id, message, byte count and bytes, ended by a 0 word. Demo's view reads it the same way.
#define RT_DIALOG_INIT 240
// The message of a record that adds a string to a combo box's list (its 16-bit Windows value).
#define DIALOG_INIT_CB_ADDSTRING 0x0403
