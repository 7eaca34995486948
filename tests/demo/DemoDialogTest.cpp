// The dialog's behaviour over a fake screen and a scripted camera: what the user sees and what
// goes over the wire for each event.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "demo/DemoDialog.h"
#include "tests/demo/FakeView.h"
#include "tests/support/ControllerAccess.h"
#include "tests/support/Hex.h"
#include "tests/support/LogSandbox.h"

namespace DemoTest {
namespace {

using namespace Demo;

using TestSupport::CommLog;
using TestSupport::hex;
using TestSupport::LogSandbox;
using TestSupport::readFile;
using TestSupport::ScriptedComm;
using TestSupport::toHex;

// A port field of four characters, "COM1".."COM4", as Windows had it before port names could
// carry a line speed: short enough for a longer name to show what the dialog does with it.
constexpr std::size_t COM_PORT_LIMIT = 4;

const char* const ACK = "90 41 FF 90 51 FF";
const char* const SYNTAX_ERROR = "90 60 02 FF";
const char* const SYNTAX_ERROR_TEXT = "SYNTAX_ERROR ocurred when executing the command !";

// The dialog with a scripted camera behind its link.
class ScriptedDialog : public DemoDialog {
  public:
    ScriptedDialog(DialogView& screen, std::size_t maxPortChars)
        : DemoDialog(screen, maxPortChars), scripted(&TestSupport::scriptCamera(camera())) {}
    ScriptedComm& comm() { return *scripted; }

  private:
    ScriptedComm* scripted;  // owned by the link
};

class DemoDialogTest : public ::testing::Test {
  protected:
    explicit DemoDialogTest(std::size_t portLimit = COM_PORT_LIMIT)
        : dialog(std::make_unique<ScriptedDialog>(view, portLimit)), wire(dialog->comm().record()) {
        dialog->OnInitDialog();
    }

    ScriptedComm& camera() { return dialog->comm(); }

    // Answers for Address_Set, IF_Clear, power on, and the focus and digital zoom inquiries.
    void scriptConnect(const std::string& focusMode = "02", const std::string& digitalZoom = "03") {
        camera()
            .reply(hex("88 30 02 FF"))
            .reply(hex("88 01 00 01 FF"))
            .reply(hex(ACK))
            .reply(hex("90 50 " + focusMode + " FF"))
            .reply(hex("90 50 " + digitalZoom + " FF"));
    }
    void connect() {
        scriptConnect();
        dialog->OnConnect();
        ASSERT_TRUE(dialog->isConnected());
        wire->sent.clear();
    }
    std::vector<std::string> sent() const {
        std::vector<std::string> frames;
        for (const auto& frame : wire->sent) {
            frames.push_back(toHex(frame));
        }
        return frames;
    }
    void expectCameraControlsEnabled(bool enabled) const {
        for (int id : DemoDialog::CAMERA_CONTROLS) {
            EXPECT_EQ(view.enabled(id), enabled) << "control " << id;
        }
    }

