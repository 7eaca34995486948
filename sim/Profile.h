// A camera's capability profile: a small JSON document that says what a camera model is and
// what it lacks, written down in docs/capability-profile.md. The virtual camera reads one to
// behave as that model (quorvin-camsim --profile FILE) and writes its own models as one
// (--write-profile FILE).
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "sim/Model.h"

namespace Camsim {

// What is wrong with a profile, naming the key and what it holds, e.g.
// "speeds.pan: expected a whole number from 1 to 127, got 200".
class ProfileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The model that the profile's text describes; what it leaves out is the standard model's.
// Throws ProfileError for anything else, whatever the text holds.
Model parseProfile(std::string_view text);

// The same from a file; the error names the file first.
Model loadProfile(const std::string& path);

// The model as a profile, keys in the documented order, ending in a newline.
std::string profileText(const Model& model);

}  // namespace Camsim
