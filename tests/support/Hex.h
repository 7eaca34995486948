#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace CameraDriver::testing {

// "81 01 04 07 02 FF" -> bytes; the readable form used in tables of frames.
inline std::vector<std::uint8_t> hex(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
    }
    return bytes;
}

inline std::string toHex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    static const char* digits = "0123456789ABCDEF";
    for (std::uint8_t b : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 0x0F];
    }
    return out;
}

}  // namespace CameraDriver::testing
