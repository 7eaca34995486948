#include "ReplyPatternRunner.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "LogCapture.h"
#include "driver/Packet.h"
#include "driver/ViscaControllerImpl.h"
#include "quorvin/DriverException.h"
#include "transport/WinSerialCommAdaptor.h"

namespace TransportTest {

namespace {

using CameraDriver::WinSerialCommAdaptor;
using TestSupport::toHex;

constexpr std::size_t NOISE_LIMIT = 256;

// Reads until the bytes received end with `echo`, and returns those that came before it.
PatternBytes receiveUntil(WinSerialCommAdaptor& adaptor, const PatternBytes& echo) {
    PatternBytes received;
    while (received.size() < NOISE_LIMIT) {
        unsigned char buffer[16];
        std::uint32_t count = sizeof buffer;
        adaptor.recv(buffer, &count);
        received.insert(received.end(), buffer, buffer + count);
        const auto size = static_cast<std::ptrdiff_t>(echo.size());
        if (received.size() >= echo.size() &&
            PatternBytes(received.end() - size, received.end()) == echo) {
            received.resize(received.size() - echo.size());
            return received;
        }
    }
    throw std::runtime_error("no echo of " + toHex(echo) +
                             " from the reply peer: " + toHex(received));
}

// Arms the pattern on the peer. Bytes that an earlier pattern's camera was still sending come
// ahead of the echo and are skipped.
void choose(WinSerialCommAdaptor& adaptor, std::size_t index) {
    const PatternBytes frame = selectionFrame(index);
    std::uint32_t count = static_cast<std::uint32_t>(frame.size());
    adaptor.send(frame.data(), &count);
    receiveUntil(adaptor, frame);
}

// What the exchange left on the line, once the peer has played all of its reply. Written by
// the port itself: the transport's send would first drop those very bytes.
PatternBytes leftUnread(WinSerialCommAdaptor& adaptor) {
    std::uint32_t count = static_cast<std::uint32_t>(SYNC.size());
    if (!adaptor.write(SYNC.data(), &count, WinSerialCommAdaptor::TRANSFER_TIMEOUT_MS)) {
        throw std::runtime_error("the sync frame was not written");
    }
    return receiveUntil(adaptor, SYNC);
}

}  // namespace

void PrintTo(const PatternOutcome& outcome, std::ostream* out) {
    *out << "{message \"" << outcome.message << "\", result [" << toHex(outcome.result)
         << "], left [" << toHex(outcome.left) << "], log";
    for (const std::string& line : outcome.log) {
        *out << " | " << line;
    }
    *out << "}";
}

PatternOutcome runPattern(const std::string& port, std::size_t index) {
    const ReplyPattern* row = patternAt(index);
    if (row == nullptr) {
        throw std::out_of_range("no reply pattern " + std::to_string(index));
    }
    CameraDriver::ViscaControllerImpl engine;
    auto owned = std::make_unique<WinSerialCommAdaptor>(std::uint8_t{0xFF});
    WinSerialCommAdaptor& adaptor = *owned;
    engine.setComm(std::move(owned));
    engine.setCurCamera(row->camera);
    adaptor.connect(port);
    choose(adaptor, index);

    PatternOutcome outcome;
    {
        const LogCapture log;
        PatternBytes command = bytesOf(row->command);
        try {
            const CameraDriver::Packet result =
                engine.executeCommand(command.data(), static_cast<int>(command.size()), row->kind);
            outcome.result.assign(result.data(), result.data() + CameraDriver::PACKET_SIZE);
        } catch (const CameraDriver::DriverException& e) {
            outcome.message = e.what();
        }
        outcome.log = log.lines();
    }
    outcome.left = leftUnread(adaptor);
    adaptor.disconnect();
    return outcome;
}

void expectEachRowsOutcome(bool slowRows) {
    const std::string port = replyPatternPort();
    const std::vector<ReplyPattern>& rows = replyPatterns();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ReplyPattern& row = rows[i];
        if (row.slow != slowRows) {
            continue;
        }
        SCOPED_TRACE(row.name);
        PatternBytes result;
        if (*row.message == '\0') {
            result = bytesOf(row.result);
            result.resize(CameraDriver::PACKET_SIZE);
        }
        // A busy machine may hold the peer up between two pieces for longer than the pause it
        // meant (a frame then seems cut where it was not) and so spoil one try; the engine is
        // wrong only when it is wrong on all three.
        PatternOutcome outcome;
        for (int attempt = 0; attempt < 3; ++attempt) {
            outcome = runPattern(port, i);
            if (outcome.message == row.message && outcome.result == result &&
                outcome.left == bytesOf(row.left)) {
                break;
            }
        }
        EXPECT_EQ(outcome.message, row.message);
        EXPECT_EQ(outcome.result, result);
        EXPECT_EQ(outcome.left, bytesOf(row.left));
        EXPECT_FALSE(outcome.log.empty());
    }
}

PatternBytes firstReceiveOnTheBusyLine(const std::string& port,
                                       std::optional<std::uint8_t> terminator) {
    WinSerialCommAdaptor adaptor(terminator);
    adaptor.connect(port);
    choose(adaptor, busyLineIndex());
    const PatternBytes command = bytesOf(busyLinePattern().command);
    std::uint32_t count = static_cast<std::uint32_t>(command.size());
    adaptor.send(command.data(), &count);
    unsigned char buffer[16];
    count = sizeof buffer;
    adaptor.recv(buffer, &count);
    adaptor.disconnect();
    return PatternBytes(buffer, buffer + count);
}

}  // namespace TransportTest
