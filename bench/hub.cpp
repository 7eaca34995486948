// What the hub adds to an exchange: the same operation against the same virtual camera (on a
// pseudo-terminal, answering at once), as a direct library call, through the hub's HTTP API,
// through its WebSocket and through its served VISCA-over-IP port with the library's udp://.
// Prints the median and 99th percentile of each in one run, side by side, and the time from a
// change (a setting made by one client) to the WebSocket event that another client receives.
// Everything runs in this process, on the loopback.
//
//   quorvin-bench-hub [rounds]      (default 2000)
#include "hub/Hub.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bench/Statistics.h"
#include "hub/Config.h"
#include "hub/Server.h"
#include "quorvin/Controller.h"
#include "sim/PtyServer.h"
#include "tests/support/HubClient.h"

namespace {

using Bench::percentile;
using Clock = std::chrono::steady_clock;
using nlohmann::json;

struct Row {
    std::string way;
    std::vector<double> ms;
};

std::vector<double> timed(int rounds, const std::function<void(int)>& once) {
    for (int i = 0; i < rounds / 10; ++i) {
        once(i);  // warm-up
    }
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(rounds));
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        once(i);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return ms;
}

void fail(const std::string& what) {
    std::fprintf(stderr, "quorvin-bench-hub: %s\n", what.c_str());
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    Camsim::ServerOptions options;
    options.timing.instant = true;
    Camsim::PtyServer camera(options);

    struct Operation {
        const char* name;
        const char* body;
        std::function<void(CameraDriver::Controller&)> call;
    };
    const std::vector<Operation> operations = {
        {"getPowerState", "", [](CameraDriver::Controller& c) { c.getPowerState(); }},
        {"setGain", R"({"gain":5})", [](CameraDriver::Controller& c) { c.setGain(5); }},
    };

    std::vector<std::vector<Row>> tables(operations.size());
    {
        CameraDriver::Controller direct;
        direct.connect(camera.devicePath());
        for (std::size_t o = 0; o < operations.size(); ++o) {
            tables[o].push_back(
                {"direct library call", timed(rounds, [&](int) { operations[o].call(direct); })});
        }
        direct.disconnect();
    }

    Hub::Config config;
    config.listen.port = 0;
    Hub::LinkConfig link;
    link.port = camera.devicePath();
    Hub::CameraConfig cam;
    cam.id = "cam1";
    cam.viscaPort = 0;
    link.cameras.push_back(cam);
    config.links.push_back(link);
    Hub::Hub hub(config);
    Hub::Server server(hub, config);
    hub.start();
    server.start();
    for (int i = 0; i < 500 && hub.cameraJson("cam1").value("health", "") != "online"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    TestSupport::HttpClient http(server.port());
    TestSupport::WsClient ws(server.port());
    CameraDriver::Controller viaVisca;
    viaVisca.connect("udp://127.0.0.1:" + std::to_string(server.viscaPort("cam1")));
    for (std::size_t o = 0; o < operations.size(); ++o) {
        const Operation& op = operations[o];
        const std::string target = std::string("/api/cameras/cam1/") + op.name;
        tables[o].push_back({"HTTP POST (kept alive)", timed(rounds, [&](int) {
                                 const auto reply = http.request("POST", target, op.body);
                                 if (reply.status != 200) fail(target + ": " + reply.body);
                             })});
        const std::string args = *op.body != '\0' ? op.body : "{}";
        tables[o].push_back({"WebSocket command", timed(rounds, [&](int i) {
                                 ws.send(R"({"type":"command","id":)" + std::to_string(i) +
                                         R"(,"camera":"cam1","operation":")" + op.name +
                                         R"(","args":)" + args + "}");
                                 const auto reply = ws.receive(std::chrono::seconds(10));
                                 if (!reply || json::parse(*reply).value("status", 0) != 200) {
                                     fail(std::string("WebSocket ") + op.name);
                                 }
                             })});
        tables[o].push_back(
            {"served VISCA port (udp://)", timed(rounds, [&](int) { op.call(viaVisca); })});
    }

    std::printf("%d rounds each; times in ms; the camera answers at once\n", rounds);
    for (std::size_t o = 0; o < operations.size(); ++o) {
        const double base = percentile(tables[o][0].ms, 0.5);
        std::printf("\n%s\n%-28s %9s %9s %12s\n", operations[o].name, "way", "median", "p99",
                    "added (med)");
        for (const Row& row : tables[o]) {
            const double median = percentile(row.ms, 0.5);
            std::printf("%-28s %9.3f %9.3f %12.3f\n", row.way.c_str(), median,
                        percentile(row.ms, 0.99), median - base);
        }
    }

    // A change made by one client, and the event that a subscriber of the camera receives.
    TestSupport::WsClient watcher(server.port());
    watcher.send(R"({"type":"subscribe","cameras":["cam1"]})");
    watcher.receive(std::chrono::seconds(5));  // the snapshot
    std::vector<double> eventMs;
    const int changes = std::max(10, rounds / 10);
    for (int i = 0; i < changes; ++i) {
        const int gain = i % 2 == 0 ? 3 : 4;
        const auto start = Clock::now();
        http.request("POST", "/api/cameras/cam1/setGain",
                     "{\"gain\":" + std::to_string(gain) + "}");
        for (;;) {
            const auto text = watcher.receive(std::chrono::seconds(5));
            if (!text) fail("no event for a change");
            const json event = json::parse(*text);
            if (event.value("type", "") == "state" && event["changes"].contains("gain") &&
                event["changes"]["gain"] == gain) {
                break;
            }
        }
        eventMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::printf(
        "\nsetGain by HTTP to the state event on another client's WebSocket: median %.3f, "
        "p99 %.3f (%d changes)\n",
        percentile(eventMs, 0.5), percentile(eventMs, 0.99), changes);
    viaVisca.disconnect();
    hub.stop();
    server.stop();
    return 0;
}
