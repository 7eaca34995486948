#pragma once

#include <gtest/gtest.h>

#include <string>

#include "quorvin/Controller.h"
#include "sim/PtyServer.h"
#include "tests/support/LogSandbox.h"
#include "tests/support/Raised.h"

namespace E2eTest {

// A public Controller and a virtual camera chain on a pseudo-terminal, in a temporary folder.
class OverVirtualCamera : public ::testing::Test {
  protected:
    explicit OverVirtualCamera(int cameras = 1) : server(options(cameras)) {}

    static Camsim::ServerOptions options(int cameras) {
        Camsim::ServerOptions o;
        o.cameras = cameras;
        return o;
    }

    TestSupport::LogSandbox sandbox;
    Camsim::PtyServer server;
    CameraDriver::Controller camera;
};

}  // namespace E2eTest
