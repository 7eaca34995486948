// Preset names given through the API: shown in the camera's entry and sent to its watchers,
// kept in the state file so that a new hub on the same file shows them, bounded and checked,
// and refused like a setting while another client holds the lock.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/hub/HubFixture.h"
#include "tests/support/HubClient.h"

namespace HubTest {
namespace {

using TestSupport::HttpReply;
using TestSupport::httpRequest;

// A hub whose cam1 has the configured names 1 = "Pulpit", 2 = "Choir", keeping what it is given
// in `stateFile`.
ChainOptions namedChain(const std::string& stateFile) {
    return chainOf(1, [stateFile](Hub::Config& config) {
        config.stateFile = stateFile;
        config.links[0].cameras[0].presets = {{1, "Pulpit"}, {2, "Choir"}};
    });
}

// The names that cam1's entry shows.
json presetsOf(const HubOnChain& chain) {
    return json::parse(
        chain.hub->cameraJson("cam1").value("presets", nlohmann::ordered_json::object()).dump());
}

HttpReply name(const HubOnChain& chain, const std::string& target, const std::string& body,
               const TestSupport::Headers& headers = {}) {
    return httpRequest(chain.port(), "PUT", "/api/cameras/cam1/presets/" + target, body, headers);
}

TEST(HubPresetNames, GivenNamesAreShownSentAndKeptForTheNextHub) {
    TestSupport::TempDir folder;
    const std::string stateFile = folder.path("hub.state.json");
    {
        HubOnChain chain(namedChain(stateFile));
        ASSERT_TRUE(chain.waitOnline());
        chain.wire.take();
        const HttpReply given = name(chain, "3", R"({"name":"Lectern"})");
        ASSERT_EQ(given.status, 200) << given.body;
        EXPECT_EQ(json::parse(given.body), json::parse(R"({"preset":3,"name":"Lectern"})"));
        // A configured name is replaced; an empty one takes a name away.
        ASSERT_EQ(name(chain, "1", R"({"name":"Pulpit close"})").status, 200);
        ASSERT_EQ(name(chain, "2", R"({"name":""})").status, 200);
        const json expected = json::parse(R"({"1":"Pulpit close","3":"Lectern"})");
        EXPECT_EQ(presetsOf(chain), expected);
        // Watchers hear the whole new list at once.
        const json event = chain.events.waitFor([](const json& e) {
            return e.value("type", "") == "presets" && e["presets"].size() == 2 &&
                   e["presets"].value("1", "") == "Pulpit close";
        });
        ASSERT_FALSE(event.is_null());
        EXPECT_EQ(event["presets"], expected);
        // Giving names sends the camera nothing.
        EXPECT_TRUE(chain.wire.take().empty());
    }
    HubOnChain again(namedChain(stateFile));
    const json list = json::parse(httpRequest(again.port(), "GET", "/api/cameras").body);
    EXPECT_EQ(list["cameras"][0]["presets"], json::parse(R"({"1":"Pulpit close","3":"Lectern"})"));
}

struct BadName {
    const char* label;
    const char* method;
    const char* target;  // after /api/cameras/
    const char* body;
    int status;
    const char* error;
};

void PrintTo(const BadName& c, std::ostream* out) { *out << c.label; }

class HubPresetNamesRefuse : public ::testing::TestWithParam<BadName> {};

TEST_P(HubPresetNamesRefuse, WithWhatWasWrongAndTheNamesAsBefore) {
    TestSupport::TempDir folder;
    HubOnChain chain(namedChain(folder.path("hub.state.json")));
    const BadName& c = GetParam();
    const HttpReply reply =
        httpRequest(chain.port(), c.method, std::string("/api/cameras/") + c.target, c.body);
    EXPECT_EQ(reply.status, c.status) << reply.body;
    EXPECT_NE(json::parse(reply.body).value("error", "").find(c.error), std::string::npos)
        << reply.body;
    EXPECT_EQ(presetsOf(chain), json::parse(R"({"1":"Pulpit","2":"Choir"})"));
}

INSTANTIATE_TEST_SUITE_P(
    Requests, HubPresetNamesRefuse,
    ::testing::Values(
        BadName{"not a number", "PUT", "cam1/presets/one", R"({"name":"A"})", 400,
                "\"one\" is no preset number"},
        BadName{"past the presets a camera can have", "PUT", "cam1/presets/256", R"({"name":"A"})",
                400, "presets 0 to 255, not 256"},
        BadName{"a name too long for a button", "PUT", "cam1/presets/1",
                R"({"name":"12345678901234567890123456789012345678901234567890123456789012345"})",
                400, "at most 64 bytes, this one 65"},
        BadName{"a line break in the name", "PUT", "cam1/presets/1", R"({"name":"Pul\npit"})", 400,
                "no control characters"},
        BadName{"a name that is not a text", "PUT", "cam1/presets/1", R"({"name":3})", 400,
                "{\"name\": \"...\"}"},
        BadName{"another field", "PUT", "cam1/presets/1", R"({"name":"A","colour":"red"})", 400,
                "{\"name\": \"...\"}"},
        BadName{"no body", "PUT", "cam1/presets/1", "", 400, "{\"name\": \"...\"}"},
        BadName{"named with POST", "POST", "cam1/presets/1", R"({"name":"A"})", 405, "PUT"},
        BadName{"unknown camera", "PUT", "cam9/presets/1", R"({"name":"A"})", 404,
                "no camera \"cam9\""},
        BadName{"deeper path", "PUT", "cam1/presets/1/x", R"({"name":"A"})", 404,
                "no such resource"}));

TEST(HubPresetNames, LockedCameraKeepsItsNamesButForTheKeyHolder) {
    TestSupport::TempDir folder;
    HubOnChain chain(namedChain(folder.path("hub.state.json")));
    const HttpReply locked =
        httpRequest(chain.port(), "POST", "/api/cameras/cam1/lock", R"({"reason":"on air"})");
    const std::string key = json::parse(locked.body)["key"];
    const HttpReply other = name(chain, "4", R"({"name":"Font"})");
    EXPECT_EQ(other.status, 423);
    EXPECT_EQ(json::parse(other.body)["error"], "camera cam1 is locked: on air");
    EXPECT_EQ(name(chain, "4", R"({"name":"Font"})", {{"Quorvin-Lock", key}}).status, 200);
    EXPECT_EQ(presetsOf(chain)["4"], "Font");
}

TEST(HubPresetNames, ProfilesPresetCountBoundsTheNumbers) {
    HubOnChain chain(chainOf(1, [](Hub::Config& config) {
        Hub::Capabilities capabilities;
        capabilities.presets = 16;
        config.links[0].cameras[0].capabilities = capabilities;
    }));
    EXPECT_EQ(name(chain, "15", R"({"name":"Last"})").status, 200);
    const HttpReply past = name(chain, "16", R"({"name":"Past"})");
    EXPECT_EQ(past.status, 400);
    EXPECT_NE(past.body.find("presets 0 to 15, not 16"), std::string::npos) << past.body;
}

TEST(HubPresetNames, StateFileThatCannotBeWrittenIsTold) {
    TestSupport::TempDir folder;
    // A folder that does not exist: the file cannot be made there, whoever runs the test.
    HubOnChain chain(namedChain(folder.path("gone/hub.state.json")));
    const HttpReply reply = name(chain, "3", R"({"name":"Lectern"})");
    EXPECT_EQ(reply.status, 500);
    EXPECT_NE(reply.body.find("the name was not kept: cannot write " +
                              folder.path("gone/hub.state.json")),
              std::string::npos)
        << reply.body;
    EXPECT_FALSE(presetsOf(chain).contains("3"));
}

TEST(HubPresetNames, StateFileThatIsNotOneStopsTheHub) {
    TestSupport::TempDir folder;
    const std::string stateFile = folder.path("hub.state.json");
    for (const char* text : {"not json", R"({"format":"other"})",
                             R"({"format":"quorvin-hub-state","presets":{"cam1":{"x":"A"}}})"}) {
        SCOPED_TRACE(text);
        std::ofstream(stateFile) << text;
        Hub::Config config;
        config.stateFile = stateFile;
        try {
            Hub::Hub hub(config);
            ADD_FAILURE() << "taken";
        } catch (const Hub::ConfigError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(stateFile + ": ", 0), 0u) << e.what();
        }
    }
}

}  // namespace
}  // namespace HubTest
