// What sets one camera model apart from another: the codes it gives in answer to the
// device-type inquiry, its line speed, its presets, speeds and travel, the operations it lacks
// and what it says unasked. Every camera of a chain is of one model.
//
// Three models are built in, each drawn from what common cameras do; their codes carry this
// simulator's own vendor number 0x0051, which matches no real manufacturer, so that no tool
// takes them for a real product:
//  - "standard": the camera this simulator has always been (the default).
//  - "chain": a camera for a daisy chain that has no digital zoom and no automatic power-off
//    (the inquiries and the commands of both are refused with a syntax error), 16 presets and a
//    narrower pan.
//  - "network": a camera with its own network port that keeps 255 presets, takes pan and tilt
//    speed 0 as its slowest speed, tilts further up and sends the network-change message to each
//    new network client.
// A model can also be read from a capability profile (sim/Profile.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Camsim {

struct Span {
    int min;
    int max;
};

struct Model {
    std::string name = "standard";
    std::string notes;  // free text of a profile, kept to be written out again

    // Device-type answer: y0 50 GG GG HH HH JJ JJ KK FF.
    std::uint16_t vendor = 0x0051;     // GG GG
    std::uint16_t modelCode = 0x0001;  // HH HH
    std::uint16_t rom = 0x0100;        // JJ JJ
    std::uint8_t maxSocket = 2;        // KK

    int lineSpeed = 9600;  // baud on the serial line

    int presets = 16;  // preset numbers 0 .. presets-1

    int panSpeedMax = 0x18;
    int tiltSpeedMax = 0x14;
    int zoomSpeedMax = 7;   // p of the variable drives 2p and 3p
    int focusSpeedMax = 7;  // likewise
    // Pan and tilt speed 0 moves at half of speed 1 rather than being refused.
    bool speedZeroAccepted = false;

    Span pan{-1440, 1440};
    Span tilt{-360, 360};
    int zoomMax = 0x4000;         // the optical end
    int digitalZoomMax = 0x7000;  // with digital zoom on
    Span focus{0x1000, 0x8400};   // infinity .. nearest; power-on focus is focus.min

    // Operations by the camera library's names. `answered` says which inquiries a camera was
    // seen to answer and is kept for the profile only; the camera refuses every inquiry in
    // `refused` and every command in `lacks` with a syntax error, and answers all others.
    std::vector<std::string> answered;
    std::vector<std::string> refused;
    std::vector<std::string> lacks;

    // X0 38 FF to each new network client: a TCP connection, a UDP sequence reset.
    bool networkChangeOnConnect = false;

    std::vector<std::uint8_t> deviceType() const;
};

// Names used by the program's --model option: standard, chain, network.
std::optional<Model> builtInModel(std::string_view name);
const std::vector<std::string>& builtInModelNames();

// Line speeds that the virtual camera can run at, in baud.
inline constexpr int LINE_SPEEDS[] = {2400, 4800, 9600, 19200, 38400, 57600, 115200};
bool supportedLineSpeed(int baud);

// One operation of the camera library that sends a frame to the camera: its name and the bytes
// of that frame between the header and the terminator, written as hex pairs in which a dot
// stands for any nibble ("01 04 07 2." is zoomIn at any speed).
struct OperationFrame {
    const char* name;
    const char* pattern;
    bool inquiry() const { return pattern[0] == '0' && pattern[1] == '9'; }
    bool matches(const std::uint8_t* message, std::size_t length) const;
};

const std::vector<OperationFrame>& operationFrames();
const OperationFrame* findOperation(std::string_view name);

}  // namespace Camsim
