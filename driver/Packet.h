#pragma once

#include <cstdint>

namespace CameraDriver {

// Capacity of every packet and reply buffer, and the longest command that may be sent.
constexpr int PACKET_SIZE = 16;

// How a command's reply is read and which replies are accepted.
enum CommandKind : std::int32_t {
    ACK_COMPLETION = 0,      // camera commands: acknowledgement, then completion
    INQUIRY = 1,             // inquiries: one reply carrying data
    ADDRESS_SET = 2,         // broadcast numbering of the daisy chain
    IF_CLEAR_BROADCAST = 4,  // broadcast interface clear, passed back unchanged
};

// A fixed 16-byte VISCA message; a message starts at byte 0.
class Packet {
  public:
    Packet() = default;
    // Copies the first `count` bytes of `source`; counts beyond the capacity are clipped.
    Packet(const std::uint8_t* source, int count);
    Packet(const Packet&) = default;
    Packet& operator=(const Packet&) = default;
    virtual ~Packet() = default;

    std::uint8_t get(int index) const { return bytes[index]; }
    std::uint8_t& at(int index) { return bytes[index]; }
    std::uint8_t* data() { return bytes; }
    const std::uint8_t* data() const { return bytes; }

  private:
    std::uint8_t bytes[PACKET_SIZE] = {};
};

class Command : public Packet {
  public:
    using Packet::Packet;
    // Number of bytes that make up the message.
    virtual int length() const = 0;
};

class Response : public Packet {
  public:
    explicit Response(const Command* answered) : command(answered) {}
    const Command* getCommand() const { return command; }
    Packet getResult() const { return result; }
    void setResult(const Packet& packet) { result = packet; }
    // Accepts the reply held in the buffer or throws DriverException.
    virtual void check() = 0;

  private:
    const Command* command;  // not owned
    Packet result;
};

class ViscaCommand : public Command {
  public:
    using Command::Command;
    // Index of the first 0xFF plus one; the whole capacity when there is none.
    int length() const override;
    void setKind(std::int32_t value) { kind = value; }
    std::int32_t getKind() const { return kind; }

  private:
    std::int32_t kind = ACK_COMPLETION;
};

class ViscaResponse : public Response {
  public:
    using Response::Response;
    void check() override;

  private:
    // The buffer holds y0 50, data of the length that `inquiry` returns, and the terminator.
    bool isWellFormedAnswer(const ViscaCommand& inquiry) const;
};

}  // namespace CameraDriver
