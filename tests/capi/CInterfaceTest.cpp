// The C interface as a caller sees it: libquorvin-c and quorvin.h alone, against the virtual
// camera on a pseudo-terminal. What each status means, the texts kept for it, the caller's
// buffers, the raw exchange under the engine's frame rules, and a C program built as C.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "quorvin/quorvin.h"
#include "sim/PtyServer.h"
#include "tests/support/CameraLog.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

namespace CapiTest {
namespace {

std::string lastError(const quorvin_camera* camera) {
    char text[512];
    EXPECT_EQ(quorvin_last_error(camera, text, sizeof text), QUORVIN_OK);
    return text;
}

std::string hex(const unsigned char* bytes, std::size_t length) {
    std::string text;
    static const char DIGITS[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < length; ++i) {
        text += i == 0 ? "" : " ";
        text += DIGITS[bytes[i] >> 4];
        text += DIGITS[bytes[i] & 0x0F];
    }
    return text;
}

// Names each case of a table after its label.
struct ByLabel {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& row) const {
        return row.param.label;
    }
};

struct Closer {
    void operator()(quorvin_camera* camera) const { quorvin_close(camera); }
};
using Camera = std::unique_ptr<quorvin_camera, Closer>;

class CInterface : public ::testing::Test {
  protected:
    void start(int cameras = 1, Camsim::Fault fault = Camsim::Fault::None,
               Camsim::NetworkOptions network = {}) {
        Camsim::ServerOptions options;
        options.cameras = cameras;
        options.fault = fault;
        options.timing.instant = true;
        options.network = network;
        options.log = cameraLog.sink();
        server = std::make_unique<Camsim::PtyServer>(options);
    }

    Camera open(const std::string& port) {
        quorvin_camera* camera = nullptr;
        char error[256];
        EXPECT_EQ(quorvin_open(port.c_str(), &camera, error, sizeof error), QUORVIN_OK) << error;
        return Camera(camera);
    }
    Camera open() { return open(server->devicePath()); }

    // Frames the cameras received, as "81 09 04 00 FF".
    std::vector<std::string> received() const { return cameraLog.received(); }

