#pragma once

// What the hub takes from a camera's capability profile (docs/capability-profile.md): the
// commands it lacks, the inquiries it refuses, its preset count and its speed maxima. The hub
// leaves those commands and inquiries out of what it sends, and the page leaves their controls
// out; a key the profile leaves out means "not known", and the hub then offers everything.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Hub {

struct Capabilities {
    std::vector<std::string> lacks;    // commands, by the operation table's names
    std::vector<std::string> refused;  // inquiries
    std::optional<int> presets;        // numbers 0 .. presets-1
    std::optional<int> panSpeed;
    std::optional<int> tiltSpeed;
    std::optional<int> zoomSpeed;
    std::optional<int> focusSpeed;
    std::optional<bool> zeroAccepted;  // pan and tilt speed 0 taken as the slowest

    bool lacksCommand(std::string_view name) const;
    bool refusesInquiry(std::string_view name) const;
};

// The profile's JSON text; throws ConfigError naming the key and what it holds
// ("speeds.pan: expected a whole number from 1 to 127, got 200"). Keys the hub does not use
// are checked for their kind only: the programs that act on them check the rest.
Capabilities parseProfile(std::string_view text);

}  // namespace Hub
