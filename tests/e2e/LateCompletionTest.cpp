// A move whose completion comes 300 ms after the controller's 6 s transfer limit, as a long
// preset recall or home move on a real camera does: the move fails with the time-out, and the
// completion that follows must not be taken for the reply of a later exchange. Takes the full
// limit, so it runs apart from the quick end-to-end tests.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/MixedExchanges.h"
#include "tests/e2e/OverVirtualCamera.h"
#include "tests/support/Eventually.h"

using E2eTest::linesStartingWith;
using E2eTest::OverVirtualCamera;
using E2eTest::runMixedExchanges;
using TestSupport::eventually;
using TestSupport::raisedBy;
using TestSupport::readLines;

TEST_F(OverVirtualCamera, CompletionPastTheTimeOutIsDroppedAndLaterExchangesReadTheirOwnReplies) {
    camera.connect(server.devicePath());
    // A value that the completion's byte would misread: 90 51 FF reads as "off".
    camera.setBackLightState(true);
    camera.setPanTilt(0.5, 0.25, 0, 0);
    // Moves now complete 6.3 s after their acknowledgement.
    server.setFault(Camsim::Fault::LateCompletion);
    setLogFile("camera.log");
    setDebugEnabled(true);

    EXPECT_EQ(raisedBy([&] { camera.moveHome(); }),
              "Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !");
    // The completion reaches the line after the controller has given up, and waits there.
    ASSERT_TRUE(eventually([&] { return server.unreadReplyBytes() == 3; }));

    runMixedExchanges(camera, server, false);
    const std::vector<std::string> lines = readLines("camera.log");
    EXPECT_EQ(linesStartingWith(lines, "[Debug] Discarded stale input: "), 1);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "[Debug] Discarded stale input: 90 51 ff "),
              lines.end());
}