    LogSandbox sandbox;  // the dialog's ./vantle.log lands here
    FakeView view;
    std::unique_ptr<ScriptedDialog> dialog;
    std::shared_ptr<CommLog> wire;
};

TEST_F(DemoDialogTest, StartsDisconnectedWithTheDefaultValuesAndNoTraffic) {
    EXPECT_EQ(view.text(IdPort), "COM1");
    EXPECT_EQ(view.text(IdZoomSpeed), "4");
    EXPECT_EQ(view.text(IdPanSpeed), "12");
    EXPECT_EQ(view.text(IdTiltSpeed), "10");
    EXPECT_EQ(view.text(IdConnect), "&Connect");
    EXPECT_FALSE(view.checked(IdPowerOn));
    EXPECT_FALSE(view.enabled(IdPowerOn));
    EXPECT_TRUE(view.enabled(IdPort));
    EXPECT_TRUE(view.enabled(IdConnect));
    expectCameraControlsEnabled(false);

    const struct {
        int id;
        int lowest;
        int highest;
    } ranges[] = {{IdZoomSpin, 0, 7}, {IdPanSpin, 1, 24}, {IdTiltSpin, 1, 20}};
    for (const auto& range : ranges) {
        EXPECT_EQ(view.control(range.id).lowest, range.lowest) << range.id;
        EXPECT_EQ(view.control(range.id).highest, range.highest) << range.id;
    }
    EXPECT_EQ(view.control(IdPort).textLimit, 4u);

    EXPECT_TRUE(wire->ports.empty());
    EXPECT_TRUE(wire->sent.empty());
    EXPECT_TRUE(view.boxes.empty());
    // The log file is named, and opened empty, before any connection.
    EXPECT_TRUE(std::filesystem::exists("vantle.log"));
    EXPECT_EQ(readFile("vantle.log"), "");
}

TEST_F(DemoDialogTest, ConnectingPowersTheCameraOnAndReadsItsSwitches) {
    const struct {
        const char* focusMode;
        const char* digitalZoom;
        bool autoFocus;
        bool digitalZoomOn;
    } cases[] = {{"02", "03", true, false}, {"03", "02", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("focus ") + c.focusMode + ", digital zoom " + c.digitalZoom);
        view.type(IdPort, "COM3");
        scriptConnect(c.focusMode, c.digitalZoom);
        dialog->OnConnect();

        EXPECT_TRUE(dialog->isConnected());
        EXPECT_EQ(wire->ports.back(), "COM3");
        EXPECT_EQ(sent(),
                  (std::vector<std::string>{"88 30 01 FF", "88 01 00 01 FF", "81 01 04 00 02 FF",
                                            "81 09 04 38 FF", "81 09 04 06 FF"}));
        EXPECT_TRUE(view.checked(IdPowerOn));
        EXPECT_EQ(view.checked(IdAutoFocus), c.autoFocus);
        EXPECT_EQ(view.checked(IdDigitalZoom), c.digitalZoomOn);
        EXPECT_EQ(view.text(IdConnect), "Disco&nnect");
        EXPECT_FALSE(view.enabled(IdPort));
        EXPECT_TRUE(view.enabled(IdPowerOn));
        EXPECT_TRUE(view.enabled(IdConnect));
        expectCameraControlsEnabled(true);
        EXPECT_TRUE(view.boxes.empty());
        EXPECT_EQ(view.waitDepth, 0);
        // The exchanges are traced into the dialog's log file.
        EXPECT_NE(readFile("vantle.log").find("[Debug] 81 01 04 00 02 ff \n"), std::string::npos);

        dialog->OnConnect();  // disconnect for the next case
        ASSERT_FALSE(dialog->isConnected());
        wire->sent.clear();
    }
}

// A connect that fails at any step ends Disconnected, with the library's text in the box; the
// check marks that earlier steps set stay.
TEST_F(DemoDialogTest, FailedConnectShowsTheLibraryTextAndStaysDisconnected) {
    const struct {
        const char* name;
        std::vector<std::string> replies;  // empty: the port does not open
        std::string text;
        bool powerOn;
        bool autoFocus;
    } cases[] = {
        {"port", {}, "WinSerialCommAdaptor::connect() failed !", false, false},
        {"power", {"88 30 02 FF", "88 01 00 01 FF", SYNTAX_ERROR}, SYNTAX_ERROR_TEXT, false, false},
        {"focus mode",
         {"88 30 02 FF", "88 01 00 01 FF", ACK, "90 50 00 FF"},
         "CAM_FocusModeInq's response error !",
         true,
         false},
        {"digital zoom",
         {"88 30 02 FF", "88 01 00 01 FF", ACK, "90 50 02 FF", SYNTAX_ERROR},
         SYNTAX_ERROR_TEXT,
         true,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeView screen;
        ScriptedDialog failing(screen, COM_PORT_LIMIT);
        failing.OnInitDialog();
        if (c.replies.empty()) {
            failing.comm().failConnect(c.text);
        }
        for (const std::string& reply : c.replies) {
            failing.comm().reply(hex(reply));
        }
        const int disconnectsBefore = failing.comm().record()->disconnects;
        failing.OnConnect();

        EXPECT_FALSE(failing.isConnected());
        ASSERT_EQ(screen.boxes.size(), 1u);
        EXPECT_EQ(screen.boxes[0].text, c.text);
        EXPECT_EQ(screen.boxes[0].caption, "Exception");
        EXPECT_EQ(screen.boxes[0].waitDepth, 1);
        EXPECT_EQ(screen.waitDepth, 0);
        EXPECT_EQ(failing.comm().record()->disconnects, disconnectsBefore + 1);
        EXPECT_EQ(screen.text(IdConnect), "&Connect");
        EXPECT_TRUE(screen.enabled(IdConnect));
        EXPECT_TRUE(screen.enabled(IdPort));
        EXPECT_FALSE(screen.enabled(IdPowerOn));
        EXPECT_EQ(screen.checked(IdPowerOn), c.powerOn);
        EXPECT_EQ(screen.checked(IdAutoFocus), c.autoFocus);
        for (int id : DemoDialog::CAMERA_CONTROLS) {
            EXPECT_FALSE(screen.enabled(id)) << id;
        }
    }
}

TEST_F(DemoDialogTest, WaitCursorEndsWhenTheHandlerEndsByAnException) {
    camera().failConnect("WinSerialCommAdaptor::connect() failed !");
    view.onMessageBox = [] { throw std::runtime_error("the screen went away"); };
    EXPECT_THROW(dialog->OnConnect(), std::runtime_error);
    EXPECT_EQ(view.waitCursors, 1);
    EXPECT_EQ(view.waitDepth, 0);
}

TEST_F(DemoDialogTest, DisconnectEndsDisconnectedEvenWhenItFails) {
    connect();
    camera().failDisconnect("WinSerialCommAdaptor::disconnect() failed !");
    dialog->OnConnect();
    EXPECT_FALSE(dialog->isConnected());
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(view.text(IdConnect), "&Connect");
    EXPECT_TRUE(view.enabled(IdPort));
    EXPECT_FALSE(view.enabled(IdPowerOn));
    expectCameraControlsEnabled(false);
    EXPECT_EQ(view.waitDepth, 0);
}

TEST_F(DemoDialogTest, PowerOffDisablesTheCameraControlsAndPowerOnEnablesThem) {
    connect();
    camera().reply(hex(ACK)).reply(hex(ACK));

    view.toggle(IdPowerOn);
    dialog->OnPowerOn();
    expectCameraControlsEnabled(false);
    EXPECT_TRUE(view.enabled(IdPowerOn));
    EXPECT_TRUE(view.enabled(IdConnect));
    EXPECT_EQ(view.text(IdConnect), "Disco&nnect");

    view.toggle(IdPowerOn);
    dialog->OnPowerOn();
    expectCameraControlsEnabled(true);

    EXPECT_EQ(sent(), (std::vector<std::string>{"81 01 04 00 03 FF", "81 01 04 00 02 FF"}));
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(DemoDialogTest, FailingPowerSwitchPutsTheBoxBackAndKeepsTheControls) {
    connect();
    camera().reply(hex(SYNTAX_ERROR));
    view.toggle(IdPowerOn);
    dialog->OnPowerOn();

    EXPECT_TRUE(view.checked(IdPowerOn));
    expectCameraControlsEnabled(true);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, SYNTAX_ERROR_TEXT);
    EXPECT_EQ(view.boxes[0].caption, "Exception");
}

TEST_F(DemoDialogTest, CheckBoxesSwitchTheCameraAndFlipBackWhenItRefuses) {
    const struct {
        int id;
        void (DemoDialog::*handler)();
        const char* on;
        const char* off;
    } boxes[] = {
        {IdAutoFocus, &DemoDialog::OnAutoFocus, "81 01 04 38 02 FF", "81 01 04 38 03 FF"},
        {IdDigitalZoom, &DemoDialog::OnDigitalZoom, "81 01 04 06 02 FF", "81 01 04 06 03 FF"}};
    connect();
    for (const auto& box : boxes) {
        SCOPED_TRACE(box.id);
        for (bool refused : {false, true}) {
            wire->sent.clear();
            view.boxes.clear();
            const bool before = view.checked(box.id);
            camera().reply(hex(refused ? SYNTAX_ERROR : ACK));
            view.toggle(box.id);
            (dialog.get()->*box.handler)();

            EXPECT_EQ(sent(), std::vector<std::string>{before ? box.off : box.on});
            EXPECT_EQ(view.checked(box.id), refused ? before : !before);
            EXPECT_EQ(view.boxes.size(), refused ? 1u : 0u);
            expectCameraControlsEnabled(true);
        }
    }
}

// A click reaches the handler of its control; the hold buttons' clicks, Exit's and unknown
// identifiers send nothing.
TEST_F(DemoDialogTest, ClickRunsTheHandlerOfItsControl) {
    const struct {
        int id;
        bool checkBox;     // toggles itself before the dialog hears of the click
        const char* sent;  // "" when nothing is sent
    } cases[] = {
        {IdHome, false, "81 01 06 04 FF"},
        {IdAutoFocus, true, "81 01 04 38 03 FF"},
        {IdDigitalZoom, true, "81 01 04 06 02 FF"},
        {IdUp, false, ""},
        {IdDown, false, ""},
        {IdLeft, false, ""},
        {IdRight, false, ""},
        {IdIn, false, ""},
        {IdOut, false, ""},
        {IdExit, false, ""},
        {IdPort, false, ""},
        {IdZoomSpin, false, ""},
        {0, false, ""},
        {9999, false, ""},
        {IdPowerOn, true, "81 01 04 00 03 FF"},
    };
    connect();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        wire->sent.clear();
        std::vector<std::string> expected;
        if (*c.sent != '\0') {
            expected = {c.sent};
            camera().reply(hex(ACK));
        }
        if (c.checkBox) {
            view.toggle(c.id);
        }
        dialog->OnClicked(c.id);
        EXPECT_EQ(sent(), expected);
        EXPECT_EQ(camera().pendingReplies(), 0u);
        EXPECT_TRUE(dialog->isConnected());
        EXPECT_TRUE(view.boxes.empty());
    }
    // Connect's click disconnects the connected dialog.
    dialog->OnClicked(IdConnect);
    EXPECT_FALSE(dialog->isConnected());
}

TEST_F(DemoDialogTest, HomeSendsTheHomeCommandAndShowsAFailure) {
    connect();
    camera().reply(hex(ACK)).reply(hex(SYNTAX_ERROR));
    dialog->OnHome();
    EXPECT_TRUE(view.boxes.empty());
    dialog->OnHome();
    EXPECT_EQ(sent(), (std::vector<std::string>{"81 01 06 04 FF", "81 01 06 04 FF"}));
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, SYNTAX_ERROR_TEXT);
    EXPECT_TRUE(dialog->isConnected());
}

// Each hold button starts its motion at the press with the speed shown at that moment, and
// stops it at the release.
TEST_F(DemoDialogTest, HoldButtonsMoveWhileHeld) {
    const struct {
        int id;
        int speedEdit;
        const char* speed;
        const char* press;  // "" when nothing is sent
        const char* release;
    } cases[] = {
        {IdUp, IdTiltSpeed, "10", "81 01 06 01 18 0A 03 01 FF", "81 01 06 01 18 14 03 03 FF"},
        {IdDown, IdTiltSpeed, "20", "81 01 06 01 18 14 03 02 FF", "81 01 06 01 18 14 03 03 FF"},
        {IdLeft, IdPanSpeed, "12", "81 01 06 01 0C 14 01 03 FF", "81 01 06 01 18 14 03 03 FF"},
        {IdRight, IdPanSpeed, "1", "81 01 06 01 01 14 02 03 FF", "81 01 06 01 18 14 03 03 FF"},
        {IdIn, IdZoomSpeed, "0", "81 01 04 07 20 FF", "81 01 04 07 00 FF"},
        {IdOut, IdZoomSpeed, "7", "81 01 04 07 37 FF", "81 01 04 07 00 FF"},
        {IdHome, IdZoomSpeed, "4", "", ""},  // not a hold button
    };
    connect();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        wire->sent.clear();
        view.type(c.speedEdit, c.speed);
        std::vector<std::string> expected;
        if (*c.press != '\0') {
            expected = {c.press, c.release};
            camera().reply(hex(ACK)).reply(hex(ACK));
        }
        dialog->OnHoldButtonDown(c.id);
        dialog->OnHoldButtonUp(c.id);

        EXPECT_EQ(sent(), expected);
        EXPECT_EQ(camera().pendingReplies(), 0u);
        EXPECT_TRUE(view.boxes.empty());
    }
}

