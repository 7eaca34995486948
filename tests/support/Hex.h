#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace TestSupport {

using Bytes = std::vector<std::uint8_t>;

// "81 01 04 07 02 FF" -> bytes; the readable form used in tables of frames.
inline Bytes hex(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
    }
    return bytes;
}

// Bytes -> "81 01 04 07 02 FF": upper-case digits, one space between bytes.
inline std::string toHex(const Bytes& bytes) {
    std::string out;
    static const char* digits = "0123456789ABCDEF";
    for (std::uint8_t b : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 0x0F];
    }
    return out;
}

}  // namespace TestSupport
