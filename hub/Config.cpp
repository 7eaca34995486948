// toml++ is used header-only: Debian's shared build of it has no mingw-w64 counterpart, and the
// one file that reads the configuration is the only one that needs it.
#define TOML_HEADER_ONLY 1
#define TOML_ENABLE_FORMATTERS 0
#include "hub/Config.h"

#include <toml++/toml.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>

namespace Hub {

namespace {

class Reader {
  public:
    explicit Reader(std::string name) : file(std::move(name)) {}

    [[noreturn]] void fail(const toml::node* node, const std::string& key,
                           const std::string& what) const {
        std::string where = file;
        if (node != nullptr && node->source().begin.line > 0) {
            where += ":" + std::to_string(node->source().begin.line);
        }
        throw ConfigError(where + ": key \"" + key + "\": " + what);
    }

    // Every key of `table` must be one of `known`; a misspelt key would otherwise be ignored.
    void onlyKeys(const toml::table& table, const std::string& path,
                  std::initializer_list<const char*> known) const {
        for (const auto& [key, node] : table) {
            bool ok = false;
            for (const char* name : known) {
                ok = ok || key.str() == name;
            }
            if (!ok) {
                std::string names;
                for (const char* name : known) {
                    names += names.empty() ? "" : ", ";
                    names += name;
                }
                fail(&node, path + std::string(key.str()),
                     "unknown key (known here: " + names + ")");
            }
        }
    }

    std::optional<std::string> text(const toml::table& table, const std::string& path,
                                    const char* key) const {
        const toml::node* node = table.get(key);
        if (node == nullptr) {
            return std::nullopt;
        }
        if (!node->is_string()) {
            fail(node, path + key, "must be a string");
        }
        return node->as_string()->get();
    }

    std::optional<long long> integer(const toml::table& table, const std::string& path,
                                     const char* key, long long low, long long high) const {
        const toml::node* node = table.get(key);
        if (node == nullptr) {
            return std::nullopt;
        }
        if (!node->is_integer()) {
            fail(node, path + key, "must be an integer");
        }
        const long long value = node->as_integer()->get();
        if (value < low || value > high) {
            fail(node, path + key,
                 "must be from " + std::to_string(low) + " to " + std::to_string(high) + ", not " +
                     std::to_string(value));
        }
        return value;
    }

    const std::string file;
};

const char* const KNOWN_TOP[] = {"hub", "link"};

// A file of the configuration or of its own (a profile): a few kilobytes, so that anything past
// 1 MiB (a device named by mistake, say) was not meant.
std::string readSmallFile(const std::string& path) {
    constexpr std::size_t LIMIT = 1 << 20;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw ConfigError(path + ": cannot be read");
    }
    std::string text;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > LIMIT) {
            throw ConfigError(path + ": larger than 1 MiB, not what it should hold");
        }
    }
    return text;
}

// A path of the configuration is taken from the configuration's folder, as its writer meant.
std::string besideConfig(const std::string& configName, const std::string& path) {
    const std::filesystem::path given(path);
    if (given.is_absolute()) {
        return path;
    }
    return (std::filesystem::path(configName).parent_path() / given).string();
}

}  // namespace

bool isValidId(std::string_view id) {
    if (id.empty() || id.size() > 32) {
        return false;
    }
    for (char c : id) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!ok) {
            return false;
        }
    }
    return true;
}

Endpoint parseEndpoint(std::string_view text) {
    Endpoint endpoint;
    std::string_view host;
    std::string_view port;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            throw ConfigError("\"" + std::string(text) + "\" is not [ADDRESS]:PORT");
        }
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string_view::npos || text.find(':') != colon) {
            throw ConfigError("\"" + std::string(text) + "\" is not HOST:PORT");
        }
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    if (host.empty()) {
        throw ConfigError("\"" + std::string(text) + "\" names no host");
    }
    unsigned long number = 0;
    bool digits = !port.empty() && port.size() <= 5;
    for (char c : port) {
        digits = digits && c >= '0' && c <= '9';
        number = number * 10 + static_cast<unsigned long>(c - '0');
    }
    if (!digits || number > 65535) {
        throw ConfigError("\"" + std::string(text) + "\": the port must be 0 to 65535");
    }
    endpoint.host = std::string(host);
    endpoint.port = static_cast<std::uint16_t>(number);
    return endpoint;
}

