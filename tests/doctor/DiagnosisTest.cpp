// doctor against the virtual camera: each model explained (what it lacks, its line speed, its
// chain), its profile read back by the virtual camera to give the same diagnosis, and each fault
// and unasked message of the virtual camera turned into the advice it calls for.

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "VirtualChain.h"
#include "doctor/Diagnosis.h"
#include "sim/Profile.h"
#include "tests/support/HeldPort.h"
#include "tests/support/TempDir.h"

namespace DoctorTest {
namespace {

using Doctor::Diagnosis;
using Doctor::InquiryResult;
using Status = Doctor::InquiryResult::Status;

Doctor::DoctorSettings quick() {
    Doctor::DoctorSettings settings;
    settings.probeWait = 300ms;
    settings.quiet = 200ms;
    settings.tool = "quorvin-doctor test";
    settings.time = "now";
    return settings;
}

std::vector<std::string> namesWith(const Doctor::CameraDiagnosis& camera, Status status) {
    std::vector<std::string> names;
    for (const InquiryResult& inquiry : camera.inquiries) {
        if (inquiry.status == status) {
            names.push_back(inquiry.name);
        }
    }
    return names;
}

const InquiryResult& inquiry(const Doctor::CameraDiagnosis& camera, const std::string& name) {
    return *std::find_if(camera.inquiries.begin(), camera.inquiries.end(),
                         [&name](const InquiryResult& r) { return r.name == name; });
}

bool advised(const Diagnosis& diagnosis, const std::string& words) {
    return std::any_of(
        diagnosis.advice.begin(), diagnosis.advice.end(),
        [&words](const std::string& line) { return line.find(words) != std::string::npos; });
}

std::string allAdvice(const Diagnosis& diagnosis) {
    std::string text;
    for (const std::string& line : diagnosis.advice) {
        text += line + "\n";
    }
    return text;
}

// What the diagnosis says of each built-in model, by the name the chain gives it.
struct ModelFacts {
    std::uint16_t model;
    std::vector<std::string> refused;
    std::vector<std::string> lacks;
};
const std::map<std::string, ModelFacts> MODELS = {
    {"standard", {0x0001, {}, {}}},
    {"chain",
     {0x0002,
      {"getDZoomState", "getAutoPowerOffDelay"},
      {"setDZoomState", "setAutoPowerOffDelay"}}},
    {"network", {0x0003, {}, {}}},
};

struct ChainCase {
    const char* label;
    std::vector<std::string> models;
    int baud;
};

void PrintTo(const ChainCase& c, std::ostream* out) { *out << c.label; }

class Personalities : public ::testing::TestWithParam<ChainCase> {};

TEST_P(Personalities, EachCameraIsExplainedWithItsSpeedAndWhatItLacks) {
    const ChainCase& c = GetParam();
    VirtualChain chain(c.models, c.baud);
    const Diagnosis d = Doctor::diagnose(chain.device(), quick());

    ASSERT_TRUE(d.found()) << allAdvice(d);
    ASSERT_TRUE(d.lineSpeed.has_value());
    EXPECT_EQ(*d.lineSpeed, static_cast<std::uint32_t>(c.baud));
    const std::string link =
        c.baud == 9600 ? chain.device() : chain.device() + "@" + std::to_string(c.baud);
    EXPECT_EQ(d.link, link);
    EXPECT_EQ(d.cameras, static_cast<int>(c.models.size()));
    ASSERT_EQ(d.diagnosed.size(), c.models.size());
    bool anyRefused = false;
    for (std::size_t i = 0; i < c.models.size(); ++i) {
        const Doctor::CameraDiagnosis& camera = d.diagnosed[i];
        const ModelFacts& facts = MODELS.at(c.models[i]);
        SCOPED_TRACE("camera " + std::to_string(camera.number) + ", " + c.models[i]);
        EXPECT_EQ(camera.number, static_cast<int>(i + 1));
        ASSERT_TRUE(camera.codes.has_value());
        EXPECT_EQ(camera.codes->model, facts.model);
        EXPECT_EQ(namesWith(camera, Status::Refused), facts.refused);
        EXPECT_EQ(camera.likelyLacks, facts.lacks);
        EXPECT_TRUE(namesWith(camera, Status::Failed).empty());
        EXPECT_EQ(namesWith(camera, Status::Answered).size() + facts.refused.size(), 22u);
        EXPECT_TRUE(camera.roundTrip.has_value());
        // A camera without digital zoom still has its zoom position read: the library takes
        // the refused digital zoom inquiry for digital zoom off.
        EXPECT_EQ(inquiry(camera, "getZoom").status, Status::Answered);
        if (!facts.refused.empty()) {
            anyRefused = true;
            EXPECT_TRUE(advised(d, "Camera " + std::to_string(camera.number) +
                                       " refuses getDZoomState and getAutoPowerOffDelay (a "
                                       "syntax error): it most likely lacks setDZoomState and "
                                       "setAutoPowerOffDelay as well."))
                << allAdvice(d);
        }
    }
    const std::string speedAdvice =
        std::string(c.models.size() == 1 ? "The camera answers" : "The cameras answer") + " at " +
        std::to_string(c.baud) + " baud, not at 9600: name the port " + link +
        " wherever you connect to it";
    EXPECT_EQ(advised(d, speedAdvice), c.baud != 9600) << allAdvice(d);
    if (c.baud == 9600 && !anyRefused) {
        EXPECT_EQ(d.advice, std::vector<std::string>{"Nothing wrong found."});
    }
    EXPECT_TRUE(d.unasked.empty());
    expectOnlyInquiries(chain.received());
}

INSTANTIATE_TEST_SUITE_P(
    Chains, Personalities,
    ::testing::Values(ChainCase{"standard at 9600", {"standard"}, 9600},
                      ChainCase{"chain camera at 38400", {"chain"}, 38400},
                      ChainCase{"network camera at 115200", {"network"}, 115200},
                      ChainCase{"mixed chain at 38400", {"chain", "standard", "network"}, 38400},
                      ChainCase{"mixed chain at 9600", {"network", "chain"}, 9600}));

// A name that carries the speed is tried at it first: one try, no advice about the speed.
TEST(Diagnosis, APortNamedWithItsSpeedIsOpenedAtIt) {
    VirtualChain chain({"standard"}, 38400);
    const Diagnosis d = Doctor::diagnose(chain.device() + "@38400", quick());
    ASSERT_EQ(d.tries.size(), 1u);
    EXPECT_EQ(d.tries[0].outcome, Doctor::SetUp::Outcome::Answered);
    EXPECT_EQ(d.advice, std::vector<std::string>{"Nothing wrong found."});
}

// The network camera greets each connection with the network change.
TEST(Diagnosis, ANetworkCamerasGreetingIsSeenAtTheLinkSetUp) {
    VirtualChain chain({"network"});
    for (const std::string& link : {chain.udp(), chain.tcp()}) {
        SCOPED_TRACE(link);
        const Diagnosis d = Doctor::diagnose(link, quick());
        ASSERT_TRUE(d.found()) << allAdvice(d);
        EXPECT_FALSE(d.lineSpeed.has_value());
        ASSERT_EQ(d.unasked.size(), 1u);
        EXPECT_EQ(d.unasked[0].frame, "90 38 FF");
        EXPECT_EQ(d.unasked[0].what, "network change");
        EXPECT_EQ(d.unasked[0].during, 0);
        EXPECT_FALSE(d.unasked[0].quiet);
        EXPECT_EQ(d.advice, std::vector<std::string>{
                                "The camera greets each new connection with the network-change "
                                "message (90 38 FF). A program must not take it for a reply; the "
                                "library sets it aside."});
        EXPECT_EQ(Doctor::capabilityProfile(d, 1)["unsolicited"]["networkChangeOnConnect"], true);
    }
    expectOnlyInquiries(chain.received());
}

// ---------------------------------------------------------------------------------------------
// The profile doctor writes, read by the virtual camera: that camera gets the same diagnosis.

struct RoundTripCase {
    const char* label;
    const char* model;
    int baud;
    bool overUdp;
};

void PrintTo(const RoundTripCase& c, std::ostream* out) { *out << c.label; }

class ProfileRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(ProfileRoundTrip, TheVirtualCameraFromTheProfileIsDiagnosedAlike) {
    const RoundTripCase& c = GetParam();
    VirtualChain original({c.model}, c.baud);
    const Diagnosis first =
        Doctor::diagnose(c.overUdp ? original.udp() : original.device(), quick());
    ASSERT_TRUE(first.found()) << allAdvice(first);
    const nlohmann::ordered_json profile = Doctor::capabilityProfile(first, 1);
    ASSERT_FALSE(profile.is_null());

