// The hub's configuration: a good file is read whole, and each kind of mistake is refused with
// the line and the key that hold it.

#include <gtest/gtest.h>

#include <string>

#include "hub/Config.h"

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

}  // namespace
}  // namespace HubTest