bool isLoopback(const std::string& host) {
    return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

Config parseConfig(std::string_view text, const std::string& name) {
    const Reader reader(name);
    toml::table root;
    try {
        root = toml::parse(text, name);
    } catch (const toml::parse_error& e) {
        throw ConfigError(name + ":" + std::to_string(e.source().begin.line) + ": " +
                          std::string(e.description()));
    }
    Config config;
    for (const auto& [key, node] : root) {
        bool ok = false;
        for (const char* known : KNOWN_TOP) {
            ok = ok || key.str() == known;
        }
        if (!ok) {
            reader.fail(&node, std::string(key.str()), "unknown key (known here: hub, link)");
        }
    }

    if (const toml::node* hubNode = root.get("hub")) {
        if (!hubNode->is_table()) {
            reader.fail(hubNode, "hub", "must be a table ([hub])");
        }
        const toml::table& hub = *hubNode->as_table();
        reader.onlyKeys(hub, "hub.",
                        {"listen", "token", "web", "state", "max_clients", "max_body_bytes",
                         "max_message_bytes", "max_queued"});
        if (auto listen = reader.text(hub, "hub.", "listen")) {
            try {
                config.listen = parseEndpoint(*listen);
            } catch (const ConfigError& e) {
                reader.fail(hub.get("listen"), "hub.listen", e.what());
            }
        }
        config.token = reader.text(hub, "hub.", "token").value_or("");
        config.webRoot = reader.text(hub, "hub.", "web").value_or("");
        if (auto state = reader.text(hub, "hub.", "state")) {
            config.stateFile = besideConfig(name, *state);
        }
        if (auto n = reader.integer(hub, "hub.", "max_clients", 1, 4096)) {
            config.limits.clients = static_cast<std::size_t>(*n);
        }
        if (auto n = reader.integer(hub, "hub.", "max_body_bytes", 256, 1 << 20)) {
            config.limits.bodyBytes = static_cast<std::size_t>(*n);
        }
        if (auto n = reader.integer(hub, "hub.", "max_message_bytes", 256, 1 << 20)) {
            config.limits.messageBytes = static_cast<std::size_t>(*n);
        }
        if (auto n = reader.integer(hub, "hub.", "max_queued", 1, 100000)) {
            config.limits.queuedPerLink = static_cast<std::size_t>(*n);
        }
    }

    const toml::node* linksNode = root.get("link");
    if (linksNode == nullptr) {
        throw ConfigError(name + ": no [[link]]: name at least one link and its cameras");
    }
    if (!linksNode->is_array_of_tables()) {
        reader.fail(linksNode, "link", "must be an array of tables ([[link]])");
    }
    std::set<std::string> ids;
    const toml::array& links = *linksNode->as_array();
    for (std::size_t l = 0; l < links.size(); ++l) {
        const toml::table& table = *links[l].as_table();
        const std::string path = "link[" + std::to_string(l + 1) + "].";
        reader.onlyKeys(table, path, {"port", "camera"});
        LinkConfig link;
        auto port = reader.text(table, path, "port");
        if (!port || port->empty()) {
            reader.fail(&links[l], path + "port",
                        "missing: the serial port, tcp:// or udp:// name");
        }
        link.port = *port;
        const toml::node* camerasNode = table.get("camera");
        if (camerasNode == nullptr) {
            reader.fail(&links[l], path + "camera", "missing: give each camera a [[link.camera]]");
        }
        if (!camerasNode->is_array_of_tables()) {
            reader.fail(camerasNode, path + "camera", "must be an array of tables");
        }
        std::set<long long> addresses;
        const toml::array& cameras = *camerasNode->as_array();
        for (std::size_t c = 0; c < cameras.size(); ++c) {
            const toml::table& cam = *cameras[c].as_table();
            const std::string at = path + "camera[" + std::to_string(c + 1) + "].";
            reader.onlyKeys(cam, at,
                            {"id", "label", "address", "visca_port", "presets", "profile"});
            CameraConfig camera;
            auto id = reader.text(cam, at, "id");
            if (!id) {
                reader.fail(&cameras[c], at + "id", "missing");
            }
            if (!isValidId(*id)) {
                reader.fail(cam.get("id"), at + "id",
                            "\"" + *id + "\" must be 1 to 32 letters, digits, '-' or '_'");
            }
            if (!ids.insert(*id).second) {
                reader.fail(cam.get("id"), at + "id", "\"" + *id + "\" is used twice");
            }
            camera.id = *id;
            camera.label = reader.text(cam, at, "label").value_or(camera.id);
            camera.address = static_cast<int>(
                reader.integer(cam, at, "address", 1, 7).value_or(static_cast<long long>(c + 1)));
            if (!addresses.insert(camera.address).second) {
                reader.fail(cam.get("address") ? cam.get("address") : &cameras[c], at + "address",
                            std::to_string(camera.address) + " is used twice on this link");
            }
            if (auto udp = reader.integer(cam, at, "visca_port", 1, 65535)) {
                camera.viscaPort = static_cast<std::uint16_t>(*udp);
            }
            if (const toml::node* presets = cam.get("presets")) {
                if (!presets->is_table()) {
                    reader.fail(presets, at + "presets", "must be a table of number = \"name\"");
                }
                for (const auto& [key, value] : *presets->as_table()) {
                    const std::string k(key.str());
                    int number = -1;
                    std::istringstream in(k);
                    if (!(in >> number) || !in.eof() || number < 0 || number > 255) {
                        reader.fail(&value, at + "presets." + k, "a preset number is 0 to 255");
                    }
                    if (!value.is_string()) {
                        reader.fail(&value, at + "presets." + k, "must be a string");
                    }
                    camera.presets[number] = value.as_string()->get();
                }
            }
            if (auto profile = reader.text(cam, at, "profile")) {
                const std::string file = besideConfig(name, *profile);
                try {
                    camera.capabilities = parseProfile(readSmallFile(file));
                } catch (const ConfigError& e) {
                    const std::string why = e.what();
                    reader.fail(cam.get("profile"), at + "profile",
                                why.rfind(file, 0) == 0 ? why : file + ": " + why);
                }
            }
            link.cameras.push_back(std::move(camera));
        }
        if (link.cameras.empty()) {
            reader.fail(camerasNode, path + "camera", "lists no camera");
        }
        config.links.push_back(std::move(link));
    }
    checkConfig(config);
    return config;
}

Config loadConfig(const std::string& path) {
    Config config = parseConfig(readSmallFile(path), path);
    if (config.stateFile.empty()) {
        // The names given through the API sit beside the names the file gives:
        // hub.toml keeps hub.state.json.
        config.stateFile = std::filesystem::path(path).replace_extension(".state.json").string();
    }
    return config;
}

void checkConfig(const Config& config) {
    if (!isLoopback(config.listen.host) && config.token.empty()) {
        throw ConfigError("listening on " + config.listen.host +
                          " needs an access token (hub.token or --token): only the loopback "
                          "address is served without one");
    }
    std::set<std::uint16_t> ports;
    for (const LinkConfig& link : config.links) {
        for (const CameraConfig& camera : link.cameras) {
            if (camera.viscaPort && !ports.insert(*camera.viscaPort).second) {
                throw ConfigError("camera \"" + camera.id + "\": visca_port " +
                                  std::to_string(*camera.viscaPort) + " is used twice");
            }
        }
    }
}

}  // namespace Hub
