// Demo.exe: the Demo dialog on Win32, linked to quorvin.dll at load time.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// The common controls' header needs the types of windows.h.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "demo/win32/Win32DemoDialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    // The up-down controls' window class.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&controls);

    {
        Demo::Win32DemoDialog dialog(instance);
        dialog.run();
        // Leaving the scope destroys the dialog, which closes the camera link; the camera's
        // power stays as it is.
    }
    // The dialog was the whole program: there is no message loop of its own to enter.
    return 0;
}
