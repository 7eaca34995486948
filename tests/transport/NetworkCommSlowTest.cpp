// The network transports' full time-out, over loopback.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "NetworkPeers.h"
#include "tests/support/Raised.h"

namespace {

using namespace NetworkTest;
using TestSupport::raisedBy;

TEST(UdpLinkSlow, ADroppedReplyTimesOutAndTheNextExchangeSucceeds) {
    UdpPeer camera({Fault::Drop});
    const std::unique_ptr<Comm> comm(CameraDriver::createComm(0xFF));
    comm->connect(camera.name());
    EXPECT_EQ(raisedBy([&] { exchange(*comm, POWER_ON); }),
              "Network camera " + camera.name().substr(6) + ": no reply");
    EXPECT_EQ(exchange(*comm, ZOOM_INQUIRY), ZOOM_REPLY);
}

}  // namespace