    TestSupport::CameraLog cameraLog;
    std::unique_ptr<Camsim::PtyServer> server;
};

// ---------------------------------------------------------------------------------------------
// Values of every C type go out and come back as the C++ interface sends and reads them.

TEST_F(CInterface, ValuesOfEachTypeComeBack) {
    start();
    Camera camera = open();

    ASSERT_EQ(quorvin_set_zoom(camera.get(), 0.5), QUORVIN_OK);
    double zoom = -1;
    ASSERT_EQ(quorvin_get_zoom(camera.get(), &zoom), QUORVIN_OK);
    EXPECT_DOUBLE_EQ(zoom, 0.5);

    ASSERT_EQ(quorvin_set_pan_tilt(camera.get(), -0.25, 0.5, 0, 0), QUORVIN_OK);
    double pan = 0;
    double tilt = 0;
    ASSERT_EQ(quorvin_get_pan_tilt(camera.get(), &pan, &tilt), QUORVIN_OK);
    EXPECT_DOUBLE_EQ(pan, -0.25);
    EXPECT_DOUBLE_EQ(tilt, 0.5);

    ASSERT_EQ(quorvin_set_ae_mode(camera.get(), QUORVIN_AE_MANUAL), QUORVIN_OK);
    quorvin_ae_mode mode = QUORVIN_AE_FULL_AUTO;
    ASSERT_EQ(quorvin_get_ae_mode(camera.get(), &mode), QUORVIN_OK);
    EXPECT_EQ(mode, QUORVIN_AE_MANUAL);

    ASSERT_EQ(quorvin_set_gain(camera.get(), 9), QUORVIN_OK);
    long gain = -1;
    ASSERT_EQ(quorvin_get_gain(camera.get(), &gain), QUORVIN_OK);
    EXPECT_EQ(gain, 9);

    // Any nonzero int is true; a flag read back is exactly 1 or 0.
    ASSERT_EQ(quorvin_set_back_light_state(camera.get(), 42), QUORVIN_OK);
    int flag = -1;
    ASSERT_EQ(quorvin_get_back_light_state(camera.get(), &flag), QUORVIN_OK);
    EXPECT_EQ(flag, 1);
    ASSERT_EQ(quorvin_set_back_light_state(camera.get(), 0), QUORVIN_OK);
    ASSERT_EQ(quorvin_get_back_light_state(camera.get(), &flag), QUORVIN_OK);
    EXPECT_EQ(flag, 0);

    unsigned char type[16];
    std::memset(type, 0xAA, sizeof type);
    ASSERT_EQ(quorvin_get_device_type(camera.get(), type, sizeof type), QUORVIN_OK);
    const unsigned char* end = static_cast<const unsigned char*>(std::memchr(type, 0xFF, 16));
    ASSERT_NE(end, nullptr);
    EXPECT_GT(end - type, 0);

    EXPECT_EQ(lastError(camera.get()), "");
    EXPECT_EQ(quorvin_last_status(camera.get()), QUORVIN_OK);
}

TEST_F(CInterface, ChoosesTheCameraOfTheChain) {
    start(3);
    Camera camera = open();
    int total = 0;
    ASSERT_EQ(quorvin_get_cameras_total(camera.get(), &total), QUORVIN_OK);
    EXPECT_EQ(total, 3);
    ASSERT_EQ(quorvin_set_cur_camera(camera.get(), 3), QUORVIN_OK);
    int current = 0;
    ASSERT_EQ(quorvin_get_cur_camera(camera.get(), &current), QUORVIN_OK);
    EXPECT_EQ(current, 3);
    ASSERT_EQ(quorvin_move_up(camera.get(), 5), QUORVIN_OK);
    EXPECT_EQ(received().back(), "83 01 06 01 18 05 03 01 FF");
}

// ---------------------------------------------------------------------------------------------
// Each kind of failure has its status, and the handle keeps the library's text for it.

struct FailureCase {
    const char* label;
    Camsim::Fault fault;
    std::function<quorvin_status(quorvin_camera*)> call;
    quorvin_status status;
    std::string text;
    bool sent;  // whether the call reached the camera
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.label; }

class CFailure : public CInterface, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CFailure, HasItsStatusAndTheLibrarysText) {
    const FailureCase& c = GetParam();
    start();
    Camera camera = open();
    server->setFault(c.fault);
    const std::size_t before = received().size();
    EXPECT_EQ(c.call(camera.get()), c.status);
    EXPECT_EQ(lastError(camera.get()), c.text);
    EXPECT_EQ(quorvin_last_status(camera.get()), c.status);
    EXPECT_EQ(received().size() > before, c.sent);

    // The next call that succeeds clears both.
    server->setFault(Camsim::Fault::None);
    if (c.text.find("WinSerialCommAdaptor::send()") == std::string::npos) {
        int current = 0;
        ASSERT_EQ(quorvin_get_cur_camera(camera.get(), &current), QUORVIN_OK);
        EXPECT_EQ(lastError(camera.get()), "");
        EXPECT_EQ(quorvin_last_status(camera.get()), QUORVIN_OK);
    }
}

