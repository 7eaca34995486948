// quorvin-camsim: a chain of virtual VISCA cameras on a pseudo-terminal.
//
// The first line of standard output is the device a client should open; with --tcp or --udp,
// the names of the network ports follow, one a line (tcp://127.0.0.1:PORT, then
// udp://127.0.0.1:PORT). The program serves
// until SIGINT or SIGTERM (or, with --view, until its window is closed) and then exits 0; bad
// options exit 2, a failure to set up exits 1.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/Profile.h"
#include "sim/PtyServer.h"
#include "sim/View.h"

namespace {

const char USAGE[] =
    "usage: quorvin-camsim [options]\n"
    "  --cameras N            cameras on the daisy chain, 1 to 7 (default 1)\n"
    "  --model NAME           the cameras' model: standard (default), chain (no digital\n"
    "                         zoom or auto power-off) or network (255 presets, speed 0,\n"
    "                         tilts further, network change to each network client);\n"
    "                         NAME,NAME,... gives each camera of the chain its own model,\n"
    "                         in chain order (chain,standard,network: cameras 1 to 3)\n"
    "  --profile FILE         the cameras' model from a capability profile (JSON; see\n"
    "                         docs/capability-profile.md)\n"
    "  --write-profile FILE   write the chosen model as a capability profile to FILE (- for\n"
    "                         standard output) and exit\n"
    "  --link PATH            make PATH a symbolic link to the device (removed at exit)\n"
    "  --verbose              log every frame received and sent, in hex, on stderr\n"
    "  --instant              timed moves arrive at once\n"
    "  --baud N               the line's speed: 2400, 4800, 9600 (default), 19200, 38400,\n"
    "                         57600 or 115200; a client whose pseudo-terminal is set to\n"
    "                         another speed gets no answer\n"
    "  --pace                 send reply bytes at the pace of the line's speed\n"
    "  --pace-9600            the old name of --pace (9600 baud unless --baud says else)\n"
    "  --completion-delay MS  send each completion at least MS ms after its ACK\n"
    "  --split-pause MS       pause used by --fault split (default 40)\n"
    "  --late-completion MS   delay used by --fault late-completion (default 6300)\n"
    "  --fault NAME           silent, buffer-full, not-executable, ack-only, garbage,\n"
    "                         split, hangup, late-completion, no-auto-power-off,\n"
    "                         held-completion (a completion waits for the next request),\n"
    "                         error-after-ack (the ACK, then y0 61 41 FF), or a wrong\n"
    "                         answer to each inquiry: empty-answer (y0 50 FF),\n"
    "                         short-answer (y0 50 02 FF), unterminated-answer (16 bytes\n"
    "                         without FF) or bad-nibble-answer (a nibble byte above 0F);\n"
    "                         default none\n"
    "  --network-change-on-connect\n"
    "                         send the network change X0 38 FF to each TCP connection\n"
    "                         and after each UDP sequence reset\n"
    "  --network-change-before-reply PERCENT\n"
    "                         send it before a reply, with this chance\n"
    "  --network-change-after-exchange PERCENT\n"
    "                         send it after the last reply of an exchange, with this chance\n"
    "  --network-change-every MS\n"
    "                         send it on its own every MS ms\n"
    "  --network-change-broadcast\n"
    "                         send it as 88 38 FF, not from the camera's address\n"
    "  --ir-report PERCENT    before a reply, with this chance, a key of the infrared remote\n"
    "                         (y0 07 7D 01 .. .. FF; zoom, power, pan-tilt, ... in turn)\n"
    "  --stray-bytes N        after each exchange, N stray bytes without FF (up to 64 MiB);\n"
    "                         'forever': after the first exchange the camera never stops\n"
    "                         sending stray bytes (on the line and TCP)\n"
    "  --stray-stale          after each exchange, a stale-looking answer y0 50 0F FF\n"
    "                         (after the stray bytes, if any)\n"
    "  --seed N               seed of the random choices of the options above (default 1)\n"
    "  --byte-pause MS        pause between the bytes sent, on the line and over TCP\n"
    "  --tcp PORT             serve camera 1 also on TCP PORT of 127.0.0.1 (plain VISCA\n"
    "                         bytes; 0 picks a free port)\n"
    "  --udp PORT             serve camera 1 also on UDP PORT of 127.0.0.1 (VISCA over IP;\n"
    "                         0 picks a free port)\n"
    "  --net-fault NAME       drop, duplicate or late (UDP reply datagrams), close (TCP:\n"
    "                         close at the request) or close-mid-reply (TCP: close after\n"
    "                         the reply's first byte); default none\n"
    "  --net-fault-request N  the request that --net-fault hits, counted from 1 on each TCP\n"
    "                         connection and after each UDP sequence reset; 0 hits every\n"
    "                         request (default 1)\n"
    "  --net-fault-delay MS   how late --net-fault late sends the replies (default 6500)\n"
    "  --view                 show what each camera sees in a window (key O: overlay)\n"
    "  --geometry WxH+X+Y     size and place of that window; WxH or +X+Y alone also do\n"
    "  --help                 show this text\n"
    "The first line of standard output is the device to open; then, with --tcp and --udp,\n"
    "tcp://127.0.0.1:PORT and udp://127.0.0.1:PORT, one a line, with the ports bound.\n";

struct Options {
    Camsim::ServerOptions server;
    std::string writeProfile;
    bool usageWithError = true;  // false when the options were fine but a file was not
    std::string link;
    bool verbose = false;
    bool view = false;
    bool geometry = false;
    Camsim::ViewOptions viewOptions;
};

// The longest burst of stray bytes: 64 MiB.
constexpr int MAX_STRAY = 64 << 20;

int signalPipe[2] = {-1, -1};

extern "C" void onSignal(int) {
    const int saved = errno;
    const char b = 1;
    // Nothing else is safe here; the main thread does the work.
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &b, 1);
    errno = saved;
}