TEST_F(DemoDialogTest, FailingPressIsSilentWhileFailingReleaseShowsTheBox) {
    connect();
    camera().reply(hex(SYNTAX_ERROR)).reply(hex(SYNTAX_ERROR));
    dialog->OnHoldButtonDown(IdUp);
    EXPECT_TRUE(view.boxes.empty());
    dialog->OnHoldButtonUp(IdUp);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, SYNTAX_ERROR_TEXT);
    EXPECT_EQ(view.boxes[0].caption, "Exception");
    EXPECT_TRUE(dialog->isConnected());
}

TEST_F(DemoDialogTest, ExitWhileConnectedClosesTheLinkSilently) {
    for (bool disconnectFails : {false, true}) {
        SCOPED_TRACE(disconnectFails ? "failing disconnect" : "disconnect");
        dialog = std::make_unique<ScriptedDialog>(view, COM_PORT_LIMIT);
        wire = dialog->comm().record();
        dialog->OnInitDialog();
        connect();
        if (disconnectFails) {
            camera().failDisconnect("WinSerialCommAdaptor::disconnect() failed !");
        }
        const int before = wire->disconnects;
        dialog.reset();
        EXPECT_EQ(wire->disconnects, before + 1);
        EXPECT_EQ(wire->destroyed, 1);
        EXPECT_TRUE(wire->sent.empty());  // the camera's power is left alone
        EXPECT_TRUE(view.boxes.empty());
    }
}