const FailureCase FAILURES[] = {
    {"NotExecutable", Camsim::Fault::NotExecutable,
     [](quorvin_camera* c) { return quorvin_move_up(c, 5); }, QUORVIN_ERROR_CAMERA,
     "NOT_EXECUTABLE error ocurred when executing the command !", true},
    {"BufferFull", Camsim::Fault::BufferFull,
     [](quorvin_camera* c) { return quorvin_stop_zoom(c); }, QUORVIN_ERROR_CAMERA,
     "BUFFER_FULL error ocurred when executing the command !", true},
    {"SyntaxError", Camsim::Fault::NoAutoPowerOff,
     [](quorvin_camera* c) {
         long delay = 0;
         return quorvin_get_auto_power_off_delay(c, &delay);
     },
     QUORVIN_ERROR_CAMERA, "SYNTAX_ERROR ocurred when executing the command !", true},
    {"SpeedThatWouldCutTheFrame", Camsim::Fault::None,
     [](quorvin_camera* c) { return quorvin_move_left(c, 255); }, QUORVIN_ERROR_ARGUMENT,
     "Command is malformed !", false},
    {"NullResultPointer", Camsim::Fault::None,
     [](quorvin_camera* c) { return quorvin_get_zoom(c, nullptr); }, QUORVIN_ERROR_ARGUMENT,
     "An argument is a null pointer !", false},
    {"NullPanPointer", Camsim::Fault::None,
     [](quorvin_camera* c) {
         double tilt = 0;
         return quorvin_get_pan_tilt(c, nullptr, &tilt);
     },
     QUORVIN_ERROR_ARGUMENT, "An argument is a null pointer !", false},
    {"NullPortName", Camsim::Fault::None,
     [](quorvin_camera* c) { return quorvin_connect(c, nullptr); }, QUORVIN_ERROR_ARGUMENT,
     "An argument is a null pointer !", false},
    {"AfterDisconnect", Camsim::Fault::None,
     [](quorvin_camera* c) {
         EXPECT_EQ(quorvin_disconnect(c), QUORVIN_OK);
         return quorvin_move_home(c);
     },
     QUORVIN_ERROR_LINK, "Serial communication error occured in WinSerialCommAdaptor::send() !",
     false},
    {"LineHungUp", Camsim::Fault::Hangup, [](quorvin_camera* c) { return quorvin_move_home(c); },
     QUORVIN_ERROR_LINK, "Serial communication error occured in WinSerialCommAdaptor::recv() !",
     true},
};

INSTANTIATE_TEST_SUITE_P(Statuses, CFailure, ::testing::ValuesIn(FAILURES), ByLabel());

// The camera says nothing: the 6 s limit passes (label slow).
TEST_F(CInterface, SilentCameraTimesOut) {
    start();
    Camera camera = open();
    server->setFault(Camsim::Fault::Silent);
    double zoom = 7;
    EXPECT_EQ(quorvin_get_zoom(camera.get(), &zoom), QUORVIN_ERROR_TIMEOUT);
    EXPECT_EQ(lastError(camera.get()),
              "Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !");
    EXPECT_EQ(zoom, 7) << "a failed call leaves the result as it was";
}

TEST_F(CInterface, NetworkCameraWithoutReplyTimesOut) {
    Camsim::NetworkOptions network;
    network.udpPort = 0;
    start(1, Camsim::Fault::None, network);
    const std::string name = "udp://127.0.0.1:" + std::to_string(server->udpPort());
    Camera camera = open(name);
    Camsim::NetworkFaultPlan drop;
    drop.fault = Camsim::NetworkFault::Drop;
    drop.request = 0;
    server->setNetworkFault(drop);
    EXPECT_EQ(quorvin_move_home(camera.get()), QUORVIN_ERROR_TIMEOUT);
    EXPECT_EQ(lastError(camera.get()),
              "Network camera 127.0.0.1:" + std::to_string(server->udpPort()) + ": no reply");
}

// ---------------------------------------------------------------------------------------------
// Opening: the text of a failure goes into the caller's buffer, since there is no handle.

struct OpenCase {
    const char* label;
    std::string port;
    quorvin_status status;
    std::string text;
};

void PrintTo(const OpenCase& c, std::ostream* out) { *out << c.label; }

class COpen : public ::testing::TestWithParam<OpenCase> {};

TEST_P(COpen, FailsWithItsStatusAndText) {
    const OpenCase& c = GetParam();
    quorvin_camera* camera = reinterpret_cast<quorvin_camera*>(&camera);
    char error[256] = "not written";
    EXPECT_EQ(quorvin_open(c.port.c_str(), &camera, error, sizeof error), c.status);
    EXPECT_EQ(camera, nullptr);
    EXPECT_EQ(std::string(error).substr(0, c.text.size()), c.text);
}

