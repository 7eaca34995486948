#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "driver/ViscaControllerImpl.h"
#include "tests/support/Hex.h"
#include "tests/support/Raised.h"
#include "tests/support/ScriptedComm.h"
#include "tests/support/TempDir.h"

namespace CameraDriver::testing {

// A VISCA implementation over a scripted camera, with the debug log going to ./exchange.log.
class ExchangeTest : public ::testing::Test {
  protected:
    ExchangeTest() {
        setLogFile("exchange.log");
        setDebugEnabled(true);
        impl.setComm(std::unique_ptr<Comm>(comm));
    }

    std::vector<std::string> logLines() const { return readLines("exchange.log"); }
    const CommLog& wire() const { return *comm->record(); }

    TempDir temp;
    ViscaControllerImpl impl;
    ScriptedComm* comm = new ScriptedComm;  // owned by impl
};

}  // namespace CameraDriver::testing
