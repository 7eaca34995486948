#include <gtest/gtest.h>

#include <filesystem>
#include <iomanip>
#include <sstream>

#include "diagnostics/Log.h"
#include "quorvin/Log.h"
#include "tests/support/LogSandbox.h"

using namespace CameraDriver;
using TestSupport::LogSandbox;
using TestSupport::readFile;

namespace {

const unsigned char COMMAND[] = {0x81, 0x01, 0x04, 0x07, 0x02, 0xFF};

// One line of each kind.
void writeEachKind() {
    logDebug("Sending command ...");
    logPacket(COMMAND, 6);
    logException("open COM port failed ! ");
}

const char* const DEBUG_LINE = "[Debug] Sending command ...\n";
const char* const PACKET_LINE = "[Debug] 81 01 04 07 02 ff \n";
const char* const EXCEPTION_LINE = "[Exception] open COM port failed ! \n";

class LogTest : public ::testing::Test {
  protected:
    LogSandbox sandbox;
};

}  // namespace

TEST_F(LogTest, WritesNothingAnywhereWhileEverySwitchIsOff) {
    ::testing::internal::CaptureStdout();
    writeEachKind();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(std::filesystem::is_empty(sandbox.dir()));
}

TEST_F(LogTest, SwitchesRouteEachKindOfLine) {
    struct Case {
        const char* name;
        void (*enable)();
        std::string file;    // expected contents of ./CameraDriver.log, or "-" for no file
        std::string stdOut;  // expected standard output
    };
    const std::string all = std::string(DEBUG_LINE) + PACKET_LINE + EXCEPTION_LINE;
    const Case cases[] = {
        {"debug", [] { setDebugEnabled(true); }, all, ""},
        {"log", [] { setLogEnabled(true); }, EXCEPTION_LINE, ""},
        {"verbose", [] { setVerboseEnabled(true); }, "-", all},
        {"debug then off",
         [] {
             setDebugEnabled(true);
             setDebugEnabled(false);
         },
         EXCEPTION_LINE, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogSandbox inner;
        c.enable();
        ::testing::internal::CaptureStdout();
        writeEachKind();
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.stdOut);
        if (c.file == "-") {
            EXPECT_FALSE(std::filesystem::exists("CameraDriver.log"));
        } else {
            EXPECT_EQ(readFile("CameraDriver.log"), c.file);
        }
    }
}

TEST_F(LogTest, NamedFileIsOpenedOnceAndDefaultFileIsNeverTouched) {
    std::ofstream("demo.log") << "old contents\n";
    setLogFile("./demo.log");
    setDebugEnabled(true);
    logDebug("one");
    setDebugEnabled(true);  // already on: no reopen, no truncation
    logDebug("two");
    EXPECT_EQ(readFile("demo.log"), "[Debug] one\n[Debug] two\n");
    EXPECT_FALSE(std::filesystem::exists("CameraDriver.log"));
}

TEST_F(LogTest, SwitchingOffAndOnAgainStartsTheFileAfresh) {
    setLogEnabled(true);
    logException("first");
    setLogEnabled(true);
    logException("second");
    EXPECT_EQ(readFile("CameraDriver.log"), "[Exception] first\n[Exception] second\n");
    setLogEnabled(false);
    logException("dropped while off");
    setLogEnabled(true);
    logException("third");
    EXPECT_EQ(readFile("CameraDriver.log"), "[Exception] third\n");
}

TEST_F(LogTest, NewFileNameClosesTheOldFileKeepingItsLines) {
    setLogFile("a.log");
    logException("in a");
    setLogFile("b.log");
    logException("in b");
    EXPECT_EQ(readFile("a.log"), "[Exception] in a\n");
    EXPECT_EQ(readFile("b.log"), "[Exception] in b\n");
    setLogFile("b.log");  // the open file's own name empties it
    EXPECT_EQ(readFile("b.log"), "");
}

TEST_F(LogTest, AFileThatCannotBeOpenedIsSilentUntilAGoodOne) {
    std::filesystem::create_directory("dir");
    for (const char* bad : {"dir", "", "missing/dir/x.log"}) {
        setLogFile(bad);
        setDebugEnabled(true);
        logDebug("lost");
        logException("lost too");
    }
    setLogFile("good.log");
    logException("kept");
    EXPECT_EQ(readFile("good.log"), "[Exception] kept\n");
}

TEST_F(LogTest, HexDumpIsLowerCaseTwoDigitsEachFollowedByASpace) {
    const unsigned char bytes[] = {0x00, 0x0A, 0xFF, 0x90, 0x5B};
    std::ostringstream out;
    dumpHex(out, bytes, 5);
    EXPECT_EQ(out.str(), "00 0a ff 90 5b ");
    // The stream stays in hexadecimal with '0' fill.
    out << std::setw(3) << 10;
    EXPECT_EQ(out.str(), "00 0a ff 90 5b 00a");

    std::ostringstream none;
    dumpHex(none, bytes, 0);
    dumpHex(none, bytes, -1);
    EXPECT_EQ(none.str(), "");

    setDebugEnabled(true);
    logPacket(bytes, 0);
    EXPECT_EQ(readFile("CameraDriver.log"), "[Debug] \n");
}

TEST_F(LogTest, TextIsWrittenUnchangedWithItsOwnNewlines) {
    setDebugEnabled(true);
    logDebug("COMPLETION\n");
    EXPECT_EQ(readFile("CameraDriver.log"), "[Debug] COMPLETION\n\n");
}