const OpenCase OPEN_FAILURES[] = {
    {"NoSuchDevice", "/dev/quorvin-no-such-port", QUORVIN_ERROR_LINK,
     "WinSerialCommAdaptor::connect() failed !"},
    {"SpeedTheSystemLacks", "/dev/quorvin-no-such-port@12345", QUORVIN_ERROR_ARGUMENT,
     "Line speed 12345 cannot be set on this system; use one of "},
    {"BadNetworkName", "tcp://127.0.0.1", QUORVIN_ERROR_ARGUMENT,
     "Network camera tcp://127.0.0.1: not a valid network camera name"},
    {"ConnectionRefused", "tcp://127.0.0.1:1", QUORVIN_ERROR_LINK,
     "Network camera 127.0.0.1:1: connection refused"},
};

INSTANTIATE_TEST_SUITE_P(Open, COpen, ::testing::ValuesIn(OPEN_FAILURES), ByLabel());

TEST(COpenArguments, NullPointersAndShortBuffers) {
    quorvin_camera* camera = nullptr;
    char error[64];
    EXPECT_EQ(quorvin_open(nullptr, &camera, error, sizeof error), QUORVIN_ERROR_ARGUMENT);
    EXPECT_STREQ(error, "An argument is a null pointer !");
    EXPECT_EQ(quorvin_open("/dev/null", nullptr, error, sizeof error), QUORVIN_ERROR_ARGUMENT);
    // No buffer for the text: the status alone.
    EXPECT_EQ(quorvin_open("/dev/quorvin-no-such-port", &camera, nullptr, 0), QUORVIN_ERROR_LINK);
    // A buffer too small: the text cut, ending with its NUL, and nothing past the size written.
    char small[12];
    std::memset(small, '#', sizeof small);
    EXPECT_EQ(quorvin_open("/dev/quorvin-no-such-port", &camera, small, 8), QUORVIN_ERROR_LINK);
    EXPECT_STREQ(small, "WinSeri");
    EXPECT_EQ(small[8], '#');
}

TEST(CNullHandle, IsRefusedEverywhere) {
    char text[16] = "untouched";
    EXPECT_EQ(quorvin_move_up(nullptr, 1), QUORVIN_ERROR_ARGUMENT);
    double zoom = 0;
    EXPECT_EQ(quorvin_get_zoom(nullptr, &zoom), QUORVIN_ERROR_ARGUMENT);
    EXPECT_EQ(quorvin_last_error(nullptr, text, sizeof text), QUORVIN_ERROR_ARGUMENT);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(quorvin_last_status(nullptr), QUORVIN_ERROR_ARGUMENT);
    const unsigned char inquiry[] = {0x81, 0x09, 0x04, 0x00, 0xFF};
    unsigned char reply[16];
    std::size_t length = 99;
    EXPECT_EQ(quorvin_raw(nullptr, inquiry, sizeof inquiry, reply, sizeof reply, &length),
              QUORVIN_ERROR_ARGUMENT);
    EXPECT_EQ(length, 0u);
    quorvin_close(nullptr);
}

// ---------------------------------------------------------------------------------------------
// The caller's buffers for texts.

