// Demo.exe as a user meets it: the program is started beside this test under Wine, and its dialog
// is read and operated from here through window messages, against the virtual cameras of
// ComPorts.h. What the camera was sent is read back from the program's log, "./vantle.log" in
// its working folder.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// The common controls' header needs the types of windows.h.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ComPorts.h"
#include "demo/DemoDialog.h"
#include "tests/support/Eventually.h"
#include "tests/support/Skip.h"
#include "tests/support/TempDir.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

using namespace Demo;

std::string windowText(HWND window) {
    char text[256] = {};
    ::SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

// Windows of another process appear and change asynchronously: look again every 20 ms for up
// to 10 s.
bool eventually(const std::function<bool()>& condition) {
    return TestSupport::eventually(condition, 10s, 20ms);
}

HWND topLevelWindow(DWORD process, const char* caption) {
    struct Search {
        DWORD process;
        const char* caption;
        HWND found;
    } search{process, caption, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == s->process && ::IsWindowVisible(window) &&
                windowText(window) == s->caption) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

fs::path demoProgram() {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    return fs::path(self).parent_path() / "Demo.exe";
}

// Demo.exe, run from this test's folder in a working folder of its own.
class DemoProgram {
  public:
    DemoProgram() {
        const fs::path program = demoProgram();
        std::string commandLine = "\"" + program.string() + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        if (!::CreateProcessA(program.string().c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                              0, nullptr, folder.string().c_str(), &startup, &process)) {
            throw std::runtime_error("Demo.exe did not start");
        }
        ::WaitForInputIdle(process.hProcess, 10000);
        eventually([&] {
            dialog = topLevelWindow(process.dwProcessId, "Quorvin Demo");
            return dialog != nullptr;
        });
    }
    DemoProgram(const DemoProgram&) = delete;
    DemoProgram& operator=(const DemoProgram&) = delete;
    ~DemoProgram() {
        if (::WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(process.hProcess, 1);
            ::WaitForSingleObject(process.hProcess, 10000);
        }
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }

    HWND item(int id) const { return ::GetDlgItem(dialog, id); }
    std::string text(int id) const { return windowText(item(id)); }
    bool enabled(int id) const { return ::IsWindowEnabled(item(id)) != FALSE; }
    bool checked(int id) const {
        return ::SendMessageA(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    // A click as the mouse makes it, on a button or check box.
    void click(int id) const { ::SendMessageA(item(id), BM_CLICK, 0, 0); }
    // The same, for a click whose handler may open a message box and so not return at once.
    void clickLater(int id) const { ::PostMessageA(item(id), BM_CLICK, 0, 0); }
    void setPort(const std::string& port) const {
        ::SendMessageA(item(IdPort), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(port.c_str()));
    }
    std::string log() const {
        std::ifstream in(folder / "vantle.log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Exit, then wait for the program to end; returns its exit code.
    DWORD exit() const {
        click(IDCANCEL);
        if (::WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
            return STILL_ACTIVE;
        }
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(process.hProcess, &code);
        return code;
    }

    // Declared first: the folder outlives the program, which runs in it.
    TestSupport::TempDir workingFolder;
    const fs::path& folder = workingFolder.dir();
    HWND dialog = nullptr;
    PROCESS_INFORMATION process{};
};

std::string versionString(const std::vector<char>& block, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!::VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
        length == 0) {
        return "(none)";
    }
    return std::string(value);
}

TEST(DemoVersionBlock, NamesTheProgramAndItsVersion) {
    const std::string program = demoProgram().string();
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(program.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(::GetFileVersionInfoA(program.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(1, 0));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(1, 0));

    EXPECT_EQ(versionString(block, "FileDescription"), "Quorvin Demo");
    EXPECT_EQ(versionString(block, "FileVersion"), "1, 0, 0, 1");
    EXPECT_EQ(versionString(block, "ProductVersion"), "1, 0, 0, 1");
    EXPECT_EQ(versionString(block, "InternalName"), "Demo");
    EXPECT_EQ(versionString(block, "OriginalFilename"), "Demo.EXE");
}

class DemoWindow : public testing::Test {
  protected:
    void SetUp() override {
        // Wine draws windows through the X server; scripts/test-windows provides one.
        if (std::getenv("DISPLAY") == nullptr) {
            QUORVIN_SKIP("no X display for Wine (DISPLAY is unset)");
        }
        demo = std::make_unique<DemoProgram>();
        ASSERT_NE(demo->dialog, nullptr) << "no dialog \"Quorvin Demo\" appeared";
    }

    std::unique_ptr<DemoProgram> demo;
};

TEST_F(DemoWindow, StartsDisconnectedWithTheTemplateAndTheInitialValues) {
    EXPECT_EQ(demo->text(IdPort), "COM1");
    EXPECT_EQ(demo->text(IdZoomSpeed), "4");
    EXPECT_EQ(demo->text(IdPanSpeed), "12");
    EXPECT_EQ(demo->text(IdTiltSpeed), "10");
    EXPECT_EQ(demo->text(IdConnect), "&Connect");
    EXPECT_TRUE(demo->enabled(IdConnect));
    EXPECT_TRUE(demo->enabled(IdPort));
    EXPECT_TRUE(demo->enabled(IDCANCEL));
    EXPECT_FALSE(demo->checked(IdPowerOn));
    EXPECT_FALSE(demo->enabled(IdPowerOn));
    for (const int id : DemoDialog::CAMERA_CONTROLS) {
        EXPECT_FALSE(demo->enabled(id)) << id;
    }

    // The port list comes from the template's initial data.
    const HWND port = demo->item(IdPort);
    ASSERT_EQ(::SendMessageA(port, CB_GETCOUNT, 0, 0), 4);
    for (int i = 0; i < 4; ++i) {
        // Asked in UTF-16: Wine hands another process's list entries over as such.
        wchar_t entry[16] = {};
        ::SendMessageW(port, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry));
        EXPECT_EQ(std::wstring(entry), L"COM" + std::to_wstring(i + 1));
    }
    const HWND portField = ::FindWindowExA(port, nullptr, "Edit", nullptr);
    ASSERT_NE(portField, nullptr);
    // A path's length: a name may carry its line speed (COM3@38400) or be a network camera's.
    EXPECT_EQ(::SendMessageA(portField, EM_GETLIMITTEXT, 0, 0), 259);

    struct Spin {
        int spin;
        int edit;
        int lowest;
        int highest;
    };
    for (const Spin& s : {Spin{IdZoomSpin, IdZoomSpeed, 0, 7}, Spin{IdPanSpin, IdPanSpeed, 1, 24},
                          Spin{IdTiltSpin, IdTiltSpeed, 1, 20}}) {
        const HWND spin = demo->item(s.spin);
        EXPECT_EQ(reinterpret_cast<HWND>(::SendMessageA(spin, UDM_GETBUDDY, 0, 0)),
                  demo->item(s.edit));
        const LRESULT range = ::SendMessageA(spin, UDM_GETRANGE, 0, 0);
        EXPECT_EQ(HIWORD(range), s.lowest) << s.spin;
        EXPECT_EQ(LOWORD(range), s.highest) << s.spin;
    }

    // The log file is named (and so created, empty) before any connection.
    EXPECT_TRUE(fs::exists(demo->folder / "vantle.log"));
    EXPECT_EQ(demo->exit(), 0u);
}

TEST_F(DemoWindow, UpDownControlsStepTheirSpeedWithinTheRange) {
    // A press on the up arrow's half of the control, then on the down arrow's half.
    const HWND spin = demo->item(IdZoomSpin);
    RECT area{};
    ::GetClientRect(spin, &area);
    const LPARAM upper = MAKELPARAM(area.right / 2, area.bottom / 4);
    const LPARAM lower = MAKELPARAM(area.right / 2, area.bottom * 3 / 4);
    for (int i = 0; i < 5; ++i) {
        ::SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, upper);
        ::SendMessageA(spin, WM_LBUTTONUP, 0, upper);
    }
    EXPECT_EQ(demo->text(IdZoomSpeed), "7");
    ::SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, lower);
    ::SendMessageA(spin, WM_LBUTTONUP, 0, lower);
    EXPECT_EQ(demo->text(IdZoomSpeed), "6");
    EXPECT_EQ(demo->exit(), 0u);
}

TEST_F(DemoWindow, FailedConnectShowsTheLibrarysMessageAndStaysDisconnected) {
    demo->setPort(WindowsTest::MISSING_PORT);
    demo->clickLater(IdConnect);
    HWND box = nullptr;
    ASSERT_TRUE(eventually([&] {
        box = topLevelWindow(demo->process.dwProcessId, "Exception");
        return box != nullptr;
    }));
    // The message box's text is its static control, 0xFFFF.
    EXPECT_EQ(windowText(::GetDlgItem(box, 0xFFFF)), "WinSerialCommAdaptor::connect() failed !");
    ::SendMessageA(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(eventually([&] { return !::IsWindow(box); }));

    EXPECT_EQ(demo->text(IdConnect), "&Connect");
    EXPECT_TRUE(demo->enabled(IdConnect));
    EXPECT_TRUE(demo->enabled(IdPort));
    EXPECT_FALSE(demo->enabled(IdPowerOn));
    EXPECT_EQ(demo->exit(), 0u);
}

// A port name with its line speed is typed in whole, past the width of the field (which once
// stopped typing at four characters), and connects.
TEST_F(DemoWindow, PortNameWithItsLineSpeedIsTypedAndConnects) {
    const HWND field = ::FindWindowExA(demo->item(IdPort), nullptr, "Edit", nullptr);
    ASSERT_NE(field, nullptr);
    demo->setPort("");
    const std::string name = std::string(WindowsTest::CAMERA_PORT) + "@9600";
    for (const char c : name) {
        ::SendMessageA(field, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 0);
    }
    EXPECT_EQ(demo->text(IdPort), name);
    demo->click(IdConnect);
    EXPECT_EQ(demo->text(IdConnect), "Disco&nnect");
    EXPECT_TRUE(demo->checked(IdPowerOn));
    EXPECT_EQ(demo->exit(), 0u);
}

TEST_F(DemoWindow, ConnectsHoldsButtonsAndSwitchesPower) {
    demo->setPort(WindowsTest::CAMERA_PORT);
    demo->click(IdConnect);
    EXPECT_EQ(demo->text(IdConnect), "Disco&nnect");
    EXPECT_FALSE(demo->enabled(IdPort));
    EXPECT_TRUE(demo->checked(IdPowerOn));
    EXPECT_TRUE(demo->enabled(IdPowerOn));
    for (const int id : DemoDialog::CAMERA_CONTROLS) {
        EXPECT_TRUE(demo->enabled(id)) << id;
    }

    // Holding Up: the move goes out at the press, the stop at the release (tilt speed 10).
    const HWND up = demo->item(IdUp);
    ::SendMessageA(up, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_NE(demo->log().find("[Debug] 81 01 06 01 18 0a 03 01 ff \n"), std::string::npos);
    EXPECT_EQ(demo->log().find("[Debug] 81 01 06 01 18 14 03 03 ff \n"), std::string::npos);
    ::SendMessageA(up, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_NE(demo->log().find("[Debug] 81 01 06 01 18 14 03 03 ff \n"), std::string::npos);

    // Holding In with zoom speed 4, then the stop.
    const HWND in = demo->item(IdIn);
    ::SendMessageA(in, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageA(in, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    const std::string log = demo->log();
    const auto zoomIn = log.find("[Debug] 81 01 04 07 24 ff \n");
    ASSERT_NE(zoomIn, std::string::npos);
    EXPECT_NE(log.find("[Debug] 81 01 04 07 00 ff \n", zoomIn), std::string::npos);

    // Power off: the camera controls follow the box; Power On and Disconnect stay.
    demo->click(IdPowerOn);
    EXPECT_FALSE(demo->checked(IdPowerOn));
    const auto powerOff = demo->log().find("[Debug] 81 01 04 00 03 ff \n");
    ASSERT_NE(powerOff, std::string::npos);
    for (const int id : DemoDialog::CAMERA_CONTROLS) {
        EXPECT_FALSE(demo->enabled(id)) << id;
    }
    EXPECT_TRUE(demo->enabled(IdPowerOn));
    EXPECT_TRUE(demo->enabled(IdConnect));

    // Power on again, which the later tests on this shared camera need: the controls return.
    demo->click(IdPowerOn);
    EXPECT_TRUE(demo->checked(IdPowerOn));
    EXPECT_NE(demo->log().find("[Debug] 81 01 04 00 02 ff \n", powerOff), std::string::npos);
    for (const int id : DemoDialog::CAMERA_CONTROLS) {
        EXPECT_TRUE(demo->enabled(id)) << id;
    }

    // Exit while connected closes the link.
    EXPECT_EQ(demo->exit(), 0u);
    EXPECT_NE(demo->log().find("[Debug] close COM port\n"), std::string::npos);
}

}  // namespace
