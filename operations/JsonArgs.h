#pragma once

// An operation's arguments taken from a JSON object by name, as the hub's clients send them:
// each value checked against its argument's kind and the range of the parameter's own type,
// so that a wrong one is refused with the field it was in before anything is sent.

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <vector>

#include "operations/Operations.h"
#include "operations/Values.h"

namespace Operations {

// What was wrong with one argument, or with the object as a whole.
class ArgumentError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The values of `operation`'s arguments in its own order, from an object whose keys are their
// names ({"tiltSpeed": 10}). Integers must be JSON integers, doubles finite numbers, switches
// true or false, enumerations a name (any case) or an integer code, text a non-empty string.
// Every argument is required; a key that names none is refused. An operation without
// arguments also takes null (no body).
std::vector<Value> valuesFromJson(const Operation& operation, const nlohmann::json& args);

}  // namespace Operations
