#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace TransportTest {

using Bytes = std::vector<unsigned char>;

// A pseudo-terminal pair: the library opens the device path of one side like a serial port,
// the test plays the device on the other (the controlling side). Closing the controlling side
// is what an unplugged adaptor looks like to the library.
class PseudoTerminal {
  public:
    PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal();

    // The path the library opens.
    const std::string& path() const { return devicePath; }

    // Writes all of `bytes` to the line.
    void send(const Bytes& bytes) const;
    // Reads what the library wrote until a 0xFF terminator, `limit` bytes or `timeout`.
    Bytes receiveCommand(std::chrono::milliseconds timeout, std::size_t limit = 64) const;
    // Reads whatever arrives within `timeout`.
    Bytes receiveFor(std::chrono::milliseconds timeout) const;
    void hangUp();

  private:
    int controller = -1;
    int keeper = -1;
    std::string devicePath;
};

// A camera played from a script on its own thread, started once the library has the port
// open. Every step runs after the one before; the thread is joined by finish() or the
// destructor.
class ScriptedPeer {
  public:
    struct Step {
        enum class Kind { Pause, Send, AwaitCommand, HangUp } kind;
        std::chrono::milliseconds pause{0};
        Bytes bytes;
    };

    static Step pause(std::chrono::milliseconds duration) {
        return {Step::Kind::Pause, duration, {}};
    }
    static Step send(Bytes bytes) { return {Step::Kind::Send, {}, std::move(bytes)}; }
    // Waits (up to two seconds) for one command from the library.
    static Step awaitCommand() { return {Step::Kind::AwaitCommand, {}, {}}; }
    static Step hangUp() { return {Step::Kind::HangUp, {}, {}}; }

    ScriptedPeer(PseudoTerminal& terminal, std::vector<Step> script);
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;
    ~ScriptedPeer();

    // Waits for the script to end and returns the commands the library sent; throws when a
    // step of the script failed.
    std::vector<Bytes> finish();

  private:
    void play(const std::vector<Step>& steps);

    PseudoTerminal& line;
    std::vector<Bytes> commands;
    std::string error;
    std::thread player;
};

// The number of file descriptors this process holds.
int openDescriptorCount();

}  // namespace TransportTest
