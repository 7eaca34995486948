#pragma once

#include <cctype>
#include <string>

namespace TestSupport {

// A GoogleTest name from a table row's label: every character other than a letter or a digit
// becomes '_'.
inline std::string testNameOf(std::string label) {
    for (char& ch : label) {
        if (std::isalnum(static_cast<unsigned char>(ch)) == 0) {
            ch = '_';
        }
    }
    return label;
}

}  // namespace TestSupport
