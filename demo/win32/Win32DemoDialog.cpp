#include "demo/win32/Win32DemoDialog.h"

#include <commctrl.h>

#include <cstring>
#include <exception>
#include <string>

#include "demo/resource.h"
#include "demo/win32/HoldButton.h"
#include "ports/PortList.h"

namespace Demo {

// The behaviour names Exit by the cancel command's number.
static_assert(IDCANCEL == IdExit);

namespace {

bool isComboBox(HWND control) {
    char name[16] = {};
    return ::GetClassNameA(control, name, sizeof(name)) > 0 && ::lstrcmpiA(name, "ComboBox") == 0;
}

}  // namespace

Win32DemoDialog::Win32DemoDialog(HINSTANCE module)
    : instance(module),
      icon(::LoadIconA(module, MAKEINTRESOURCEA(IDR_MAINFRAME))),
      behaviour(*this, Ports::portNameLimit()) {}

// The icon is a shared resource of the module: nothing to release.
Win32DemoDialog::~Win32DemoDialog() = default;

INT_PTR Win32DemoDialog::run() {
    return ::DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_DEMO_DIALOG), nullptr, dialogProc,
                             reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK Win32DemoDialog::dialogProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    Win32DemoDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Win32DemoDialog*>(lParam);
        self->window = window;
        ::SetWindowLongPtrA(window, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<Win32DemoDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
    }
    if (self == nullptr) {
        // Messages that come before WM_INITDIALOG (WM_SETFONT) get the default handling.
        return FALSE;
    }
    // No exception may unwind through the system's frames that called this procedure. The
    // behaviour reports the library's failures itself; anything else ends up here.
    try {
        return self->handle(message, wParam, lParam);
    } catch (const std::exception& failure) {
        ::MessageBoxA(window, failure.what(), "Quorvin Demo", MB_ICONSTOP | MB_OK);
    } catch (...) {
        ::MessageBoxA(window, "Unexpected failure", "Quorvin Demo", MB_ICONSTOP | MB_OK);
    }
    return FALSE;
}

