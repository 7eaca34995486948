#include "demo/win32/HoldButton.h"

namespace Demo {

namespace {

// The button's own window procedure, kept with the window for the calls passed on to it.
const char* const ORIGINAL_PROC = "Quorvin.HoldButton.Proc";

WNDPROC originalProc(HWND button) {
    return reinterpret_cast<WNDPROC>(::GetPropA(button, ORIGINAL_PROC));
}

void notifyParent(HWND button, UINT message) {
    // A button without a parent has nobody to tell.
    const HWND parent = ::GetParent(button);
    if (parent != nullptr) {
        ::SendMessageA(parent, message, 0, static_cast<LPARAM>(::GetDlgCtrlID(button)));
    }
}

LRESULT CALLBACK holdButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC own = originalProc(button);
    switch (message) {
        case WM_LBUTTONDOWN:
            notifyParent(button, WM_HOLDBUTTON_DOWN);
            break;
        case WM_LBUTTONUP:
            notifyParent(button, WM_HOLDBUTTON_UP);
            break;
        case WM_NCDESTROY:
            ::SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
            ::RemovePropA(button, ORIGINAL_PROC);
            break;
        default:
            break;
    }
    return ::CallWindowProcA(own, button, message, wParam, lParam);
}

}  // namespace

bool makeHoldButton(HWND button) {
    const LONG_PTR own = ::GetWindowLongPtrA(button, GWLP_WNDPROC);
    if (own == 0 || !::SetPropA(button, ORIGINAL_PROC, reinterpret_cast<HANDLE>(own))) {
        return false;
    }
    if (::SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(holdButtonProc)) ==
        0) {
        ::RemovePropA(button, ORIGINAL_PROC);
        return false;
    }
    return true;
}

}  // namespace Demo
