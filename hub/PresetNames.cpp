#include "hub/PresetNames.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "hub/Config.h"

namespace Hub {

namespace {

using nlohmann::json;

constexpr char FORMAT[] = "quorvin-hub-state";

}  // namespace

PresetNames::PresetNames(std::string path) : file(std::move(path)) {
    if (file.empty()) {
        return;
    }
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        return;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw ConfigError(file + ": cannot be read");
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object() ||
        document.value("format", json()) != FORMAT) {
        throw ConfigError(file + ": not the hub's state file (a JSON object with \"format\": \"" +
                          FORMAT + "\"); move it away to start without the names it kept");
    }
    const json presets = document.value("presets", json::object());
    if (!presets.is_object()) {
        throw ConfigError(file + ": key \"presets\": expected an object of cameras");
    }
    for (const auto& [camera, numbered] : presets.items()) {
        const std::string key = "presets." + camera.substr(0, 40);
        if (!numbered.is_object()) {
            throw ConfigError(file + ": key \"" + key + "\": expected an object of names");
        }
        for (const auto& [number, name] : numbered.items()) {
            int n = -1;
            try {
                std::size_t used = 0;
                n = std::stoi(number, &used);
                n = used == number.size() ? n : -1;
            } catch (const std::exception&) {
            }
            if (n < 0 || n > 255 || !name.is_string()) {
                throw ConfigError(file + ": key \"" + key + "." + number.substr(0, 8) +
                                  "\": expected a preset number 0 to 255 and its name");
            }
        }
    }
    names = presets;
}

std::map<int, std::string> PresetNames::of(const std::string& camera) const {
    std::lock_guard<std::mutex> lock(mutex);
    std::map<int, std::string> found;
    const auto it = names.find(camera);
    if (it != names.end()) {
        for (const auto& [number, name] : it->items()) {
            found[std::stoi(number)] = name.get<std::string>();
        }
    }
    return found;
}

void PresetNames::set(const std::string& camera, int number, const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex);
    json next = names;
    next[camera][std::to_string(number)] = name;
    if (!file.empty()) {
        const std::string temporary = file + ".new";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out << json{{"format", FORMAT}, {"presets", next}}.dump(2) << '\n';
            out.flush();
            if (!out) {
                const std::string why = std::strerror(errno);
                std::remove(temporary.c_str());
                throw std::runtime_error("cannot write " + temporary + ": " + why);
            }
        }
        std::error_code error;
        std::filesystem::rename(temporary, file, error);
        if (error) {
            std::remove(temporary.c_str());
            throw std::runtime_error("cannot replace " + file + ": " + error.message());
        }
    }
    names = std::move(next);
}

std::map<int, std::string> mergedNames(const std::map<int, std::string>& configured,
                                       const std::map<int, std::string>& given) {
    std::map<int, std::string> merged = configured;
    for (const auto& [number, name] : given) {
        if (name.empty()) {
            merged.erase(number);
        } else {
            merged[number] = name;
        }
    }
    return merged;
}

}  // namespace Hub
