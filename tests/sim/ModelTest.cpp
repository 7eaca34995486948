// The camera models side by side: the same request to each, and what each answers. The values
// are written out rather than read from the models, so that a changed model shows here.
#include <gtest/gtest.h>

#include <string>

#include "SimTestSupport.h"
#include "sim/Model.h"
#include "sim/PtyServer.h"

namespace {

using SimTest::Bytes;
using SimTest::hex;
using SimTest::Line;
using SimTest::toHex;

using SimTest::DONE;
using SimTest::SYNTAX_ERROR;

Camsim::ServerOptions ofModel(const std::string& name) {
    Camsim::ServerOptions options;
    options.model = Camsim::builtInModel(name).value();
    options.timing.instant = true;
    return options;
}

struct ModelCase {
    const char* model;
    const char* request;
    const char* reply;
};

void PrintTo(const ModelCase& c, std::ostream* os) {
    *os << c.model << ": " << c.request << " -> " << c.reply;
}

class ModelAnswer : public ::testing::TestWithParam<ModelCase> {};

TEST_P(ModelAnswer, IsTheModelsOwn) {
    Line line(ofModel(GetParam().model));
    const Bytes expected = hex(GetParam().reply);
    EXPECT_EQ(toHex(line.port.exchange(hex(GetParam().request), expected.size())), toHex(expected));
}

INSTANTIATE_TEST_SUITE_P(
    DeviceType, ModelAnswer,
    ::testing::Values(ModelCase{"standard", "81 09 00 02 FF", "90 50 00 51 00 01 01 00 02 FF"},
                      ModelCase{"chain", "81 09 00 02 FF", "90 50 00 51 00 02 02 03 02 FF"},
                      ModelCase{"network", "81 09 00 02 FF", "90 50 00 51 00 03 03 01 02 FF"}));

// The chain camera has neither digital zoom nor automatic power-off; the others have both.
INSTANTIATE_TEST_SUITE_P(
    Lacks, ModelAnswer,
    ::testing::Values(ModelCase{"chain", "81 09 04 06 FF", SYNTAX_ERROR},
                      ModelCase{"chain", "81 01 04 06 02 FF", SYNTAX_ERROR},
                      ModelCase{"chain", "81 09 04 40 FF", SYNTAX_ERROR},
                      ModelCase{"chain", "81 01 04 40 00 00 01 0E FF", SYNTAX_ERROR},
                      ModelCase{"chain", "81 09 04 47 FF", "90 50 00 00 00 00 FF"},
                      ModelCase{"standard", "81 09 04 06 FF", "90 50 03 FF"},
                      ModelCase{"standard", "81 09 04 40 FF", "90 50 00 00 00 00 FF"},
                      ModelCase{"network", "81 01 04 06 02 FF", DONE},
                      ModelCase{"network", "81 09 04 40 FF", "90 50 00 00 00 00 FF"}));

// Presets 0..15 on the standard and chain cameras, 0..254 on the network camera (255 would
// need the terminator's byte).
INSTANTIATE_TEST_SUITE_P(Presets, ModelAnswer,
                         ::testing::Values(ModelCase{"standard", "81 01 04 3F 01 0F FF", DONE},
                                           ModelCase{"standard", "81 01 04 3F 01 10 FF",
                                                     SYNTAX_ERROR},
                                           ModelCase{"chain", "81 01 04 3F 01 0F FF", DONE},
                                           ModelCase{"chain", "81 01 04 3F 02 10 FF", SYNTAX_ERROR},
                                           ModelCase{"network", "81 01 04 3F 01 10 FF", DONE},
                                           ModelCase{"network", "81 01 04 3F 02 FE FF", DONE},
                                           ModelCase{"network", "81 01 04 3F 00 FE FF", DONE}));

// Speed 0 is the network camera's slowest; the tilt speeds end at 0x14, 0x17 and 0x14.
INSTANTIATE_TEST_SUITE_P(
    Speeds, ModelAnswer,
    ::testing::Values(ModelCase{"standard", "81 01 06 01 00 00 02 01 FF", SYNTAX_ERROR},
                      ModelCase{"chain", "81 01 06 01 00 01 02 01 FF", SYNTAX_ERROR},
                      ModelCase{"network", "81 01 06 01 00 00 02 01 FF", DONE},
                      ModelCase{"network", "81 01 06 02 00 00 00 00 00 00 00 00 00 00 FF", DONE},
                      ModelCase{"network", "81 01 06 03 00 00 00 00 00 00 00 00 00 00 FF", DONE},
                      ModelCase{"standard", "81 01 06 01 18 15 03 01 FF", SYNTAX_ERROR},
                      ModelCase{"chain", "81 01 06 01 18 17 03 01 FF", DONE},
                      ModelCase{"chain", "81 01 06 01 18 18 03 01 FF", SYNTAX_ERROR},
                      ModelCase{"chain", "81 01 06 01 19 17 03 01 FF", SYNTAX_ERROR},
                      ModelCase{"network", "81 01 06 01 18 15 03 01 FF", SYNTAX_ERROR}));

// Absolute positions at and past each model's ends: pan 1440 and 1360, tilt 360, 240 and
// 720 up, -360 and -240 down.
INSTANTIATE_TEST_SUITE_P(
    Travel, ModelAnswer,
    ::testing::Values(
        ModelCase{"standard", "81 01 06 02 18 14 00 05 0A 00 00 01 06 08 FF", DONE},
        ModelCase{"chain", "81 01 06 02 18 14 00 05 05 00 00 00 00 00 FF", DONE},
        ModelCase{"chain", "81 01 06 02 18 14 00 05 05 01 00 00 00 00 FF", SYNTAX_ERROR},
        ModelCase{"chain", "81 01 06 02 18 14 00 00 00 00 00 00 0F 00 FF", DONE},
        ModelCase{"chain", "81 01 06 02 18 14 00 00 00 00 00 00 0F 01 FF", SYNTAX_ERROR},
        ModelCase{"chain", "81 01 06 02 18 14 00 00 00 00 0F 0F 01 00 FF", DONE},
        ModelCase{"chain", "81 01 06 02 18 14 00 00 00 00 0F 0F 00 0F FF", SYNTAX_ERROR},
        ModelCase{"network", "81 01 06 02 18 14 00 00 00 00 00 02 0D 00 FF", DONE},
        ModelCase{"network", "81 01 06 02 18 14 00 00 00 00 00 02 0D 01 FF", SYNTAX_ERROR},
        ModelCase{"network", "81 01 06 02 18 14 00 00 00 00 0F 0F 00 0F FF", SYNTAX_ERROR}));

TEST(Model, PresetsBeyondTheStandardSixteenAreStoredAndRecalled) {
    Line line(ofModel("network"));
    for (const char* command : {"81 01 06 02 18 14 00 00 06 04 00 02 00 00 FF",
                                "81 01 04 3F 01 FE FF", "81 01 06 04 FF", "81 01 04 3F 02 FE FF"}) {
        ASSERT_EQ(toHex(line.port.exchange(hex(command), 6)), DONE) << command;
    }
    // Pan 100, tilt 512: above the standard camera's highest tilt.
    EXPECT_EQ(toHex(line.port.exchange(hex("81 09 06 12 FF"), 11)),
              "90 50 00 00 06 04 00 02 00 00 FF");
}

TEST(Model, RelativeMovesStopAtTheModelsOwnEnds) {
    Line line(ofModel("chain"));
    ASSERT_EQ(toHex(line.port.exchange(hex("81 01 06 03 18 14 07 0F 0F 0F 07 0F 0F 0F FF"), 6)),
              DONE);
    EXPECT_EQ(toHex(line.port.exchange(hex("81 09 06 12 FF"), 11)),
              "90 50 00 05 05 00 00 00 0F 00 FF");
}

// A chain that mixes models: each camera answers as its own model, whatever its neighbours are,
// also after the chain has been numbered from another address.
TEST(Model, EachCameraOfAMixedChainIsItsOwnModel) {
    Camsim::ServerOptions options;
    for (const char* name : {"chain", "standard", "network"}) {
        options.models.push_back(Camsim::builtInModel(name).value());
    }
    options.timing.instant = true;
    Line line(options);
    EXPECT_EQ(line.server.cameraCount(), 3);
    struct Ask {
        const char* request;
        const char* reply;
    };
    const Ask before[] = {
        {"81 09 00 02 FF", "90 50 00 51 00 02 02 03 02 FF"},
        {"82 09 00 02 FF", "A0 50 00 51 00 01 01 00 02 FF"},
        {"83 09 00 02 FF", "B0 50 00 51 00 03 03 01 02 FF"},
        {"81 09 04 06 FF", SYNTAX_ERROR},
        {"82 09 04 06 FF", "A0 50 03 FF"},
        {"83 01 04 3F 01 10 FF", "B0 41 FF B0 51 FF"},
        {"82 01 04 3F 01 10 FF", "A0 60 02 FF"},
    };
    for (const Ask& ask : before) {
        const Bytes expected = hex(ask.reply);
        EXPECT_EQ(toHex(line.port.exchange(hex(ask.request), expected.size())), ask.reply)
            << ask.request;
    }
    // Numbered from 2, the chain camera is camera 2 and the network camera camera 4.
    ASSERT_EQ(toHex(line.port.exchange(hex("88 30 02 FF"), 4)), "88 30 05 FF");
    EXPECT_EQ(toHex(line.port.exchange(hex("82 09 04 40 FF"), 4)), "A0 60 02 FF");
    EXPECT_EQ(toHex(line.port.exchange(hex("84 09 00 02 FF"), 10)),
              "C0 50 00 51 00 03 03 01 02 FF");
}

TEST(Model, EveryNamedModelIsBuiltInAndNoOtherIs) {
    for (const std::string& name : Camsim::builtInModelNames()) {
        const auto model = Camsim::builtInModel(name);
        ASSERT_TRUE(model.has_value()) << name;
        EXPECT_EQ(model->name, name);
    }
    EXPECT_FALSE(Camsim::builtInModel("Standard").has_value());
    EXPECT_FALSE(Camsim::builtInModel("").has_value());
}

}  // namespace
