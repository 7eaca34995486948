#include <algorithm>
#include <chrono>
#include <random>
#include <string>

#include "tests/driver/ExchangeFixture.h"
#include "tests/support/TestName.h"

using namespace CameraDriver;
using namespace DriverTest;
using namespace TestSupport;

namespace {

const char* const GENERIC_FAILURE = "Executing the command failed !";
const char* const SYNTAX_FAILURE = "SYNTAX_ERROR ocurred when executing the command !";
const char* const NOT_EXECUTABLE = "NOT_EXECUTABLE error ocurred when executing the command !";
const char* const NO_REPLY = ScriptedComm::NO_REPLY;
const char* const ADDRESS_SET_FAILURE = "Address_Set command executing failed !\n";
const char* const IF_CLEAR_FAILURE = "IF_CLEAR_BROADCAST command executing failed !\n";

// One exchange with a camera that may send more than its answer, and later. Each burst is what
// one read of the line returns, "+N " in front giving the milliseconds since the request or the
// burst before; a burst that does not end in FF is one that the line cut short. The right
// outcome is one: the failure's exact text, or success with the result's leading bytes.
struct ReplyCase {
    const char* name;
    int kind;
    const char* command;              // as built, before the camera number goes in
    std::vector<const char*> bursts;  // what the camera sends, and when
    const char* failure;              // "" when the reply is accepted
    const char* verdict;              // the debug line that ends the check ("" if none)
    const char* result;               // leading result bytes, when accepted
    int setAside;                     // frames that are not the answer, each on a log line
};

const char* const COMMAND_FRAME = "80 01 04 07 02 FF";
const char* const FLAG_INQUIRY = "80 09 04 00 FF";    // power: one nibble
const char* const VALUE_INQUIRY = "80 09 04 43 FF";   // red gain: four nibbles
const char* const DEVICE_INQUIRY = "80 09 00 02 FF";  // vendor, model, ROM, sockets
const char* const OTHER_INQUIRY = "80 09 7E 01 FF";   // none of the operations'
const char* const ADDRESS_SET_FRAME = "88 30 01 FF";
const char* const IF_CLEAR_FRAME = "88 01 00 01 FF";

// clang-format off
const ReplyCase REPLY_CASES[] = {
    // Commands: the acknowledgement opens a socket, the completion in that socket ends it.
    {"ack+completion in one read", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF 90 51 FF"}, "", "COMPLETION\n", "", 0},
    {"ack then completion", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF", "+300 90 51 FF"}, "", "COMPLETION\n", "", 0},
    {"any socket number", ACK_COMPLETION, COMMAND_FRAME, {"90 42 FF", "90 52 FF"}, "", "COMPLETION\n", "", 0},
    {"header low bits set", ACK_COMPLETION, COMMAND_FRAME, {"91 41 FF", "90 51 FF"}, "", "COMPLETION\n", "", 0},
    {"completion 5.9 s after the ack", ACK_COMPLETION, COMMAND_FRAME, {"+5000 90 41 FF", "+5900 90 51 FF"}, "", "COMPLETION\n", "", 0},
    {"completion 6.1 s after the ack", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF", "+6100 90 51 FF"}, NO_REPLY, "", "", 0},
    {"no reply at all", ACK_COMPLETION, COMMAND_FRAME, {}, NO_REPLY, "", "", 0},
    {"ack and a stray byte cut short", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF 90", "90 51 FF"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"completion missing its terminator", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF", "90 51"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"syntax error", ACK_COMPLETION, COMMAND_FRAME, {"90 60 02 FF"}, SYNTAX_FAILURE, "SYNTAX_ERROR\n", "", 0},
    {"buffer full", ACK_COMPLETION, COMMAND_FRAME, {"90 60 03 FF"}, "BUFFER_FULL error ocurred when executing the command !", "BUFFER_FULL\n", "", 0},
    {"not executable", ACK_COMPLETION, COMMAND_FRAME, {"90 61 41 FF"}, NOT_EXECUTABLE, "NOT_EXECUTABLE\n", "", 0},
    {"unknown error code", ACK_COMPLETION, COMMAND_FRAME, {"90 60 01 FF"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"error without its terminator", ACK_COMPLETION, COMMAND_FRAME, {"90 60 02 00"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"not executable in the ack's socket", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF", "90 61 41 FF"}, NOT_EXECUTABLE, "NOT_EXECUTABLE\n", "", 0},
    {"cancelled in the ack's socket", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF", "90 61 04 FF"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"error in another socket after the ack", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF", "90 62 41 FF", "90 51 FF"}, "", "COMPLETION\n", "", 1},
    {"earlier completion before the ack", ACK_COMPLETION, COMMAND_FRAME, {"90 51 FF", "90 42 FF", "90 52 FF"}, "", "COMPLETION\n", "", 1},
    {"completion in another socket after the ack", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF", "90 52 FF", "90 51 FF"}, "", "COMPLETION\n", "", 1},
    {"only another socket's completion", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF", "90 52 FF"}, NO_REPLY, "", "", 1},
    {"two acknowledgements", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF 90 41 FF", "90 51 FF"}, "", "COMPLETION\n", "", 1},
    {"late inquiry answer before the ack", ACK_COMPLETION, COMMAND_FRAME, {"90 50 02 FF", "90 41 FF 90 51 FF"}, "", "COMPLETION\n", "", 1},
    {"network changes and a remote key first", ACK_COMPLETION, COMMAND_FRAME, {"88 38 FF", "90 38 FF", "90 07 7D 01 04 07 FF", "90 41 FF", "90 51 FF"}, "", "COMPLETION\n", "", 3},
    {"another camera's ack and completion", ACK_COMPLETION, COMMAND_FRAME, {"A0 41 FF A0 51 FF", "90 41 FF 90 51 FF"}, "", "COMPLETION\n", "", 2},
    {"only another camera's reply", ACK_COMPLETION, COMMAND_FRAME, {"A0 41 FF A0 51 FF"}, NO_REPLY, "", "", 2},
    {"another camera's syntax error", ACK_COMPLETION, COMMAND_FRAME, {"A0 60 02 FF", "90 41 FF 90 51 FF"}, "", "COMPLETION\n", "", 1},
    {"a notice every second, never the answer", ACK_COMPLETION, COMMAND_FRAME, {"+1000 90 38 FF", "+1000 90 38 FF", "+1000 90 38 FF", "+1000 90 38 FF", "+1000 90 38 FF", "+1000 90 38 FF", "+1000 90 38 FF"}, NO_REPLY, "", "", 6},
    {"a frame of no kind in the answer's place", ACK_COMPLETION, COMMAND_FRAME, {"12 34 FF"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"the command come back round the chain", ACK_COMPLETION, COMMAND_FRAME, {"81 01 04 07 02 FF"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"an unknown message of this camera", ACK_COMPLETION, COMMAND_FRAME, {"90 30 01 FF"}, GENERIC_FAILURE, "FAILED\n", "", 0},

    // Inquiries: y0 50, the data this inquiry returns, FF; never a value from anything else.
    {"value", INQUIRY, VALUE_INQUIRY, {"90 50 00 00 04 02 FF"}, "", "COMPLETION\n", "00 00 04 02 FF 00", 0},
    {"value behind a late completion", INQUIRY, VALUE_INQUIRY, {"90 51 FF", "90 50 00 00 04 02 FF"}, "", "COMPLETION\n", "00 00 04 02 FF 00", 1},
    {"value behind a late completion in one read", INQUIRY, VALUE_INQUIRY, {"90 51 FF 90 50 00 00 04 02 FF"}, "", "COMPLETION\n", "00 00 04 02 FF 00", 1},
    {"only a late completion", INQUIRY, VALUE_INQUIRY, {"90 51 FF"}, NO_REPLY, "", "", 1},
    {"value behind an ack, notices and a remote key", INQUIRY, VALUE_INQUIRY, {"90 42 FF", "88 38 FF", "90 07 7D 01 04 00 FF", "+50 90 50 00 00 04 02 FF"}, "", "COMPLETION\n", "00 00 04 02 FF 00", 3},
    {"empty answer", INQUIRY, VALUE_INQUIRY, {"90 50 FF"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"one nibble for four", INQUIRY, VALUE_INQUIRY, {"90 50 02 FF"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"five nibbles for four", INQUIRY, VALUE_INQUIRY, {"90 50 00 00 04 02 00 FF"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"a nibble above 0F", INQUIRY, VALUE_INQUIRY, {"90 50 00 00 14 02 FF"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"sixteen bytes and no terminator", INQUIRY, VALUE_INQUIRY, {"90 50 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"answer with a socket", INQUIRY, VALUE_INQUIRY, {"90 51 00 00 04 02 FF"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"another camera's value", INQUIRY, VALUE_INQUIRY, {"A0 50 00 00 04 02 FF"}, NO_REPLY, "", "", 1},
    {"flag", INQUIRY, FLAG_INQUIRY, {"90 50 02 FF"}, "", "COMPLETION\n", "02 FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00", 0},
    {"four nibbles for a flag", INQUIRY, FLAG_INQUIRY, {"90 50 00 00 00 02 FF"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"device type", INQUIRY, DEVICE_INQUIRY, {"90 50 00 01 00 02 00 03 04 FF"}, "", "COMPLETION\n", "00 01 00 02 00 03 04 FF 00", 0},
    {"device type cut short", INQUIRY, DEVICE_INQUIRY, {"90 50 00 01 FF"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"an inquiry of no operation", INQUIRY, OTHER_INQUIRY, {"90 50 01 02 03 04 05 06 07 08 09 0A 0B FF"}, "", "COMPLETION\n", "01 02 03 04 05 06 07 08 09 0A 0B FF 00 00", 0},
    {"inquiry syntax error", INQUIRY, VALUE_INQUIRY, {"90 60 02 FF"}, SYNTAX_FAILURE, "SYNTAX_ERROR\n", "", 0},
    {"inquiry not executable is not told apart", INQUIRY, VALUE_INQUIRY, {"90 61 41 FF"}, GENERIC_FAILURE, "FAILED\n", "", 0},
    {"inquiry buffer full is not told apart", INQUIRY, VALUE_INQUIRY, {"90 60 03 FF"}, GENERIC_FAILURE, "FAILED\n", "", 0},

    // Broadcasts: the numbering's 88 30 reply, or the command passed back round the chain.
    {"two cameras", ADDRESS_SET, ADDRESS_SET_FRAME, {"88 30 03 FF"}, "", "SUCCEEDED\n", "03 FF 00 00", 0},
    {"no camera (next address 1)", ADDRESS_SET, ADDRESS_SET_FRAME, {"88 30 01 FF"}, "No camera connected !", "", "", 0},
    {"no camera (next address 0)", ADDRESS_SET, ADDRESS_SET_FRAME, {"88 30 00 FF"}, "No camera connected !", "", "", 0},
    {"not an address reply", ADDRESS_SET, ADDRESS_SET_FRAME, {"88 31 02 FF"}, ADDRESS_SET_FAILURE, "FAILED\n", "", 0},
    {"address reply too long", ADDRESS_SET, ADDRESS_SET_FRAME, {"88 30 02 05 FF"}, ADDRESS_SET_FAILURE, "FAILED\n", "", 0},
    {"address reply cut short", ADDRESS_SET, ADDRESS_SET_FRAME, {"88 30 02"}, ADDRESS_SET_FAILURE, "FAILED\n", "", 0},
    {"numbering behind notices and a camera's messages", ADDRESS_SET, ADDRESS_SET_FRAME, {"88 38 FF", "90 38 FF", "90 07 7D 01 04 00 FF", "90 51 FF", "88 01 00 01 FF", "88 30 02 FF"}, "", "SUCCEEDED\n", "02 FF 00 00", 5},
    {"numbering behind garbage", ADDRESS_SET, ADDRESS_SET_FRAME, {"12 FF", "88 30 02 FF"}, ADDRESS_SET_FAILURE, "FAILED\n", "", 0},
    {"interface clear echoed", IF_CLEAR_BROADCAST, IF_CLEAR_FRAME, {"88 01 00 01 FF"}, "", "SUCCEEDED\n", "00 00 00 00", 0},
    {"interface clear behind notices", IF_CLEAR_BROADCAST, IF_CLEAR_FRAME, {"88 38 FF 88 30 02 FF", "A0 38 FF", "88 01 00 01 FF"}, "", "SUCCEEDED\n", "00 00 00 00", 3},
    {"interface clear altered", IF_CLEAR_BROADCAST, IF_CLEAR_FRAME, {"88 01 00 02 FF"}, IF_CLEAR_FAILURE, "FAILED\n", "", 0},
    {"interface clear cut short", IF_CLEAR_BROADCAST, IF_CLEAR_FRAME, {"88 01 00"}, IF_CLEAR_FAILURE, "FAILED\n", "", 0},
};
// clang-format on

void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.name; }

// Scripts the bursts of a row: "+N " in front delays one by N ms.
void script(ScriptedComm& camera, const std::vector<const char*>& bursts) {
    for (const char* burst : bursts) {
        std::string text = burst;
        std::chrono::milliseconds after{0};
        if (!text.empty() && text[0] == '+') {
            const std::size_t space = text.find(' ');
            after = std::chrono::milliseconds(std::stoi(text.substr(1, space - 1)));
            text = text.substr(space + 1);
        }
        camera.reply(hex(text), after);
    }
}

std::size_t countStartingWith(const std::vector<std::string>& lines, const std::string& start) {
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const auto& l) { return l.rfind(start, 0) == 0; }));
}

class ReplyTable : public ExchangeTest, public ::testing::WithParamInterface<ReplyCase> {};

}  // namespace

TEST_P(ReplyTable, AcceptsOnlyTheAnswerOrRefusesWithTheExactMessage) {
    const ReplyCase& c = GetParam();
    script(*comm, c.bursts);
    auto command = hex(c.command);
    Packet result;
    const std::string failure = raisedBy([&] {
        result = impl.executeCommand(command.data(), static_cast<int>(command.size()), c.kind);
    });

    EXPECT_EQ(failure, *c.failure != '\0' ? c.failure : "(nothing raised)");
    const auto lines = logLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(countStartingWith(lines, "[Debug] Set aside ("),
              static_cast<std::size_t>(c.setAside));
    const std::string noCamera = "No camera connected !";
    if (c.failure == noCamera) {
        EXPECT_EQ(lines.back(), "[Exception] No camera connected !");
        EXPECT_EQ(lines[lines.size() - 2], "[Debug] VISCA response checking...");
    } else if (*c.verdict != '\0') {
        // Lines carry their own "\n" in a few verdicts, which shows as an empty line after them.
        std::string verdict = std::string("[Debug] ") + c.verdict;
        const bool extraBlank = verdict.back() == '\n';
        if (extraBlank) verdict.pop_back();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - (extraBlank ? 2 : 1)], verdict);
    } else {
        // A time-out: nothing was checked.
        EXPECT_EQ(countStartingWith(lines, "[Debug] VISCA response checking..."), 0u);
    }
    if (*c.failure == '\0' && *c.result != '\0') {
        const auto expected = hex(c.result);
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(result.get(static_cast<int>(i)), expected[i]) << "result byte " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ReplyTable, ::testing::ValuesIn(REPLY_CASES),
                         [](const ::testing::TestParamInfo<ReplyCase>& param) {
                             return testNameOf(param.param.name);
                         });

TEST_F(ExchangeTest, FramesSetAsideStillCountAgainstTheOneTimeOut) {
    // A notice every 100 ms for ever: the wait ends at the time-out all the same.
    for (int i = 0; i < 100; ++i) {
        comm->reply(hex("90 38 FF"), std::chrono::milliseconds(100));
    }
    auto command = hex(VALUE_INQUIRY);
    EXPECT_EQ(raisedBy([&] { impl.executeCommand(command.data(), 5, INQUIRY); }), NO_REPLY);
    EXPECT_EQ(comm->elapsed(), std::chrono::milliseconds(6000));
}

TEST_F(ExchangeTest, SetAsideFramesReachTheObserverWithTheirBytes) {
    std::vector<std::string> seen;
    impl.observeSetAside([&](const std::uint8_t* bytes, int length) {
        seen.push_back(toHex(Bytes(bytes, bytes + length)));
    });
    // The second burst also holds a frame behind the answer, which nobody waits for.
    comm->reply(hex("90 51 FF")).reply(hex("90 50 00 00 04 02 FF 90 38 FF"));
    auto command = hex(VALUE_INQUIRY);
    impl.executeCommand(command.data(), 5, INQUIRY);
    EXPECT_EQ(seen, (std::vector<std::string>{"90 51 FF", "90 38 FF"}));
}

TEST_F(ExchangeTest, AnAcknowledgedCommandThatTimesOutSaysSo) {
    comm->reply(hex("90 42 FF"));
    auto command = hex(COMMAND_FRAME);
    EXPECT_EQ(raisedBy([&] { impl.executeCommand(command.data(), 6, ACK_COMPLETION); }), NO_REPLY);
    EXPECT_TRUE(impl.lastExchange().timedOut);
    EXPECT_EQ(impl.lastExchange().acknowledgedSocket, 2);

    comm->reply(hex("90 60 02 FF"));
    command = hex(COMMAND_FRAME);
    EXPECT_EQ(raisedBy([&] { impl.executeCommand(command.data(), 6, ACK_COMPLETION); }),
              SYNTAX_FAILURE);
    EXPECT_FALSE(impl.lastExchange().timedOut);
    EXPECT_FALSE(impl.lastExchange().acknowledgedSocket.has_value());
}

TEST_F(ExchangeTest, ACompletionHeldBackUntilTheNextRequestIsNotItsAnswer) {
    // The camera acknowledges setRGain and sends its completion only as getRGain goes out.
    comm->reply(hex("90 41 FF"))
        .thenRequest()
        .reply(hex("90 51 FF"))
        .reply(hex("90 50 00 00 04 02 FF"));
    std::uint8_t set[] = {0x80, 0x01, 0x04, 0x43, 0x00, 0x00, 0x04, 0x02, 0xFF};
    EXPECT_EQ(raisedBy([&] { impl.executeCommand(set, sizeof set, ACK_COMPLETION); }), NO_REPLY);
    auto get = hex(VALUE_INQUIRY);
    const Packet value = impl.executeCommand(get.data(), 5, INQUIRY);
    EXPECT_EQ(ViscaControllerImpl::unpackNibbles(value.data()), 0x42);
}

TEST_F(ExchangeTest, AFullExchangeLogsItsLinesInOrder) {
    comm->reply(hex("90 41 FF 90 51 FF"));
    auto command = hex(COMMAND_FRAME);
    impl.executeCommand(command.data(), 6, ACK_COMPLETION);
    const std::vector<std::string> expected = {
        "[Debug] Sending command ...",        "[Debug] 81 01 04 07 02 ff ", "[Debug] Completed",
        "[Debug] Receiving response ...",     "[Debug] 90 41 ff 90 51 ff ", "[Debug] Completed",
        "[Debug] VISCA response checking...", "[Debug] COMPLETION",         "",
    };
    EXPECT_EQ(logLines(), expected);
}

TEST_F(ExchangeTest, CurrentCameraGoesIntoTheHeaderInPlace) {
    impl.setCurCamera(3);
    comm->reply(hex("B0 41 FF B0 51 FF"));
    auto command = hex(COMMAND_FRAME);
    impl.executeCommand(command.data(), 6, ACK_COMPLETION);
    EXPECT_EQ(command[0], 0x83);
    EXPECT_EQ(toHex(wire().sent.at(0)), "83 01 04 07 02 FF");
}

TEST_F(ExchangeTest, BroadcastsKeepTheirHeader) {
    impl.setCurCamera(3);
    comm->reply(hex("88 30 02 FF")).reply(hex("88 01 00 01 FF"));
    impl.addressSet();
    impl.ifClear();
    EXPECT_EQ(toHex(wire().sent.at(0)), "88 30 01 FF");
    EXPECT_EQ(toHex(wire().sent.at(1)), "88 01 00 01 FF");
}

TEST_F(ExchangeTest, CameraEightIsJudgedAsABroadcast) {
    impl.setCurCamera(8);
    comm->reply(hex("88 01 04 07 02 FF"));
    auto echoed = hex(COMMAND_FRAME);
    EXPECT_EQ(raisedBy([&] { impl.executeCommand(echoed.data(), 6, ACK_COMPLETION); }),
              "(nothing raised)");
    // A camera's reply is no echo: it is set aside, and the echo never comes.
    comm->reply(hex("90 41 FF 90 51 FF"));
    auto answered = hex(COMMAND_FRAME);
    EXPECT_EQ(raisedBy([&] { impl.executeCommand(answered.data(), 6, ACK_COMPLETION); }), NO_REPLY);
    comm->reply(hex("88 01 04 07 03 FF"));
    auto altered = hex(COMMAND_FRAME);
    EXPECT_EQ(raisedBy([&] { impl.executeCommand(altered.data(), 6, ACK_COMPLETION); }),
              IF_CLEAR_FAILURE);
}

TEST_F(ExchangeTest, CamerasNineToFifteenCanNeverMatch) {
    for (int camera = 9; camera <= 15; ++camera) {
        impl.setCurCamera(camera);
        const auto header = static_cast<std::uint8_t>((camera + 8) << 4);
        comm->reply({header, 0x41, 0xFF, header, 0x51, 0xFF});
        auto command = hex(COMMAND_FRAME);
        EXPECT_EQ(raisedBy([&] { impl.executeCommand(command.data(), 6, ACK_COMPLETION); }),
                  GENERIC_FAILURE)
            << camera;
        EXPECT_EQ(wire().sent.back()[0], 0x80 | camera);
    }
}

TEST_F(ExchangeTest, ShortWriteFailsBeforeAnyRead) {
    comm->shortWrite(4).reply(hex("90 41 FF 90 51 FF"));
    auto command = hex(COMMAND_FRAME);
    EXPECT_EQ(raisedBy([&] { impl.executeCommand(command.data(), 6, ACK_COMPLETION); }),
              "Command is not sent completely !");
    EXPECT_TRUE(wire().recvs.empty());
    EXPECT_EQ(logLines().back(), "[Debug] 81 01 04 07 02 ff ");
}

TEST_F(ExchangeTest, TransportFailurePassesThroughUnchanged) {
    comm->failRecv("Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !");
    auto command = hex(FLAG_INQUIRY);
    EXPECT_EQ(raisedBy([&] { impl.executeCommand(command.data(), 5, INQUIRY); }),
              "Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !");
}

TEST_F(ExchangeTest, CommandsThatAreNotOneWholeFrameAreRefusedUntouched) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        int length;
    };
    std::vector<std::uint8_t> long17(17, 0x01);
    long17.back() = 0xFF;
    const Case cases[] = {
        {hex("80 01 04 07 02 FF"), 0},
        {hex("80 01 04 07 02 FF"), -6},
        {long17, 17},
        {hex("80 01 04 07 02 03"), 6},  // no terminator within the bytes to send
        {hex("80 01 04 07 02 FF"), 5},  // terminator beyond the length
        // More than one frame: the camera would take the bytes after the first FF as another.
        {hex("80 01 04 07 02 FF 00 00"), 8},
        {hex("80 01 FF 07 02 FF"), 6},
        {hex("FF 01 04 07 02 FF"), 6},
    };
    for (const Case& c : cases) {
        auto bytes = c.bytes;
        EXPECT_EQ(raisedBy([&] { impl.executeCommand(bytes.data(), c.length, ACK_COMPLETION); }),
                  "Command is malformed !")
            << c.length;
        EXPECT_EQ(bytes, c.bytes);
    }
    // A header that only the camera number turns into 0xFF.
    impl.setCurCamera(-1);
    auto command = hex(COMMAND_FRAME);
    EXPECT_EQ(raisedBy([&] { impl.executeCommand(command.data(), 6, ACK_COMPLETION); }),
              "Command is malformed !");
    EXPECT_EQ(command, hex(COMMAND_FRAME));
    EXPECT_TRUE(wire().sent.empty());
}

// Random replies of every length and shape: only DriverException ever comes out, and the
// exchange after each one works.
TEST_F(ExchangeTest, RandomRepliesOnlyEverFailWithDriverException) {
    LogSandbox::resetLog();  // keep the run fast: no file
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> size(1, 16);
    const int kinds[] = {ACK_COMPLETION, INQUIRY, ADDRESS_SET, IF_CLEAR_BROADCAST};
    const char* commands[] = {COMMAND_FRAME, FLAG_INQUIRY, ADDRESS_SET_FRAME, IF_CLEAR_FRAME};
    for (int round = 0; round < 20000; ++round) {
        const int k = round % 4;
        for (int burst = 0; burst < 2; ++burst) {
            std::vector<std::uint8_t> reply(static_cast<size_t>(size(rng)));
            for (auto& b : reply) {
                // Mostly plausible bytes, so that the deeper checks are reached too.
                const int pick = byte(rng);
                b = pick < 64    ? 0x90
                    : pick < 96  ? 0xFF
                    : pick < 128 ? 0x41
                    : pick < 160 ? 0x51
                                 : static_cast<std::uint8_t>(byte(rng));
            }
            comm->reply(reply);
        }
        auto command = hex(commands[k]);
        try {
            impl.executeCommand(command.data(), static_cast<int>(command.size()), kinds[k]);
        } catch (const DriverException&) {
        }
        while (comm->pendingReplies() > 0) {
            // Drain what the exchange did not read, so the next round starts clean.
            std::uint8_t sink[16];
            std::uint32_t n = 16;
            comm->recv(sink, &n);
        }
    }
    comm->reply(hex("90 50 02 FF"));
    auto command = hex(FLAG_INQUIRY);
    EXPECT_EQ(impl.executeCommand(command.data(), 5, INQUIRY).get(0), 0x02);
}