INT_PTR Win32DemoDialog::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return onInitDialog();
        case WM_COMMAND:
            onCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_HOLDBUTTON_DOWN:
            behaviour.OnHoldButtonDown(static_cast<int>(lParam));
            return FALSE;
        case WM_HOLDBUTTON_UP:
            behaviour.OnHoldButtonUp(static_cast<int>(lParam));
            return FALSE;
        case WM_PAINT:
            return onPaint() ? TRUE : FALSE;
        case WM_QUERYDRAGICON:
            // One of the messages whose result a dialog procedure returns directly.
            return reinterpret_cast<INT_PTR>(icon);
        case WM_SETCURSOR:
            if (waitCursors > 0) {
                ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
                ::SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

BOOL Win32DemoDialog::onInitDialog() {
    fillFromInitialData();
    for (const int id : DemoDialog::HOLD_BUTTONS) {
        makeHoldButton(control(id));
    }
    ::SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ::SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    const bool focusFirstControl = behaviour.OnInitDialog();
    centreOnScreen();
    // TRUE: the dialog manager gives the focus to the first control.
    return focusFirstControl ? TRUE : FALSE;
}

// The dialog manager would leave the dialog at the template's origin, the screen's corner;
// dialog programs open in the middle of the screen's work area.
void Win32DemoDialog::centreOnScreen() {
    RECT frame{};
    RECT area{};
    if (!::GetWindowRect(window, &frame) ||
        !::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) {
        return;
    }
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    ::SetWindowPos(window, nullptr, x > area.left ? x : area.left, y > area.top ? y : area.top, 0,
                   0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32DemoDialog::onCommand(int id, int notification) {
    if (notification != BN_CLICKED) {
        return;
    }
    if (id == IDCANCEL) {
        // Exit, the Escape key and the window's close command.
        ::EndDialog(window, IDCANCEL);
        return;
    }
    behaviour.OnClicked(id);
}

bool Win32DemoDialog::onPaint() {
    if (!::IsIconic(window)) {
        return false;
    }
    PAINTSTRUCT paint{};
    const HDC dc = ::BeginPaint(window, &paint);
    ::SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = ::GetSystemMetrics(SM_CXICON);
    const int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT client{};
    ::GetClientRect(window, &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    ::DrawIcon(dc, x, y, icon);
    ::EndPaint(window, &paint);
    return true;
}

// The initial data of the template's controls, kept beside it in Demo.rc: records of control,
// message, byte count and bytes (the port list's strings), ended by a zero word. The dialog
// manager does not read it, so the dialog does, before anything else fills the controls.
void Win32DemoDialog::fillFromInitialData() {
    const HRSRC found = ::FindResourceA(instance, MAKEINTRESOURCEA(IDD_DEMO_DIALOG),
                                        MAKEINTRESOURCEA(RT_DIALOG_INIT));
    const HGLOBAL loaded = found != nullptr ? ::LoadResource(instance, found) : nullptr;
    const auto* data =
        static_cast<const unsigned char*>(loaded != nullptr ? ::LockResource(loaded) : nullptr);
    if (data == nullptr) {
        return;
    }
    const DWORD size = ::SizeofResource(instance, found);
    DWORD at = 0;
    // Records are packed: fields are read byte-wise, whatever their alignment.
    const auto take = [&](void* field, DWORD bytes) {
        if (size - at < bytes) {
            return false;
        }
        std::memcpy(field, data + at, bytes);
        at += bytes;
        return true;
    };
    for (;;) {
        WORD id = 0;
        WORD record = 0;
        DWORD length = 0;
        if (!take(&id, sizeof(id)) || id == 0 || !take(&record, sizeof(record)) ||
            !take(&length, sizeof(length)) || size - at < length) {
            return;
        }
        const std::string bytes(reinterpret_cast<const char*>(data + at), length);
        at += length;
        if (record == DIALOG_INIT_CB_ADDSTRING) {
            ::SendDlgItemMessageA(window, id, CB_ADDSTRING, 0,
                                  reinterpret_cast<LPARAM>(bytes.c_str()));
        }
    }
}

HWND Win32DemoDialog::control(int id) const { return ::GetDlgItem(window, id); }

std::string Win32DemoDialog::text(int id) const {
    const HWND item = control(id);
    const int length = ::GetWindowTextLengthA(item);
    if (length <= 0) {
        return std::string();
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(item, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

void Win32DemoDialog::setText(int id, const std::string& text) {
    const HWND item = control(id);
    // A name that the port list holds is selected in it, as a choice from the list would be.
    if (isComboBox(item)) {
        const LRESULT index = ::SendMessageA(item, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(text.c_str()));
        if (index != CB_ERR) {
            ::SendMessageA(item, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
            return;
        }
    }
    ::SetWindowTextA(item, text.c_str());
}

void Win32DemoDialog::setTextLimit(int id, std::size_t maxChars) {
    const HWND item = control(id);
    ::SendMessageA(item, isComboBox(item) ? CB_LIMITTEXT : EM_LIMITTEXT,
                   static_cast<WPARAM>(maxChars), 0);
}

bool Win32DemoDialog::isChecked(int id) const {
    return ::SendMessageA(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32DemoDialog::setChecked(int id, bool checked) {
    ::SendMessageA(control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32DemoDialog::setEnabled(int id, bool enabled) {
    ::EnableWindow(control(id), enabled ? TRUE : FALSE);
}

void Win32DemoDialog::setRange(int id, int lowest, int highest) {
    ::SendMessageA(control(id), UDM_SETRANGE, 0,
                   MAKELPARAM(static_cast<WORD>(highest), static_cast<WORD>(lowest)));
}

void Win32DemoDialog::messageBox(const std::string& text, const std::string& caption) {
    ::MessageBoxA(window, text.c_str(), caption.c_str(), MB_ICONINFORMATION | MB_OK);
}

void Win32DemoDialog::beginWaitCursor() {
    const HCURSOR previous = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    if (waitCursors++ == 0) {
        cursorBeforeWait = previous;
    }
}

void Win32DemoDialog::endWaitCursor() {
    if (waitCursors > 0 && --waitCursors == 0) {
        ::SetCursor(cursorBeforeWait);
    }
}

}  // namespace Demo
