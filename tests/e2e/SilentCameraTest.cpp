// Takes the full 6 s transfer limit, so it runs apart from the quick end-to-end tests.
#include <chrono>

#include "tests/e2e/OverVirtualCamera.h"

using E2eTest::OverVirtualCamera;
using TestSupport::raisedBy;

TEST_F(OverVirtualCamera, SilentCameraEndsInTheReceiveTimeOutNotAHang) {
    camera.connect(server.devicePath());
    server.setFault(Camsim::Fault::Silent);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(raisedBy([&] { camera.moveHome(); }),
              "Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !");
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(6000));
    EXPECT_LT(waited, std::chrono::milliseconds(12000));  // twice the limit
    // The camera answers again: the same controller carries on.
    server.setFault(Camsim::Fault::None);
    camera.moveHome();
}