std::optional<int> parseInt(std::string_view text, int min, int max) {
    if (text.empty()) return std::nullopt;
    const std::string s(text);
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (errno != 0 || end != s.c_str() + s.size() || v < min || v > max) return std::nullopt;
    return static_cast<int>(v);
}

// "WxH+X+Y", "WxH" or "+X+Y", as X11 programs take it (offsets from the top-left corner only).
bool parseGeometry(std::string_view text, Camsim::ViewOptions& view) {
    const auto number = [&text](std::size_t& at, int min) -> std::optional<int> {
        std::size_t end = at;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        const auto n = parseInt(text.substr(at, end - at), min, 100000);
        at = end;
        return n;
    };
    std::size_t at = 0;
    if (at < text.size() && text[at] != '+') {
        const auto w = number(at, 1);
        if (!w || at >= text.size() || text[at] != 'x') return false;
        ++at;
        const auto h = number(at, 1);
        if (!h) return false;
        view.width = w;
        view.height = h;
    }
    if (at < text.size()) {
        if (text[at] != '+') return false;
        ++at;
        const auto x = number(at, 0);
        if (!x || at >= text.size() || text[at] != '+') return false;
        ++at;
        const auto y = number(at, 0);
        if (!y || at != text.size()) return false;
        view.x = x;
        view.y = y;
    }
    return !text.empty();
}

