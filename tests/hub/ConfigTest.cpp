// The hub's configuration: a good file is read whole, and each kind of mistake is refused with
// the line and the key that hold it.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "hub/Config.h"
#include "tests/support/TempDir.h"

namespace HubTest {
namespace {

using Hub::ConfigError;
using Hub::parseConfig;

TEST(HubConfig, ReadsLinksCamerasAndSettings) {
    const Hub::Config config = parseConfig(R"(
[hub]
listen = "0.0.0.0:9000"
token = "secret"
max_clients = 10

[[link]]
port = "/dev/ttyUSB0@38400"

  [[link.camera]]
  id = "stage"
  label = "Stage left"
  visca_port = 52381
  presets = { 1 = "Pulpit", 2 = "Choir" }

  [[link.camera]]
  id = "wide"
  address = 3

[[link]]
port = "udp://10.0.0.7"
camera = [ { id = "balcony" } ]
)",
                                           "hub.toml");
    EXPECT_EQ(config.listen.host, "0.0.0.0");
    EXPECT_EQ(config.listen.port, 9000);
    EXPECT_EQ(config.token, "secret");
    EXPECT_EQ(config.limits.clients, 10u);
    ASSERT_EQ(config.links.size(), 2u);
    EXPECT_EQ(config.links[0].port, "/dev/ttyUSB0@38400");
    ASSERT_EQ(config.links[0].cameras.size(), 2u);
    const Hub::CameraConfig& stage = config.links[0].cameras[0];
    EXPECT_EQ(stage.label, "Stage left");
    EXPECT_EQ(stage.address, 1);
    EXPECT_EQ(stage.viscaPort, 52381);
    EXPECT_EQ(stage.presets.at(2), "Choir");
    // A camera without a label is shown by its id; its address is given.
    EXPECT_EQ(config.links[0].cameras[1].label, "wide");
    EXPECT_EQ(config.links[0].cameras[1].address, 3);
    EXPECT_EQ(config.links[1].cameras[0].id, "balcony");
}

struct BadCase {
    const char* label;
    const char* text;
    const char* error;  // the whole message must contain this
};

void PrintTo(const BadCase& c, std::ostream* out) { *out << c.label; }

class HubConfigRefuses : public ::testing::TestWithParam<BadCase> {};

TEST_P(HubConfigRefuses, NamingTheLineAndTheKey) {
    try {
        parseConfig(GetParam().text, "hub.toml");
        ADD_FAILURE() << "taken";
    } catch (const ConfigError& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().error), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, HubConfigRefuses,
    ::testing::Values(
        BadCase{"not TOML", "[[link]\nport = 1", "hub.toml:1:"},
        BadCase{"unknown top-level key", "[cameras]\n", "hub.toml:1: key \"cameras\": unknown key"},
        BadCase{"misspelt key",
                "[[link]]\nport = \"x\"\n[[link.camera]]\nid = \"a\"\nlable = \"A\"\n",
                "hub.toml:5: key \"link[1].camera[1].lable\": unknown key (known here: id, label"},
        BadCase{"no link", "[hub]\n", "hub.toml: no [[link]]"},
        BadCase{"link without port", "[[link]]\n[[link.camera]]\nid = \"a\"\n",
                "key \"link[1].port\": missing"},
        BadCase{"port of the wrong type", "[[link]]\nport = 3\n",
                "hub.toml:2: key \"link[1].port\": must be a string"},
        BadCase{"link without cameras", "[[link]]\nport = \"/dev/ttyS0\"\n",
                "key \"link[1].camera\": missing"},
        BadCase{"id not fit for a URL", "[[link]]\nport = \"x\"\n[[link.camera]]\nid = \"a b\"\n",
                "hub.toml:4: key \"link[1].camera[1].id\": \"a b\" must be 1 to 32 letters"},
        BadCase{
            "id twice",
            "[[link]]\nport = \"x\"\n[[link.camera]]\nid = \"a\"\n[[link.camera]]\nid = \"a\"\n",
            "hub.toml:6: key \"link[1].camera[2].id\": \"a\" is used twice"},
        BadCase{"address out of range",
                "[[link]]\nport = \"x\"\n[[link.camera]]\nid = \"a\"\naddress = 8\n",
                "hub.toml:5: key \"link[1].camera[1].address\": must be from 1 to 7, not 8"},
        BadCase{"address twice",
                "[[link]]\nport = \"x\"\n[[link.camera]]\nid = \"a\"\n[[link.camera]]\nid = "
                "\"b\"\naddress = 1\n",
                "key \"link[1].camera[2].address\": 1 is used twice"},
        BadCase{"visca port out of range",
                "[[link]]\nport = \"x\"\n[[link.camera]]\nid = \"a\"\nvisca_port = 70000\n",
                "hub.toml:5: key \"link[1].camera[1].visca_port\": must be from 1 to 65535"},
        BadCase{"preset not a number",
                "[[link]]\nport = \"x\"\n[[link.camera]]\nid = \"a\"\npresets = { one = \"A\" }\n",
                "key \"link[1].camera[1].presets.one\": a preset number is 0 to 255"},
        BadCase{"listen without port", "[hub]\nlisten = \"127.0.0.1\"\n",
                "hub.toml:2: key \"hub.listen\": \"127.0.0.1\" is not HOST:PORT"},
        BadCase{"max_clients of the wrong type", "[hub]\nmax_clients = \"many\"\n",
                "hub.toml:2: key \"hub.max_clients\": must be an integer"},
        BadCase{"beyond the loopback without a token",
                "[hub]\nlisten = \"0.0.0.0:8080\"\n[[link]]\nport = \"x\"\n[[link.camera]]\nid = "
                "\"a\"\n",
                "listening on 0.0.0.0 needs an access token"}));

TEST(HubConfig, ListenAddressesWithAndWithoutBrackets) {
    EXPECT_EQ(Hub::parseEndpoint("[::1]:8080").host, "::1");
    EXPECT_EQ(Hub::parseEndpoint("[::1]:8080").port, 8080);
    EXPECT_EQ(Hub::parseEndpoint("localhost:0").port, 0);
    EXPECT_THROW(Hub::parseEndpoint("::1:8080"), ConfigError);
    EXPECT_THROW(Hub::parseEndpoint("host:65536"), ConfigError);
    EXPECT_THROW(Hub::parseEndpoint(":80"), ConfigError);
    EXPECT_TRUE(Hub::isLoopback("127.0.0.2"));
    EXPECT_FALSE(Hub::isLoopback("0.0.0.0"));
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A configuration in a folder of its own beside a profile that it names as `profile`.
struct ConfigWithProfile {
    explicit ConfigWithProfile(const std::string& profileText) {
        writeFile(folder.path("chain.json"), profileText);
        writeFile(configPath,
                  "[[link]]\nport = \"x\"\n[[link.camera]]\nid = \"a\"\n"
                  "profile = \"chain.json\"\n");
    }
    TestSupport::TempDir folder;
    std::string configPath = folder.path("hub.toml");
};

const char PROFILE_HEAD[] =
    R"({"format": "quorvin-capability-profile", "version": 1,
        "device": {"vendor": 81, "model": 2, "rom": 515, "maxSocket": 2})";

TEST(HubConfig, ProfileBesideTheConfigurationGivesTheCamerasCapabilities) {
    // The virtual camera's chain model, as it writes it: every key the format has.
    std::ifstream shipped(std::string(QUORVIN_PROFILES) + "/chain.json");
    const std::string text((std::istreambuf_iterator<char>(shipped)),
                           std::istreambuf_iterator<char>());
    ASSERT_FALSE(text.empty());
    ConfigWithProfile files(text);
    const Hub::Config config = Hub::loadConfig(files.configPath);
    const auto& capabilities = config.links[0].cameras[0].capabilities;
    ASSERT_TRUE(capabilities.has_value());
    EXPECT_TRUE(capabilities->lacksCommand("setDZoomState"));
    EXPECT_FALSE(capabilities->lacksCommand("setZoom"));
    EXPECT_TRUE(capabilities->refusesInquiry("getAutoPowerOffDelay"));
    EXPECT_EQ(capabilities->presets, 16);
    EXPECT_EQ(capabilities->panSpeed, 24);
    EXPECT_EQ(capabilities->tiltSpeed, 23);
    EXPECT_EQ(capabilities->zeroAccepted, false);
    // The names given on the page are kept beside the configuration.
    EXPECT_EQ(config.stateFile, files.folder.path("hub.state.json"));

    // The smallest profile says nothing the hub uses: nothing is ruled out.
    ConfigWithProfile bare(std::string(PROFILE_HEAD) + "}");
    const Hub::Config smallest = Hub::loadConfig(bare.configPath);
    const auto& none = smallest.links[0].cameras[0].capabilities;
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->lacks.empty());
    EXPECT_FALSE(none->presets.has_value());
    EXPECT_FALSE(none->panSpeed.has_value());
}

