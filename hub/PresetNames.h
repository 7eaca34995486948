#pragma once

// The names of presets that operators give through the API ("Pulpit" for preset 3), kept in a
// small JSON file of the hub's own so that they outlive a restart. The configuration's
// `presets` are the names a camera starts with; a name given here replaces one of them, and an
// empty one hides it.

#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

namespace Hub {

class PresetNames {
  public:
    // Reads `path` when it exists (empty: nothing is kept on disk). Throws ConfigError for a
    // file that is not such a file, naming it and the key.
    explicit PresetNames(std::string path);

    // The names given for a camera, by preset number; an empty name hides the configured one.
    std::map<int, std::string> of(const std::string& camera) const;
    // Gives preset `number` of `camera` its name and writes the file (a new file beside it,
    // then renamed over it, so that a crash leaves the old names or the new ones). Throws
    // std::runtime_error when the file cannot be written; the names are then as before.
    void set(const std::string& camera, int number, const std::string& name);

    const std::string& path() const { return file; }

  private:
    const std::string file;
    mutable std::mutex mutex;
    nlohmann::json names = nlohmann::json::object();  // camera -> {"3": "Pulpit"}
};

// The names to show: the configured ones, with those given through the API laid over them.
std::map<int, std::string> mergedNames(const std::map<int, std::string>& configured,
                                       const std::map<int, std::string>& given);

}  // namespace Hub