// Returns an error text, or an empty one when the options are good.
std::string parse(int argc, char** argv, Options& options, bool& help) {
    bool instant = false;
    bool pace = false;
    bool delay = false;
    bool model = false;
    bool profile = false;
    bool cameras = false;
    std::optional<int> baud;  // applied last, over the model's own speed
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view value;
        bool hasValue = false;
        if (const auto eq = arg.find('=');
            arg.substr(0, 2) == "--" && eq != std::string_view::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasValue = true;
        }
        const auto needValue = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= argc) return false;
            value = argv[++i];
            return true;
        };
        const auto noValue = [&] { return !hasValue; };

        if (arg == "--help" && noValue()) {
            help = true;
        } else if (arg == "--verbose" && noValue()) {
            options.verbose = true;
        } else if (arg == "--instant" && noValue()) {
            instant = true;
            options.server.timing.instant = true;
        } else if ((arg == "--pace" || arg == "--pace-9600") && noValue()) {
            pace = true;
            options.server.timing.pace9600 = true;
        } else if (arg == "--view" && noValue()) {
            options.view = true;
        } else if (arg == "--geometry") {
            if (!needValue()) return "--geometry needs a value";
            if (!parseGeometry(value, options.viewOptions)) {
                return "--geometry takes WxH+X+Y, WxH or +X+Y";
            }
            options.geometry = true;
        } else if (arg == "--cameras") {
            if (!needValue()) return "--cameras needs a value";
            const auto n = parseInt(value, 1, 7);
            if (!n) return "--cameras takes a number from 1 to 7";
            options.server.cameras = *n;
            cameras = true;
        } else if (arg == "--baud") {
            if (!needValue()) return "--baud needs a speed";
            baud = parseInt(value, 1, INT_MAX);
            if (!baud || !Camsim::supportedLineSpeed(*baud)) {
                return "--baud takes 2400, 4800, 9600, 19200, 38400, 57600 or 115200";
            }
        } else if (arg == "--model") {
            if (!needValue()) return "--model needs a name";
            // "chain,standard,network": one model a camera, in chain order.
            std::vector<Camsim::Model> models;
            for (std::size_t start = 0;;) {
                const std::size_t comma = value.find(',', start);
                const std::string_view name = value.substr(start, comma - start);
                const auto named = Camsim::builtInModel(name);
                if (!named) return "unknown model '" + std::string(name) + "'";
                models.push_back(*named);
                if (comma == std::string_view::npos) break;
                start = comma + 1;
            }
            if (models.size() > 7) return "--model names 1 to 7 models, one a camera";
            options.server.model = models.front();
            options.server.models.clear();
            if (models.size() > 1) options.server.models = models;
            model = true;
        } else if (arg == "--profile") {
            if (!needValue() || value.empty()) return "--profile needs a file";
            try {
                options.server.model = Camsim::loadProfile(std::string(value));
            } catch (const Camsim::ProfileError& error) {
                options.usageWithError = false;
                return std::string("profile ") + error.what();
            }
            profile = true;
        } else if (arg == "--write-profile") {
            if (!needValue() || value.empty()) return "--write-profile needs a file, or -";
            options.writeProfile = std::string(value);
        } else if (arg == "--link") {
            if (!needValue() || value.empty()) return "--link needs a path";
            options.link = std::string(value);
        } else if (arg == "--completion-delay") {
            if (!needValue()) return "--completion-delay needs a value";
            const auto ms = parseInt(value, 0, 600000);
            if (!ms) return "--completion-delay takes milliseconds from 0 to 600000";
            delay = true;
            options.server.timing.completionDelay = std::chrono::milliseconds(*ms);
        } else if (arg == "--split-pause") {
            if (!needValue()) return "--split-pause needs a value";
            const auto ms = parseInt(value, 0, 600000);
            if (!ms) return "--split-pause takes milliseconds from 0 to 600000";
            options.server.timing.splitPause = std::chrono::milliseconds(*ms);
        } else if (arg == "--late-completion") {
            if (!needValue()) return "--late-completion needs a value";
            const auto ms = parseInt(value, 0, 600000);
            if (!ms) return "--late-completion takes milliseconds from 0 to 600000";
            options.server.timing.lateCompletion = std::chrono::milliseconds(*ms);
        } else if (arg == "--tcp" || arg == "--udp") {
            const std::string name(arg);
            if (!needValue()) return name + " needs a port";
            const auto port = parseInt(value, 0, 65535);
            if (!port) return name + " takes a port from 0 to 65535";
            (arg == "--tcp" ? options.server.network.tcpPort : options.server.network.udpPort) =
                static_cast<std::uint16_t>(*port);
        } else if (arg == "--net-fault") {
            if (!needValue()) return "--net-fault needs a name";
            const auto f = Camsim::networkFaultFromName(value);
            if (!f) return "unknown network fault '" + std::string(value) + "'";
            options.server.network.fault.fault = *f;
        } else if (arg == "--net-fault-request") {
            if (!needValue()) return "--net-fault-request needs a value";
            const auto n = parseInt(value, 0, INT_MAX);
            if (!n) return "--net-fault-request takes a request number, 0 for every request";
            options.server.network.fault.request = *n;
        } else if (arg == "--net-fault-delay") {
            if (!needValue()) return "--net-fault-delay needs a value";
            const auto ms = parseInt(value, 0, 600000);
            if (!ms) return "--net-fault-delay takes milliseconds from 0 to 600000";
            options.server.network.fault.delay = std::chrono::milliseconds(*ms);
        } else if (arg == "--network-change-on-connect" && noValue()) {
            options.server.chatter.networkChangeOnConnect = true;
        } else if (arg == "--network-change-broadcast" && noValue()) {
            options.server.chatter.networkChangeBroadcast = true;
        } else if (arg == "--network-change-before-reply" ||
                   arg == "--network-change-after-exchange" || arg == "--ir-report") {
            const std::string name(arg);
            if (!needValue()) return name + " needs a percentage";
            const auto percent = parseInt(value, 0, 100);
            if (!percent) return name + " takes a percentage from 0 to 100";
            Camsim::Chatter& chatter = options.server.chatter;
            (arg == "--ir-report"                       ? chatter.infraredBeforeReply
             : arg == "--network-change-after-exchange" ? chatter.networkChangeAfterExchange
                                                        : chatter.networkChangeBeforeReply) =
                *percent;
        } else if (arg == "--network-change-every") {
            if (!needValue()) return "--network-change-every needs a value";
            const auto ms = parseInt(value, 1, 600000);
            if (!ms) return "--network-change-every takes milliseconds from 1 to 600000";
            options.server.chatter.networkChangeEvery = std::chrono::milliseconds(*ms);
        } else if (arg == "--stray-bytes") {
            if (!needValue()) return "--stray-bytes needs a count";
            if (value == "forever") {
                options.server.chatter.strayForever = true;
            } else {
                const auto n = parseInt(value, 1, MAX_STRAY);
                if (!n) return "--stray-bytes takes a count from 1 to 67108864, or forever";
                options.server.chatter.strayBytes = static_cast<std::size_t>(*n);
            }
        } else if (arg == "--stray-stale" && noValue()) {
            options.server.chatter.strayStale = true;
        } else if (arg == "--seed") {
            if (!needValue()) return "--seed needs a number";
            const auto seed = parseInt(value, 0, INT_MAX);
            if (!seed) return "--seed takes a number from 0 to 2147483647";
            options.server.chatter.seed = static_cast<std::uint32_t>(*seed);
        } else if (arg == "--byte-pause") {
            if (!needValue()) return "--byte-pause needs a value";
            const auto ms = parseInt(value, 0, 60000);
            if (!ms) return "--byte-pause takes milliseconds from 0 to 60000";
            options.server.timing.bytePause = std::chrono::milliseconds(*ms);
        } else if (arg == "--fault") {
            if (!needValue()) return "--fault needs a name";
            const auto f = Camsim::faultFromName(value);
            if (!f) return "unknown fault '" + std::string(value) + "'";
            options.server.fault = *f;
        } else {
            return "unknown option '" + std::string(argv[i]) + "'";
        }
    }
    if (instant && (pace || delay)) {
        return "--instant cannot be combined with --pace or --completion-delay";
    }
    if (baud) options.server.model.lineSpeed = *baud;
    if (options.geometry && !options.view) return "--geometry needs --view";
    if (model && profile) return "--model and --profile each choose the model: give one";
    if (const auto& models = options.server.models; !models.empty()) {
        if (cameras && options.server.cameras != static_cast<int>(models.size())) {
            return "--model names " + std::to_string(models.size()) +
                   " models, one a camera, but --cameras asks for " +
                   std::to_string(options.server.cameras);
        }
        if (!options.writeProfile.empty()) {
            return "--write-profile writes one model: name one with --model";
        }
        options.server.cameras = static_cast<int>(models.size());
    }
    const auto& network = options.server.network;
    if (network.fault.fault != Camsim::NetworkFault::None && !network.tcpPort && !network.udpPort) {
        return "--net-fault needs --tcp or --udp";
    }
    return {};
}

