#include "tests/driver/ExchangeFixture.h"

using namespace CameraDriver;
using namespace DriverTest;
using namespace TestSupport;

TEST_F(ExchangeTest, ConnectOpensTheLinkNumbersAndClearsTheCameras) {
    comm->reply(hex("88 30 02 FF")).reply(hex("88 01 00 01 FF")).reply(hex("88 30 02 FF"));
    impl.connect("/dev/ttyUSB0");
    EXPECT_EQ(wire().ports, std::vector<std::string>{"/dev/ttyUSB0"});
    ASSERT_EQ(wire().sent.size(), 2u);
    EXPECT_EQ(toHex(wire().sent[0]), "88 30 01 FF");
    EXPECT_EQ(toHex(wire().sent[1]), "88 01 00 01 FF");

    // The count asks the chain again every time.
    EXPECT_EQ(impl.getCamerasTotal(), 1);
    EXPECT_EQ(toHex(wire().sent.at(2)), "88 30 01 FF");
}

TEST_F(ExchangeTest, CameraCountComesFromTheNextFreeAddress) {
    comm->reply(hex("88 30 08 FF"));
    EXPECT_EQ(impl.getCamerasTotal(), 7);
}

TEST_F(ExchangeTest, ConnectWithNoCameraStopsBeforeInterfaceClearAndKeepsTheLink) {
    comm->reply(hex("88 30 01 FF"));
    EXPECT_EQ(raisedBy([&] { impl.connect("COM1"); }), "No camera connected !");
    EXPECT_EQ(wire().sent.size(), 1u);
    EXPECT_EQ(wire().disconnects, 0);
    EXPECT_EQ(logLines().back(), "[Exception] No camera connected !");
}

TEST_F(ExchangeTest, ConnectThatCannotOpenTheLinkSendsNothing) {
    comm->failConnect("WinSerialCommAdaptor::connect() failed !");
    EXPECT_EQ(raisedBy([&] { impl.connect("COM9"); }), "WinSerialCommAdaptor::connect() failed !");
    EXPECT_TRUE(wire().sent.empty());
}

TEST_F(ExchangeTest, FailedInterfaceClearIsReported) {
    comm->reply(hex("88 30 02 FF")).reply(hex("90 60 02 FF"));
    EXPECT_EQ(raisedBy([&] { impl.connect("COM1"); }),
              "IF_CLEAR_BROADCAST command executing failed !\n");
}

TEST_F(ExchangeTest, ReconnectingReusesTheOneTransport) {
    comm->reply(hex("88 30 02 FF")).reply(hex("88 01 00 01 FF"));
    comm->reply(hex("88 30 02 FF")).reply(hex("88 01 00 01 FF"));
    impl.connect("COM1");
    impl.disconnect();
    impl.connect("COM1");
    EXPECT_EQ(wire().ports.size(), 2u);
    EXPECT_EQ(wire().disconnects, 1);
    EXPECT_EQ(wire().destroyed, 0);
    EXPECT_EQ(impl.getComm(), comm);
}

TEST_F(ExchangeTest, SelectedCameraAddressesTheNextCommandWithoutTraffic) {
    EXPECT_EQ(impl.getCurCamera(), 1);
    impl.setCurCamera(3);
    EXPECT_EQ(impl.getCurCamera(), 3);
    EXPECT_TRUE(wire().sent.empty());
    comm->reply(hex("B0 41 FF B0 51 FF"));
    impl.stopZoom();
    EXPECT_EQ(toHex(wire().sent.at(0)), "83 01 04 07 00 FF");
}

TEST(ControllerImplLifetime, DisconnectWithoutATransportDoesNothing) {
    LogSandbox sandbox;
    setDebugEnabled(true);
    ViscaControllerImpl impl;
    impl.disconnect();
    // No transport was made for it, so no port was touched and nothing was logged.
    EXPECT_FALSE(impl.hasComm());
    EXPECT_EQ(readFile("CameraDriver.log"), "");
    impl.getComm();
    EXPECT_TRUE(impl.hasComm());
}

TEST(ControllerImplLifetime, DestroyingTheImplementationDestroysItsTransportOnly) {
    auto log = std::make_shared<CommLog>();
    {
        ViscaControllerImpl impl;
        impl.setComm(std::make_unique<ScriptedComm>(log));
    }
    EXPECT_EQ(log->destroyed, 1);
    EXPECT_EQ(log->disconnects, 0);
}
