#pragma once

// The option words of an enumeration, kept as one table beside it: one lookup each way.

#include <cstddef>
#include <optional>
#include <string_view>

namespace Camsim {

template <typename Value>
struct NamedValue {
    Value value;
    const char* name;
};

template <typename Value, std::size_t N>
const char* nameOf(const NamedValue<Value> (&table)[N], Value value) {
    for (const NamedValue<Value>& entry : table) {
        if (entry.value == value) return entry.name;
    }
    return "unknown";
}

template <typename Value, std::size_t N>
std::optional<Value> valueNamed(const NamedValue<Value> (&table)[N], std::string_view name) {
    for (const NamedValue<Value>& entry : table) {
        if (name == entry.name) return entry.value;
    }
    return std::nullopt;
}

}  // namespace Camsim