// Replaces a stale symbolic link from an earlier run, never anything else.
bool makeLink(const std::string& target, const std::string& link) {
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            std::fprintf(stderr, "quorvin-camsim: %s exists and is not a symbolic link\n",
                         link.c_str());
            return false;
        }
        if (::unlink(link.c_str()) != 0) {
            std::fprintf(stderr, "quorvin-camsim: cannot remove %s: %s\n", link.c_str(),
                         std::strerror(errno));
            return false;
        }
    }
    if (::symlink(target.c_str(), link.c_str()) != 0) {
        std::fprintf(stderr, "quorvin-camsim: cannot link %s: %s\n", link.c_str(),
                     std::strerror(errno));
        return false;
    }
    return true;
}

// Removes the link only while it still points at this run's device.
void removeLink(const std::string& target, const std::string& link) {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
    if (n < 0) return;
    buf[n] = '\0';
    if (target == buf) ::unlink(link.c_str());
}

bool installSignals() {
    if (::pipe(signalPipe) != 0) return false;
    for (int fd : signalPipe) {
        const int fl = ::fcntl(fd, F_GETFL);
        if (fl < 0 || ::fcntl(fd, F_SETFL, fl | O_NONBLOCK) < 0) return false;
        if (::fcntl(fd, F_SETFD, FD_CLOEXEC) < 0) return false;
    }
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    if (::sigaction(SIGINT, &sa, nullptr) != 0 || ::sigaction(SIGTERM, &sa, nullptr) != 0) {
        return false;
    }
    // A reader of our output that goes away must not kill the camera mid-frame.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    return ::sigaction(SIGPIPE, &ignore, nullptr) == 0;
}

