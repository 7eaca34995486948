#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "driver/ViscaControllerImpl.h"
#include "tests/support/Hex.h"
#include "tests/support/LogSandbox.h"
#include "tests/support/Raised.h"
#include "tests/support/ScriptedComm.h"

namespace DriverTest {

// A VISCA implementation over a scripted camera, with the debug log going to ./exchange.log.
class ExchangeTest : public ::testing::Test {
  protected:
    ExchangeTest() {
        setLogFile("exchange.log");
        setDebugEnabled(true);
        impl.setComm(std::unique_ptr<CameraDriver::Comm>(comm));
    }

    std::vector<std::string> logLines() const { return TestSupport::readLines("exchange.log"); }
    const TestSupport::CommLog& wire() const { return *comm->record(); }

    TestSupport::LogSandbox sandbox;
    CameraDriver::ViscaControllerImpl impl;
    TestSupport::ScriptedComm* comm = new TestSupport::ScriptedComm;  // owned by impl
};

}  // namespace DriverTest