    TestSupport::TempDir dir;
    const std::string file = dir.path("camera.json");
    std::ofstream(file) << profile.dump(2) << '\n';
    const Camsim::Model model = Camsim::loadProfile(file);
    VirtualChain copy(model, {});
    const Diagnosis second = Doctor::diagnose(c.overUdp ? copy.udp() : copy.device(), quick());
    ASSERT_TRUE(second.found()) << allAdvice(second);

    const nlohmann::ordered_json again = Doctor::capabilityProfile(second, 1);
    for (const char* key : {"device", "lineSpeed", "inquiries", "lacks", "unsolicited"}) {
        EXPECT_EQ(again.contains(key), profile.contains(key)) << key;
        if (profile.contains(key)) {
            EXPECT_EQ(again[key], profile[key]) << key;
        }
    }
    EXPECT_EQ(second.lineSpeed, first.lineSpeed);
    EXPECT_EQ(profile.contains("lineSpeed"), !c.overUdp);
    // What a diagnosis cannot learn is left out, for the reader's standard model to fill in.
    for (const char* key : {"presets", "speeds", "ranges"}) {
        EXPECT_FALSE(profile.contains(key)) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Models, ProfileRoundTrip,
    ::testing::Values(RoundTripCase{"chain camera at 38400", "chain", 38400, false},
                      RoundTripCase{"standard camera at 9600", "standard", 9600, false},
                      RoundTripCase{"network camera over UDP", "network", 9600, true}));

// ---------------------------------------------------------------------------------------------
// Faults and unasked messages of the virtual camera, and the advice for each.

struct FaultCase {
    const char* label;
    std::function<void(Camsim::ServerOptions&, Doctor::DoctorSettings&)> arrange;
    std::function<void(const Diagnosis&, const std::string& device)> check;
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.label; }

class Faults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(Faults, AreExplainedInTheAdvice) {
    Camsim::ServerOptions options;
    Doctor::DoctorSettings settings = quick();
    GetParam().arrange(options, settings);
    VirtualChain chain({"standard", "standard"}, 9600, options);
    const Diagnosis d = Doctor::diagnose(chain.device(), settings);
    SCOPED_TRACE(allAdvice(d));
    GetParam().check(d, chain.device());
    expectOnlyInquiries(chain.received());
}

INSTANTIATE_TEST_SUITE_P(
    VirtualCamera, Faults,
    ::testing::Values(
        FaultCase{"a camera that answers nothing",
                  [](Camsim::ServerOptions& o, Doctor::DoctorSettings&) {
                      o.fault = Camsim::Fault::Silent;
                  },
                  [](const Diagnosis& d, const std::string& device) {
                      EXPECT_TRUE(d.opened);
                      EXPECT_FALSE(d.found());
                      EXPECT_EQ(d.tries.size(), 3u);
                      ASSERT_FALSE(d.advice.empty());
                      EXPECT_EQ(d.advice[0].rfind("No camera answered on " + device +
                                                      " at 9600, 38400 or 115200 baud. Check, "
                                                      "in this order: that the camera is "
                                                      "switched on",
                                                  0),
                                0u);
                      EXPECT_TRUE(d.diagnosed.empty());
                  }},
        FaultCase{"answers one byte short",
                  [](Camsim::ServerOptions& o, Doctor::DoctorSettings&) {
                      o.fault = Camsim::Fault::ShortAnswer;
                  },
                  [](const Diagnosis& d, const std::string&) {
                      ASSERT_EQ(d.diagnosed.size(), 2u);
                      const InquiryResult& pan = inquiry(d.diagnosed[0], "getPanTilt");
                      EXPECT_EQ(pan.status, Status::Failed);
                      EXPECT_EQ(pan.reply, "90 50 02 FF");
                      EXPECT_EQ(pan.error, "Executing the command failed !");
                      EXPECT_TRUE(advised(d, "Camera 1's answers break the protocol: "));
                      EXPECT_TRUE(advised(d, "came in a shape the library refuses"));
                  }},
        FaultCase{"no automatic power-off",
                  [](Camsim::ServerOptions& o, Doctor::DoctorSettings&) {
                      o.fault = Camsim::Fault::NoAutoPowerOff;
                  },
                  [](const Diagnosis& d, const std::string&) {
                      ASSERT_EQ(d.diagnosed.size(), 2u);
                      for (const auto& camera : d.diagnosed) {
                          EXPECT_EQ(namesWith(camera, Status::Refused),
                                    std::vector<std::string>{"getAutoPowerOffDelay"});
                          EXPECT_EQ(camera.likelyLacks,
                                    std::vector<std::string>{"setAutoPowerOffDelay"});
                      }
                      EXPECT_TRUE(advised(d, "Camera 2 refuses getAutoPowerOffDelay"));
                  }},
        FaultCase{"the network change before every reply",
                  [](Camsim::ServerOptions& o, Doctor::DoctorSettings&) {
                      o.chatter.networkChangeBeforeReply = 100;
                  },
                  [](const Diagnosis& d, const std::string&) {
                      ASSERT_FALSE(d.unasked.empty());
                      EXPECT_EQ(d.unasked.back().what, "network change");
                      EXPECT_EQ(d.unasked.back().during, 2);
                      EXPECT_TRUE(advised(d,
                                          "The network-change message (90 38 FF) came "
                                          "unasked "));
                      // Set aside, it takes no inquiry's place.
                      EXPECT_TRUE(namesWith(d.diagnosed[1], Status::Failed).empty());
                  }},
        FaultCase{"keys of the infrared remote",
                  [](Camsim::ServerOptions& o, Doctor::DoctorSettings&) {
                      o.chatter.infraredBeforeReply = 100;
                  },
                  [](const Diagnosis& d, const std::string& device) {
                      EXPECT_TRUE(advised(d, "Infrared remote keys came unasked (90 07 7D 01 "));
                      EXPECT_TRUE(
                          advised(d, "quorvin --port " + device + " setIrReceiveReturnState off"));
                  }},
        FaultCase{
            "a stale answer after each exchange",
            [](Camsim::ServerOptions& o, Doctor::DoctorSettings&) { o.chatter.strayStale = true; },
            [](const Diagnosis& d, const std::string&) {
                EXPECT_TRUE(advised(d,
                                    "Camera 1's inquiries got a second answer (90 50 0F "
                                    "FF, "));
                EXPECT_TRUE(advised(d, "two cameras may share address 1"));
            }},
        FaultCase{"a camera past the chain asked for",
                  [](Camsim::ServerOptions&, Doctor::DoctorSettings& s) { s.camera = 3; },
                  [](const Diagnosis& d, const std::string&) {
                      EXPECT_TRUE(d.found());
                      EXPECT_TRUE(d.diagnosed.empty());
                      EXPECT_TRUE(advised(d,
                                          "The camera asked for is not on this link: the "
                                          "link set-up counted 2 cameras."));
                  }},
        FaultCase{"one camera of the chain asked for",
                  [](Camsim::ServerOptions&, Doctor::DoctorSettings& s) { s.camera = 2; },
                  [](const Diagnosis& d, const std::string&) {
                      ASSERT_EQ(d.diagnosed.size(), 1u);
                      EXPECT_EQ(d.diagnosed[0].number, 2);
                      EXPECT_EQ(d.advice, std::vector<std::string>{"Nothing wrong found."});
                  }}));

// A port that will not open is explained as the tool explains it, and nothing more is tried.
TEST(Diagnosis, APortThatWillNotOpenGetsItsCause) {
    VirtualChain held({"standard"});
    TestSupport::HeldPort holder(held.device());
    ASSERT_TRUE(holder.held());
    const Diagnosis d = Doctor::diagnose(held.device(), quick());
    holder.release();
    EXPECT_FALSE(d.opened);
    EXPECT_EQ(d.tries.size(), 1u);
    // In a test the holder is this process, which the port check does not name as another.
    EXPECT_EQ(d.cause, held.device() + " is held by another process");
    ASSERT_EQ(d.advice.size(), 1u);
    EXPECT_EQ(d.advice[0], "The port " + held.device() + " did not open: " + d.cause + ".");
    EXPECT_TRUE(held.received().empty());

    TestSupport::TempDir dir;
    const Diagnosis missing = Doctor::diagnose(dir.path("ttyUSB9") + "@38400", quick());
    EXPECT_FALSE(missing.opened);
    EXPECT_EQ(missing.cause.rfind("no such device " + dir.path("ttyUSB9") + "; ", 0), 0u)
        << missing.cause;
}

// A network camera that is not there: the library's words, and what to check. Nothing listens
// on port 1 of the loopback address.
TEST(Diagnosis, ANetworkCameraThatRefusesTheConnection) {
    const Diagnosis d = Doctor::diagnose("tcp://127.0.0.1:1", quick());
    EXPECT_FALSE(d.opened);
    EXPECT_EQ(d.cause, "Network camera 127.0.0.1:1: connection refused");
    ASSERT_EQ(d.advice.size(), 1u);
    EXPECT_EQ(d.advice[0].rfind("The network camera tcp://127.0.0.1:1 could not be reached: "
                                "Network camera 127.0.0.1:1: connection refused. Check its address",
                                0),
              0u)
        << d.advice[0];
}

}  // namespace
}  // namespace DoctorTest
