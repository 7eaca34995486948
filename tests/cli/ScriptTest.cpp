// How a command line falls apart into operations before anything is sent.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Script.h"

namespace CliTest {
namespace {

using namespace QuorvinCli;
using Operations::Value;

Value D(double v) { return Value{v}; }

TEST(ParseSteps, CommasSeparateWhetherAloneOrGluedToAWord) {
    const std::vector<Step> steps =
        parseSteps({"setZoom", "0.5,", "getZoom", ",", "status", "--json", ",-"});
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(describe(steps[0]), "setZoom");
    EXPECT_EQ(steps[0].values, std::vector<Value>{D(0.5)});
    EXPECT_EQ(describe(steps[1]), "getZoom");
    EXPECT_EQ(steps[2].kind, Step::Kind::Status);
    EXPECT_TRUE(steps[2].json);
    EXPECT_EQ(steps[3].kind, Step::Kind::StandardInput);
}

TEST(ParseSteps, RefusesMistakesAnywhereInTheLine) {
    const std::vector<std::vector<std::string>> lines = {
        {},
        {"getZoom", ",", ",", "getZoom"},
        {"getZoom", ","},
        {"getZoom", ",", "setZoom"},
        {"getZoom", ",", "setZoom", "0.5", "1"},
        {"getZoom", ",", "zoomFaster"},
        {"status", "--yaml"},
        {"-", "file"},
        {"getzoom"},  // operation names are exact
    };
    for (const auto& line : lines) {
        std::string joined;
        for (const auto& word : line) {
            joined += word + " ";
        }
        EXPECT_THROW(parseSteps(line), UsageError) << joined;
    }
}

TEST(ParseSteps, NamesTheOperationAndItsArgumentsInTheMessage) {
    try {
        parseSteps({"setPanTilt", "0.5", "x", "1", "2"});
        FAIL() << "no error";
    } catch (const UsageError& error) {
        EXPECT_STREQ(error.what(),
                     "setPanTilt: \"x\" for <tilt> is not a valid double: setPanTilt "
                     "<pan:double> <tilt:double> <panSpeed:int> <tiltSpeed:int>");
    }
}

TEST(SplitLine, DropsCommentsAndBlanks) {
    EXPECT_EQ(splitLine("  setZoom\t0.5  # halfway"), (std::vector<std::string>{"setZoom", "0.5"}));
    EXPECT_TRUE(splitLine("# only a comment").empty());
    EXPECT_TRUE(splitLine("   ").empty());
}

}  // namespace
}  // namespace CliTest
