#pragma once

// Press-and-hold buttons: a push button whose primary mouse button press and release are
// reported to its parent as private messages, so that a camera motion lasts exactly as long as
// the button is held.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace Demo {

// wParam 0, lParam the button's control identifier. Sent, not posted: the press is handled
// before the button's own press handling.
constexpr UINT WM_HOLDBUTTON_DOWN = WM_USER + 1;
constexpr UINT WM_HOLDBUTTON_UP = WM_USER + 2;

// Subclasses an existing push button; the subclass goes with the window.
bool makeHoldButton(HWND button);

}  // namespace Demo
