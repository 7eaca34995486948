#include <random>

#include "tests/driver/ExchangeFixture.h"
#include "tests/support/TestName.h"

using namespace CameraDriver;
using namespace DriverTest;
using namespace TestSupport;

namespace {

const char* const GENERIC_FAILURE = "Executing the command failed !";
const char* const SYNTAX_FAILURE = "SYNTAX_ERROR ocurred when executing the command !";

struct ReplyCase {
    const char* name;
    int kind;
    const char* command;              // as built, before the camera number goes in
    std::vector<const char*> bursts;  // what each recv returns
    const char* failure;              // "" when the reply is accepted
    const char* verdict;              // the debug line that ends the check
    size_t reads;                     // recv calls made
    const char* result;               // leading result bytes, when accepted
};

const char* const COMMAND_FRAME = "80 01 04 07 02 FF";
const char* const INQUIRY_FRAME = "80 09 04 00 FF";
const char* const ADDRESS_SET_FRAME = "88 30 01 FF";
const char* const IF_CLEAR_FRAME = "88 01 00 01 FF";

// clang-format off
const ReplyCase REPLY_CASES[] = {
    // Commands: acknowledgement and completion, together or apart.
    {"ack+completion in one read", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF 90 51 FF"}, "", "COMPLETION\n", 1, ""},
    {"ack then completion", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF", "90 51 FF"}, "", "COMPLETION\n", 2, ""},
    {"any socket number", ACK_COMPLETION, COMMAND_FRAME, {"90 42 FF", "90 52 FF"}, "", "COMPLETION\n", 2, ""},
    {"ack and a stray byte: no second read", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF 90", "90 51 FF"}, GENERIC_FAILURE, "FAILED\n", 1, ""},
    {"header low bits set: no second read", ACK_COMPLETION, COMMAND_FRAME, {"91 41 FF", "90 51 FF"}, GENERIC_FAILURE, "FAILED\n", 1, ""},
    {"another camera's reply", ACK_COMPLETION, COMMAND_FRAME, {"A0 41 FF A0 51 FF"}, GENERIC_FAILURE, "FAILED\n", 1, ""},
    {"syntax error", ACK_COMPLETION, COMMAND_FRAME, {"90 60 02 FF"}, SYNTAX_FAILURE, "SYNTAX_ERROR\n", 1, ""},
    {"buffer full", ACK_COMPLETION, COMMAND_FRAME, {"90 60 03 FF"}, "BUFFER_FULL error ocurred when executing the command !", "BUFFER_FULL\n", 1, ""},
    {"not executable", ACK_COMPLETION, COMMAND_FRAME, {"90 61 41 FF"}, "NOT_EXECUTABLE error ocurred when executing the command !", "NOT_EXECUTABLE\n", 1, ""},
    {"unknown error code", ACK_COMPLETION, COMMAND_FRAME, {"90 60 01 FF"}, GENERIC_FAILURE, "FAILED\n", 1, ""},
    {"error after the ack", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF", "90 60 02 FF"}, GENERIC_FAILURE, "FAILED\n", 2, ""},
    {"completion missing its terminator", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF", "90 51"}, GENERIC_FAILURE, "FAILED\n", 2, ""},
    {"another camera's syntax error", ACK_COMPLETION, COMMAND_FRAME, {"A0 60 02 FF"}, GENERIC_FAILURE, "FAILED\n", 1, ""},
    {"error without its terminator", ACK_COMPLETION, COMMAND_FRAME, {"90 60 02 00"}, GENERIC_FAILURE, "FAILED\n", 1, ""},
    {"completion from another camera", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF A0 51 FF"}, GENERIC_FAILURE, "FAILED\n", 1, ""},
    {"two acknowledgements", ACK_COMPLETION, COMMAND_FRAME, {"90 41 FF 90 41 FF"}, GENERIC_FAILURE, "FAILED\n", 1, ""},
    {"inquiry-style reply", ACK_COMPLETION, COMMAND_FRAME, {"90 50 02 FF"}, GENERIC_FAILURE, "FAILED\n", 1, ""},
    // Inquiries: one read, data from the third byte on.
    {"inquiry data", INQUIRY, INQUIRY_FRAME, {"90 50 02 FF"}, "", "COMPLETION\n", 1, "02 FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00"},
    {"inquiry filling the buffer", INQUIRY, INQUIRY_FRAME, {"90 50 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E"}, "", "COMPLETION\n", 1, "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 00 00"},
    {"inquiry syntax error", INQUIRY, INQUIRY_FRAME, {"90 60 02 FF"}, SYNTAX_FAILURE, "SYNTAX_ERROR\n", 1, ""},
    {"inquiry not executable is not told apart", INQUIRY, INQUIRY_FRAME, {"90 61 41 FF"}, GENERIC_FAILURE, "FAILED\n", 1, ""},
    {"another camera's inquiry data", INQUIRY, INQUIRY_FRAME, {"A0 50 02 FF"}, GENERIC_FAILURE, "FAILED\n", 1, ""},
    {"inquiry buffer full is not told apart", INQUIRY, INQUIRY_FRAME, {"90 60 03 FF"}, GENERIC_FAILURE, "FAILED\n", 1, ""},
    {"inquiry answered by an ack", INQUIRY, INQUIRY_FRAME, {"90 41 FF", "90 50 02 FF"}, GENERIC_FAILURE, "FAILED\n", 1, ""},
    // Broadcasts.
    {"two cameras", ADDRESS_SET, ADDRESS_SET_FRAME, {"88 30 03 FF"}, "", "SUCCEEDED\n", 1, "03 FF 00 00"},
    {"no camera (next address 1)", ADDRESS_SET, ADDRESS_SET_FRAME, {"88 30 01 FF"}, "No camera connected !", "Receiving response ...", 1, ""},
    {"no camera (next address 0)", ADDRESS_SET, ADDRESS_SET_FRAME, {"88 30 00 FF"}, "No camera connected !", "Receiving response ...", 1, ""},
    {"not an address reply", ADDRESS_SET, ADDRESS_SET_FRAME, {"88 31 02 FF"}, "Address_Set command executing failed !\n", "FAILED\n", 1, ""},
    {"interface clear echoed", IF_CLEAR_BROADCAST, IF_CLEAR_FRAME, {"88 01 00 01 FF"}, "", "SUCCEEDED\n", 1, "00 00 00 00"},
    {"interface clear altered", IF_CLEAR_BROADCAST, IF_CLEAR_FRAME, {"88 01 00 02 FF"}, "IF_CLEAR_BROADCAST command executing failed !\n", "FAILED\n", 1, ""},
    {"interface clear cut short", IF_CLEAR_BROADCAST, IF_CLEAR_FRAME, {"88 01 00"}, "IF_CLEAR_BROADCAST command executing failed !\n", "FAILED\n", 1, ""},
};
// clang-format on

void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.name; }

class ReplyTable : public ExchangeTest, public ::testing::WithParamInterface<ReplyCase> {};

}  // namespace

TEST_P(ReplyTable, AcceptsOrRefusesWithTheExactMessage) {
    const ReplyCase& c = GetParam();
    for (const char* burst : c.bursts) {
        comm->reply(hex(burst));
    }
    auto command = hex(c.command);
    Packet result;
    const std::string failure = raisedBy([&] {
        result = impl.executeCommand(command.data(), static_cast<int>(command.size()), c.kind);
    });

    EXPECT_EQ(failure, *c.failure != '\0' ? c.failure : "(nothing raised)");
    EXPECT_EQ(wire().recvs.size(), c.reads);
    const auto lines = logLines();
    ASSERT_FALSE(lines.empty());
    // Lines carry their own "\n" in a few verdicts, which shows as an empty line after them.
    std::string verdict = std::string("[Debug] ") + c.verdict;
    if (!verdict.empty() && verdict.back() == '\n') verdict.pop_back();
    const bool noCamera = std::string(c.failure) == "No camera connected !";
    if (noCamera) {
        EXPECT_EQ(lines.back(), "[Exception] No camera connected !");
        EXPECT_EQ(lines[lines.size() - 2], "[Debug] VISCA response checking...");
    } else {
        const bool extraBlank = std::string(c.verdict).back() == '\n';
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - (extraBlank ? 2 : 1)], verdict);
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

TEST_F(ExchangeTest, LoneAcknowledgementGetsOneMoreReadOfTheRestOfTheBuffer) {
    comm->reply(hex("90 41 FF")).reply(hex("90 51 FF"));
    auto command = hex(COMMAND_FRAME);
    impl.executeCommand(command.data(), 6, ACK_COMPLETION);
    ASSERT_EQ(wire().recvs.size(), 2u);
    EXPECT_EQ(wire().recvs[0].offered, 16u);
    EXPECT_EQ(wire().recvs[1].offered, 13u);
    EXPECT_EQ(wire().recvs[1].offset, 3);
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
    comm->reply(hex("88 01 04 07 02 FF")).reply(hex("90 41 FF 90 51 FF"));
    auto echoed = hex(COMMAND_FRAME);
    EXPECT_EQ(raisedBy([&] { impl.executeCommand(echoed.data(), 6, ACK_COMPLETION); }),
              "(nothing raised)");
    auto answered = hex(COMMAND_FRAME);
    EXPECT_EQ(raisedBy([&] { impl.executeCommand(answered.data(), 6, ACK_COMPLETION); }),
              "IF_CLEAR_BROADCAST command executing failed !\n");
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
    auto command = hex(INQUIRY_FRAME);
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
    const char* commands[] = {COMMAND_FRAME, INQUIRY_FRAME, ADDRESS_SET_FRAME, IF_CLEAR_FRAME};
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
    auto command = hex(INQUIRY_FRAME);
    EXPECT_EQ(impl.executeCommand(command.data(), 5, INQUIRY).get(0), 0x02);
}
