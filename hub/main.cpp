// quorvin-hub: one resident program that owns the camera links and serves them to many
// clients over HTTP, WebSocket and VISCA over IP.
//
//   quorvin-hub --config FILE
//   quorvin-hub --port NAME [--visca-port N]
//   both with [--listen HOST:PORT] [--token TOKEN] [--web DIR] [--state FILE]
//
// Exit status: 0 after SIGINT or SIGTERM, 1 when it cannot start (a port in use), 2 for a bad
// command line or configuration.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "driver/Engine.h"
#include "hub/Config.h"
#include "hub/Hub.h"
#include "hub/Server.h"

namespace {

const char USAGE[] =
    "usage: quorvin-hub --config FILE [options]\n"
    "       quorvin-hub --port NAME [options]\n"
    "  --config FILE       the links, cameras and settings (TOML; see docs/hub-example.toml)\n"
    "  --port NAME         serve every camera that the link set-up counts on this one link\n"
    "                      (a serial port, tcp://HOST:PORT or udp://HOST[:PORT]), as cam1..camN\n"
    "  --visca-port N      with --port: serve camN as VISCA over IP on UDP port N+n-1\n"
    "  --listen HOST:PORT  where to serve HTTP and WebSocket (default 127.0.0.1:8080)\n"
    "  --token TOKEN       the access token clients must send (Authorization: Bearer TOKEN);\n"
    "                      needed to listen on any address but the loopback; also read from\n"
    "                      the environment variable QUORVIN_HUB_TOKEN\n"
    "  --web DIR           the folder of the page served at / (default: the installed one)\n"
    "  --state FILE        where the preset names given on the page are kept (default: beside\n"
    "                      the configuration, hub.toml keeps hub.state.json; with --port, none:\n"
    "                      the names last until the hub stops)\n"
    "  --help, --version\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "quorvin-hub: %s\n%s", message.c_str(), USAGE);
    return 2;
}

// The page's folder: beside the program as installed (bin/../share/quorvin/hub/web), else the
// source tree's when run from a build.
std::string defaultWebRoot(const char* argv0) {
    std::error_code error;
    // A program started through PATH has only its name in argv[0]; Linux tells the file itself.
    auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        exe = std::filesystem::absolute(argv0, error);
    }
    if (!error) {
        const auto installed =
            exe.parent_path().parent_path() / "share" / "quorvin" / "hub" / "web";
        if (std::filesystem::is_directory(installed, error)) {
            return installed.string();
        }
    }
#ifdef QUORVIN_HUB_SOURCE_WEB
    return QUORVIN_HUB_SOURCE_WEB;
#else
    return {};
#endif
}

// With --port, the cameras are those that the link set-up counts; the hub waits for the link
// to answer once before it serves, with the same capped backoff as a reconnect.
int countCameras(const std::string& port) {
    std::chrono::milliseconds backoff{200};
    for (;;) {
        try {
            CameraDriver::Engine engine;
            engine.open(port);
            return engine.countCameras();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "quorvin-hub: link %s: %s; trying again in %lld ms\n",
                         port.c_str(), e.what(), static_cast<long long>(backoff.count()));
        }
        std::this_thread::sleep_for(backoff);
        backoff = std::min(backoff * 2, std::chrono::milliseconds(5000));
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string configFile;
    std::string port;
    std::string listen;
    std::string token;
    std::string web;
    std::string state;
    long viscaPort = 0;
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](const char* name) -> std::string {
            if (i + 1 >= args.size()) {
                throw std::invalid_argument(std::string(name) + " needs a value");
            }
            return args[++i];
        };
        try {
            if (arg == "--help" || arg == "-h") {
                std::fputs(USAGE, stdout);
                return 0;
            } else if (arg == "--version") {
                std::printf("quorvin-hub %s\n", QUORVIN_HUB_VERSION);
                return 0;
            } else if (arg == "--config") {
                configFile = value("--config");
            } else if (arg == "--port") {
                port = value("--port");
            } else if (arg == "--listen") {
                listen = value("--listen");
            } else if (arg == "--token") {
                token = value("--token");
            } else if (arg == "--web") {
                web = value("--web");
            } else if (arg == "--state") {
                state = value("--state");
            } else if (arg == "--visca-port") {
                const std::string text = value("--visca-port");
                char* end = nullptr;
                viscaPort = std::strtol(text.c_str(), &end, 10);
                if (text.empty() || *end != '\0' || viscaPort < 1 || viscaPort > 65535 - 6) {
                    return usageError("--visca-port takes a port from 1 to 65529, not \"" + text +
                                      "\"");
                }
            } else {
                return usageError("unknown option \"" + arg + "\"");
            }
        } catch (const std::invalid_argument& e) {
            return usageError(e.what());
        }
    }
    if (configFile.empty() == port.empty()) {
        return usageError("give either --config FILE or --port NAME");
    }
    if (!configFile.empty() && viscaPort != 0) {
        return usageError(
            "--visca-port goes with --port; a configuration gives each camera "
            "its visca_port");
    }

    Hub::Config config;
    try {
        if (!configFile.empty()) {
            config = Hub::loadConfig(configFile);
        } else {
            Hub::LinkConfig link;
            link.port = port;
            link.everyCamera = true;
            config.links.push_back(link);
        }
        if (!listen.empty()) {
            config.listen = Hub::parseEndpoint(listen);
        }
        if (token.empty()) {
            if (const char* fromEnvironment = std::getenv("QUORVIN_HUB_TOKEN")) {
                token = fromEnvironment;
            }
        }
        if (!token.empty()) {
            config.token = token;
        }
        if (!state.empty()) {
            config.stateFile = state;
        }
        if (!web.empty()) {
            config.webRoot = web;
        } else if (config.webRoot.empty()) {
            config.webRoot = defaultWebRoot(argv[0]);
        }
        Hub::checkConfig(config);
    } catch (const Hub::ConfigError& e) {
        std::fprintf(stderr, "quorvin-hub: %s\n", e.what());
        return 2;
    }

    if (!port.empty()) {
        const int cameras = countCameras(port);
        for (int n = 1; n <= cameras; ++n) {
            Hub::CameraConfig camera;
            camera.id = "cam" + std::to_string(n);
            camera.label = "Camera " + std::to_string(n);
            camera.address = n;
            if (viscaPort != 0) {
                camera.viscaPort = static_cast<std::uint16_t>(viscaPort + n - 1);
            }
            config.links[0].cameras.push_back(camera);
        }
    }

    try {
        Hub::Hub hub(config);
        Hub::Server server(hub, config);
        server.stopOnSignals();
        hub.start();
        std::printf("http://%s:%u/\n", config.listen.host.c_str(), server.port());
        for (const Hub::CameraInfo& camera : hub.cameras()) {
            if (camera.viscaPort) {
                std::printf("%s udp://%s:%u\n", camera.id.c_str(), config.listen.host.c_str(),
                            server.viscaPort(camera.id));
            }
        }
        std::fflush(stdout);
        server.run();
        // The links answer what is still queued before the server that carries the answers
        // goes away.
        hub.stop();
    } catch (const Hub::ConfigError& e) {
        // The state file that the preset names were kept in.
        std::fprintf(stderr, "quorvin-hub: %s\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvin-hub: %s\n", e.what());
        return 1;
    }
    return 0;
}
