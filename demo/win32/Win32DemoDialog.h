#pragma once

// The Demo dialog on plain Win32: dialog template 102 of Demo.rc run as a modal dialog box, its
// controls driven through the DialogView calls of the behaviour class. All behaviour lives in
// DemoDialog; this class maps the view calls and the window messages.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstddef>
#include <string>

#include "demo/DemoDialog.h"
#include "demo/DialogView.h"

namespace Demo {

class Win32DemoDialog final : private DialogView {
  public:
    // Loads the program icon; no window exists until run().
    explicit Win32DemoDialog(HINSTANCE instance);
    Win32DemoDialog(const Win32DemoDialog&) = delete;
    Win32DemoDialog& operator=(const Win32DemoDialog&) = delete;
    ~Win32DemoDialog() override;

    // Shows the dialog and returns when it has ended (Exit, Escape or the close command).
    INT_PTR run();

  private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL onInitDialog();
    void centreOnScreen();
    void onCommand(int id, int notification);
    bool onPaint();
    void fillFromInitialData();

    HWND control(int id) const;

    std::string text(int id) const override;
    void setText(int id, const std::string& text) override;
    void setTextLimit(int id, std::size_t maxChars) override;
    bool isChecked(int id) const override;
    void setChecked(int id, bool checked) override;
    void setEnabled(int id, bool enabled) override;
    void setRange(int id, int lowest, int highest) override;
    void messageBox(const std::string& text, const std::string& caption) override;
    void beginWaitCursor() override;
    void endWaitCursor() override;

    HINSTANCE instance;
    HICON icon;
    HWND window = nullptr;
    int waitCursors = 0;
    HCURSOR cursorBeforeWait = nullptr;
    // Last: destroyed first, which closes the camera link while the view still exists.
    DemoDialog behaviour;
};

}  // namespace Demo
