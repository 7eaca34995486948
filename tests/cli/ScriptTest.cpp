// How a command line falls apart into operations before anything is sent.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
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

// What a message makes of a word: whole up to the limit, else its start and its length, cut
// between characters rather than inside one.
TEST(QuoteWord, ShortWordsWholeLongOnesCutWithTheirLength) {
    const std::string forty(QUOTE_LIMIT, 'x');
    const std::string accent = "\xC3\xA9";  // one character in two bytes
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"setZom", "\"setZom\""},
        {"", "\"\""},
        {forty, "\"" + forty + "\""},
        {forty + "y", "\"" + forty + "...\" of 41 characters"},
        {std::string(1 << 20, 'z'),
         "\"" + std::string(QUOTE_LIMIT, 'z') + "...\" of 1048576 characters"},
        {std::string(QUOTE_LIMIT - 1, 'x') + accent + accent,
         "\"" + std::string(QUOTE_LIMIT - 1, 'x') + accent + "...\" of 41 characters"},
        {std::string(QUOTE_LIMIT - 1, 'x') + accent,
         "\"" + std::string(QUOTE_LIMIT - 1, 'x') + accent + "\""},
    };
    for (const auto& [word, message] : cases) {
        EXPECT_EQ(quoteWord(word), message) << word.size() << " bytes";
    }
}

// A page pasted in place of a word comes back as one short line, and a long word is not taken
// for a mistyped name (nor compared with each name at length).
TEST(ParseSteps, LongWordsAreQuotedShort) {
    const std::string page(1 << 20, 'a');
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{page},
         "unknown operation \"" + std::string(QUOTE_LIMIT, 'a') +
             "...\" of 1048576 characters (quorvin --help lists them)"},
        {{"setWBMode", page},
         "setWBMode: \"" + std::string(QUOTE_LIMIT, 'a') +
             "...\" of 1048576 characters for "
             "<mode> is not a WBMode"},
        // Three letters more than the name: still the one meant.
        {{"getGainxyz"}, "unknown operation \"getGainxyz\" (did you mean getGain? "},
    };
    for (const auto& [words, start] : cases) {
        try {
            parseSteps(words);
            ADD_FAILURE() << "no error for " << start;
        } catch (const UsageError& error) {
            EXPECT_EQ(std::string(error.what()).rfind(start, 0), 0u) << error.what();
            EXPECT_LT(std::string(error.what()).size(), 300u);
        }
    }
}

std::vector<std::string> names(const std::vector<Step>& steps) {
    std::vector<std::string> all;
    for (const Step& step : steps) {
        all.push_back(describe(step));
    }
    return all;
}

TEST(WithScript, EachDashTakesTheScriptInItsPlace) {
    std::istringstream in("setGain 3\n\n  # a comment\ngetGain, getZoom # and another\n");
    const std::vector<Step> steps =
        withScript(parseSteps({"getIris", ",", "-", ",", "status"}), in);
    EXPECT_EQ(names(steps),
              (std::vector<std::string>{"getIris", "setGain", "getGain", "getZoom", "status"}));
}

// The whole script is read before the first mistake is reported, by its line number.
TEST(WithScript, RefusesTheFirstBadLineByItsNumber) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"getGain\nsetGian 3\nsetZom 1\n",
         "line 2: unknown operation \"setGian\" (did you mean setGain?"},
        {"# set-up\n\ngetGain , , getZoom\n", "line 3: an operation is missing beside a ','"},
        {"getGain\n-\n", "line 2: - cannot be used on standard input itself"},
        {"getGain\nsetGain", "line 2: setGain takes 1 argument, got 0"},  // no final newline
    };
    for (const auto& [script, start] : cases) {
        std::istringstream in(script);
        try {
            withScript(parseSteps({"-"}), in);
            ADD_FAILURE() << "no error for " << script;
        } catch (const UsageError& error) {
            EXPECT_EQ(std::string(error.what()).rfind(start, 0), 0u) << error.what();
        }
    }
}

TEST(SplitLine, DropsCommentsAndBlanks) {
    EXPECT_EQ(splitLine("  setZoom\t0.5  # halfway"), (std::vector<std::string>{"setZoom", "0.5"}));
    EXPECT_TRUE(splitLine("# only a comment").empty());
    EXPECT_TRUE(splitLine("   ").empty());
}

}  // namespace
}  // namespace CliTest