int writeProfile(const Options& options) {
    const std::string text = Camsim::profileText(options.server.model);
    if (options.writeProfile == "-") {
        std::fputs(text.c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    std::ofstream file(options.writeProfile, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        std::fprintf(stderr, "quorvin-camsim: cannot write %s\n", options.writeProfile.c_str());
        return 1;
    }
    return 0;
}

void waitForSignal() {
    pollfd p{};
    p.fd = signalPipe[0];
    p.events = POLLIN;
    for (;;) {
        const int r = ::poll(&p, 1, -1);
        if (r > 0) return;
        if (r < 0 && errno != EINTR) {
            std::fprintf(stderr, "quorvin-camsim: poll: %s\n", std::strerror(errno));
            return;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    bool help = false;
    const std::string error = parse(argc, argv, options, help);
    if (!error.empty()) {
        std::fprintf(stderr, "quorvin-camsim: %s\n%s", error.c_str(),
                     options.usageWithError ? USAGE : "");
        return 2;
    }
    if (help) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (!options.writeProfile.empty()) return writeProfile(options);
    if (options.verbose) {
        options.server.log = [](const std::string& line) {
            std::fprintf(stderr, "%s\n", line.c_str());
        };
    }
    if (options.view) {
        const std::string why = Camsim::viewUnavailable();
        if (!why.empty()) {
            std::fprintf(stderr, "quorvin-camsim: %s\n", why.c_str());
            return 1;
        }
    }
    if (!installSignals()) {
        std::fprintf(stderr, "quorvin-camsim: cannot install signal handlers: %s\n",
                     std::strerror(errno));
        return 1;
    }

    int status = 0;
    try {
        Camsim::PtyServer server(options.server);
        if (!options.link.empty() && !makeLink(server.devicePath(), options.link)) return 1;
        if (options.verbose) {
            std::string models = options.server.model.name;
            for (std::size_t i = 1; i < options.server.models.size(); ++i) {
                models += "," + options.server.models[i].name;
            }
            std::fprintf(stderr, "quorvin-camsim: %d %s camera(s) on %s at %d baud, fault %s\n",
                         options.server.cameras, models.c_str(), server.devicePath().c_str(),
                         options.server.model.lineSpeed, Camsim::faultName(options.server.fault));
        }
        std::printf("%s\n", server.devicePath().c_str());
        if (server.tcpPort() != 0)
            std::printf("tcp://127.0.0.1:%u\n", static_cast<unsigned>(server.tcpPort()));
        if (server.udpPort() != 0)
            std::printf("udp://127.0.0.1:%u\n", static_cast<unsigned>(server.udpPort()));
        std::fflush(stdout);
        if (options.view) {
            status = Camsim::runView(server, options.viewOptions, signalPipe[0]);
        } else {
            waitForSignal();
        }
        server.stop();
        if (!options.link.empty()) removeLink(server.devicePath(), options.link);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "quorvin-camsim: %s\n", failure.what());
        return 1;
    }
    return status;
}