TEST_F(CInterface, LastErrorFitsOrSaysTheBufferIsTooSmall) {
    start();
    Camera camera = open();
    ASSERT_EQ(quorvin_move_left(camera.get(), 255), QUORVIN_ERROR_ARGUMENT);
    const std::string text = "Command is malformed !";
    std::vector<char> exact(text.size() + 1, '#');
    EXPECT_EQ(quorvin_last_error(camera.get(), exact.data(), exact.size()), QUORVIN_OK);
    EXPECT_EQ(std::string(exact.data()), text);

    std::vector<char> shortBy1(text.size(), '#');
    EXPECT_EQ(quorvin_last_error(camera.get(), shortBy1.data(), shortBy1.size()),
              QUORVIN_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(std::string(shortBy1.data()), text.substr(0, text.size() - 1));
    // Reading the text changes neither it nor the status.
    EXPECT_EQ(quorvin_last_status(camera.get()), QUORVIN_ERROR_ARGUMENT);
    EXPECT_EQ(quorvin_last_error(camera.get(), exact.data(), 0), QUORVIN_ERROR_ARGUMENT);
    EXPECT_EQ(lastError(camera.get()), text);
}

TEST(CVersion, IsTheProjectsAndFitsOrNot) {
    char text[32];
    EXPECT_EQ(quorvin_version(text, sizeof text), QUORVIN_OK);
    EXPECT_STREQ(text, QUORVIN_PROJECT_VERSION);
    char tiny[3];
    EXPECT_EQ(quorvin_version(tiny, sizeof tiny), QUORVIN_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(std::string(tiny), std::string(QUORVIN_PROJECT_VERSION).substr(0, 2));
    EXPECT_EQ(quorvin_version(nullptr, 8), QUORVIN_ERROR_ARGUMENT);
}

// ---------------------------------------------------------------------------------------------
// The raw exchange.

TEST_F(CInterface, RawInquiryAndCommandGetTheirCheckedReplies) {
    start(2);
    Camera camera = open();
    ASSERT_EQ(quorvin_set_cur_camera(camera.get(), 2), QUORVIN_OK);
    unsigned char reply[16];
    std::size_t length = 0;
    // Whatever address the caller writes, the current camera gets it.
    const unsigned char power[] = {0x88, 0x09, 0x04, 0x00, 0xFF};
    ASSERT_EQ(quorvin_raw(camera.get(), power, sizeof power, reply, sizeof reply, &length),
              QUORVIN_OK)
        << lastError(camera.get());
    EXPECT_EQ(received().back(), "82 09 04 00 FF");
    EXPECT_EQ(hex(reply, length), "A0 50 02 FF");

    const unsigned char zoomTele[] = {0x81, 0x01, 0x04, 0x07, 0x02, 0xFF};
    ASSERT_EQ(quorvin_raw(camera.get(), zoomTele, sizeof zoomTele, reply, sizeof reply, &length),
              QUORVIN_OK);
    ASSERT_EQ(length, 6u);
    EXPECT_EQ(reply[0], 0xA0);
    EXPECT_EQ(reply[1] & 0xF0, 0x40);
    EXPECT_EQ(reply[3], 0xA0);
    EXPECT_EQ(reply[4] & 0xF0, 0x50);

    // Only the status wanted: no buffer for the reply.
    EXPECT_EQ(quorvin_raw(camera.get(), power, sizeof power, nullptr, 0, &length),
              QUORVIN_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 0u);
}

TEST_F(CInterface, RawReplyCutToTheBufferAfterTheExchange) {
    start();
    Camera camera = open();
    const unsigned char power[] = {0x81, 0x09, 0x04, 0x00, 0xFF};
    unsigned char reply[16];
    std::memset(reply, 0, sizeof reply);
    std::size_t length = 0;
    EXPECT_EQ(quorvin_raw(camera.get(), power, sizeof power, reply, 2, &length),
              QUORVIN_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(hex(reply, 3), "90 50 00");
    EXPECT_EQ(quorvin_last_status(camera.get()), QUORVIN_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(received().back(), "81 09 04 00 FF");
}

TEST_F(CInterface, RawRefusalByTheCameraGivesItsErrorFrame) {
    start(1, Camsim::Fault::NotExecutable);
    Camera camera = open();
    const unsigned char home[] = {0x81, 0x01, 0x06, 0x04, 0xFF};
    unsigned char reply[16];
    std::size_t length = 0;
    EXPECT_EQ(quorvin_raw(camera.get(), home, sizeof home, reply, sizeof reply, &length),
              QUORVIN_ERROR_CAMERA);
    EXPECT_EQ(lastError(camera.get()), "NOT_EXECUTABLE error ocurred when executing the command !");
    EXPECT_EQ(hex(reply, length), "90 61 41 FF");
}

struct RawRefusal {
    const char* label;
    std::vector<unsigned char> bytes;
};

void PrintTo(const RawRefusal& c, std::ostream* out) { *out << c.label; }

class CRawRefusal : public CInterface, public ::testing::WithParamInterface<RawRefusal> {};

TEST_P(CRawRefusal, SendsNothing) {
    start();
    Camera camera = open();
    const std::size_t before = received().size();
    const std::vector<unsigned char>& bytes = GetParam().bytes;
    unsigned char reply[16];
    std::size_t length = 99;
    EXPECT_EQ(quorvin_raw(camera.get(), bytes.data(), bytes.size(), reply, sizeof reply, &length),
              QUORVIN_ERROR_ARGUMENT);
    EXPECT_EQ(lastError(camera.get()), "Command is malformed !");
    EXPECT_EQ(length, 0u);
    // One inquiry after it, so that anything sent by the refused call would have arrived.
    int flag = 0;
    ASSERT_EQ(quorvin_get_power_state(camera.get(), &flag), QUORVIN_OK);
    EXPECT_EQ(received().size(), before + 1);
}

const RawRefusal RAW_REFUSALS[] = {
    {"EndMarkInside", {0x81, 0x01, 0x04, 0x07, 0xFF, 0x02, 0xFF}},
    {"NoEndMark", {0x81, 0x01, 0x04, 0x07, 0x02}},
    {"TooShort", {0x81, 0x09, 0xFF}},
    {"LongerThanAPacket", {0x81, 0x01, 0x04, 0x47, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF}},
    {"NeitherCommandNorInquiry", {0x81, 0x02, 0x04, 0x00, 0xFF}},
};

INSTANTIATE_TEST_SUITE_P(Raw, CRawRefusal, ::testing::ValuesIn(RAW_REFUSALS), ByLabel());

TEST_F(CInterface, RawWithoutCommandOrLengthIsRefused) {
    start();
    Camera camera = open();
    unsigned char reply[16];
    std::size_t length = 0;
    EXPECT_EQ(quorvin_raw(camera.get(), nullptr, 5, reply, sizeof reply, &length),
              QUORVIN_ERROR_ARGUMENT);
    const unsigned char power[] = {0x81, 0x09, 0x04, 0x00, 0xFF};
    EXPECT_EQ(quorvin_raw(camera.get(), power, sizeof power, reply, sizeof reply, nullptr),
              QUORVIN_ERROR_ARGUMENT);
    EXPECT_EQ(lastError(camera.get()), "An argument is a null pointer !");
}

// ---------------------------------------------------------------------------------------------
// The log switches of the library inside libquorvin-c.

TEST_F(CInterface, DebugLogRecordsTheBytes) {
    start();
    TestSupport::TempDir folder;
    const std::string file = folder.path("c.log");
    ASSERT_EQ(quorvin_set_log_file(file.c_str()), QUORVIN_OK);
    ASSERT_EQ(quorvin_set_debug_enabled(1), QUORVIN_OK);
    {
        Camera camera = open();
        ASSERT_EQ(quorvin_move_home(camera.get()), QUORVIN_OK);
    }
    ASSERT_EQ(quorvin_set_debug_enabled(0), QUORVIN_OK);
    ASSERT_EQ(quorvin_set_log_enabled(0), QUORVIN_OK);
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("81 01 06 04 ff"), std::string::npos) << text.str();
    EXPECT_EQ(quorvin_set_log_file(nullptr), QUORVIN_ERROR_ARGUMENT);
}

// ---------------------------------------------------------------------------------------------
// A program written in C99 and compiled as C, which includes quorvin.h alone.

TEST_F(CInterface, CProgramSetsAndReadsBack) {
    start();
    const TestSupport::RunResult result =
        TestSupport::runProgram({QUORVIN_C_PROGRAM, server->devicePath()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    // What it prints, which its Windows builds print too (tests/windows).
    std::ifstream file(QUORVIN_C_PROGRAM_OUTPUT);
    std::stringstream expected;
    expected << file.rdbuf();
    std::string text = expected.str();
    const std::string version = "@PROJECT_VERSION@";
    text.replace(text.find(version), version.size(), QUORVIN_PROJECT_VERSION);
    EXPECT_EQ(result.out, text);
    EXPECT_EQ(result.err, "");
}

}  // namespace
}  // namespace CapiTest