// The port field takes what the view's platform allows: a whole path on Windows (259) and on
// POSIX (4095). A longer name is kept and refused: nothing after it is read.
class PortLimitTest : public DemoDialogTest {
  protected:
    PortLimitTest() : DemoDialogTest(259) {}
};

// Whatever a name carries, a line speed or a network address, reaches connect as typed: the
// library reads it there.
TEST_F(PortLimitTest, NamesWithSpeedsPathsAndAddressesReachTheLink) {
    EXPECT_EQ(view.control(IdPort).textLimit, 259u);
    for (const std::string name : {"COM3@38400", "/dev/ttyUSB0@115200",
                                   "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A600ABCD-if00-port0",
                                   "udp://[fe80::1]:52381"}) {
        SCOPED_TRACE(name);
        wire->ports.clear();
        view.type(IdPort, name);
        scriptConnect();
        dialog->OnConnect();
        EXPECT_TRUE(dialog->isConnected());
        EXPECT_EQ(wire->ports, std::vector<std::string>{name});
        dialog->OnConnect();
        ASSERT_FALSE(dialog->isConnected());
    }
}

TEST_F(DemoDialogTest, NameOverTheLimitIsRefusedAndTheExchangeStops) {
    connect();
    view.type(IdPort, "COM10");
    view.type(IdTiltSpeed, "3");
    EXPECT_FALSE(dialog->UpdateData(true));
    // The tilt speed after the refused name was not read: the press still uses 10.
    camera().reply(hex(ACK));
    dialog->OnHoldButtonDown(IdUp);
    EXPECT_EQ(sent(), std::vector<std::string>{"81 01 06 01 18 0A 03 01 FF"});
}

}  // namespace
}  // namespace DemoTest