struct BadProfile {
    const char* label;
    const char* rest;   // the profile's text after its head, up to its closing brace
    const char* error;  // what the message must say after the file's name
};

void PrintTo(const BadProfile& c, std::ostream* out) { *out << c.label; }

class HubConfigRefusesProfile : public ::testing::TestWithParam<BadProfile> {};

TEST_P(HubConfigRefusesProfile, NamingTheConfigurationsLineTheFileAndTheKey) {
    ConfigWithProfile files(std::string(PROFILE_HEAD) + GetParam().rest + "}");
    try {
        Hub::loadConfig(files.configPath);
        ADD_FAILURE() << "taken";
    } catch (const ConfigError& e) {
        const std::string expected = files.configPath + ":5: key \"link[1].camera[1].profile\": " +
                                     files.folder.path("chain.json") + ": " + GetParam().error;
        EXPECT_EQ(std::string(e.what()).substr(0, expected.size()), expected) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, HubConfigRefusesProfile,
    ::testing::Values(
        BadProfile{"not JSON", ", \"presets\": }", "not JSON: "},
        BadProfile{"unknown key", R"(, "preset": 16)", "preset: unknown key"},
        BadProfile{"key twice", R"(, "presets": 16, "presets": 8)", "presets: given twice"},
        BadProfile{"presets out of range", R"(, "presets": 0)",
                   "presets: expected a whole number from 1 to 255, got 0"},
        BadProfile{"pan speed beyond a byte's half", R"(, "speeds": {"pan": 200})",
                   "speeds.pan: expected a whole number from 1 to 127, got 200"},
        BadProfile{"zoom speed beyond 7", R"(, "speeds": {"zoom": 8})",
                   "speeds.zoom: expected a whole number from 0 to 7, got 8"},
        BadProfile{"unknown speed", R"(, "speeds": {"iris": 3})", "speeds.iris: unknown key"},
        BadProfile{"zero accepted not a switch", R"(, "speeds": {"zeroAccepted": 1})",
                   "speeds.zeroAccepted: expected true or false, got 1"},
        BadProfile{"an inquiry among the lacking commands", R"(, "lacks": ["getZoom"])",
                   "lacks[0]: getZoom is an inquiry"},
        BadProfile{"a command among the refused inquiries",
                   R"(, "inquiries": {"refused": ["setZoom"]})",
                   "inquiries.refused[0]: setZoom is a command"},
        BadProfile{"no such operation", R"(, "lacks": ["setZom"])",
                   "lacks[0]: \"setZom\" is no camera operation"},
        BadProfile{"listed twice", R"(, "lacks": ["setZoom", "setZoom"])",
                   "lacks[1]: setZoom is listed twice"},
        BadProfile{"device of the wrong kind", R"(, "lineSpeed": "fast")",
                   "lineSpeed: expected a whole number"}));

TEST(HubConfig, ProfileThatIsNotThereOrNotAProfileIsNamed) {
    TestSupport::TempDir folder;
    const std::string config = folder.path("hub.toml");
    writeFile(config,
              "[[link]]\nport = \"x\"\n[[link.camera]]\nid = \"a\"\nprofile = \"gone.json\"\n");
    EXPECT_THROW(
        {
            try {
                Hub::loadConfig(config);
            } catch (const ConfigError& e) {
                EXPECT_NE(std::string(e.what()).find(folder.path("gone.json") + ": cannot be read"),
                          std::string::npos)
                    << e.what();
                throw;
            }
        },
        ConfigError);
    writeFile(folder.path("gone.json"), R"({"format": "something else", "version": 1})");
    try {
        Hub::loadConfig(config);
        ADD_FAILURE() << "taken";
    } catch (const ConfigError& e) {
        EXPECT_NE(std::string(e.what()).find("format: expected \"quorvin-capability-profile\""),
                  std::string::npos)
            << e.what();
    }
}

}  // namespace
}  // namespace HubTest
