#pragma once

// Mistakes on the quorvin command line and the message each must get: one table for the program
// on every platform, each run against a port that the test gives for "{port}".

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace CliTest {

inline const char* const PORT_PLACEHOLDER = "{port}";

// `options`, then --port {port}, then `words`.
inline std::vector<std::string> cmd(std::vector<std::string> words,
                                    std::vector<std::string> options = {}) {
    std::vector<std::string> args = std::move(options);
    args.insert(args.end(), {"--port", PORT_PLACEHOLDER});
    args.insert(args.end(), words.begin(), words.end());
    return args;
}

struct UsageCase {
    const char* label;
    std::vector<std::string> args;
    std::string err;  // standard error must contain it
};

inline void PrintTo(const UsageCase& c, std::ostream* out) { *out << c.label; }

// Each exits with status 2 and sends nothing.
inline const std::vector<UsageCase>& usageCases() {
    static const std::vector<UsageCase> cases = {
        UsageCase{"unknown operation after a good one",
                  cmd({"setPowerState", "on", ",", "panLeft", "3"}),
                  "quorvin: unknown operation \"panLeft\""},
        UsageCase{"too few arguments", cmd({"getGain", ",", "setPanTilt", "0.5", "0.5"}),
                  "quorvin: setPanTilt takes 4 arguments, got 2: setPanTilt <pan:double> "
                  "<tilt:double> <panSpeed:int> <tiltSpeed:int>"},
        UsageCase{"argument to an operation without any", cmd({"stopMove", "now"}),
                  "quorvin: stopMove takes 0 arguments, got 1: stopMove"},
        UsageCase{"unknown enumerator", cmd({"setWBMode", "WBSunny"}),
                  "quorvin: setWBMode: \"WBSunny\" for <mode> is not a WBMode (WBAuto, "
                  "WBIndoor, WBOutdoor, WBOnePush, WBAutoTracing, WBManual or a number): "
                  "setWBMode <mode:WBMode>"},
        UsageCase{"boolean spelled otherwise", cmd({"setPowerState", "yes"}),
                  "quorvin: setPowerState: \"yes\" for <on> is not a valid on|off"},
        UsageCase{"number beyond an int", cmd({"moveUp", "0x100000000"}),
                  "is not a valid int: moveUp <tiltSpeed:int>"},
        UsageCase{"not a number", cmd({"setZoom", "half"}), "is not a valid double"},
        UsageCase{"comma without an operation", cmd({"getGain", ",", ",", "getIris"}),
                  "quorvin: an operation is missing beside a ','"},
        UsageCase{"no operation", cmd({}), "quorvin: no operation given"},
        UsageCase{"camera beyond the line", cmd({"getGain"}, {"--camera", "8"}), "--camera"},
        UsageCase{"unknown option", cmd({"--fast", "getGain"}),
                  "quorvin: unknown option \"--fast\" (quorvin --help lists them)"},
        UsageCase{"misspelt operation", cmd({"getGain", ",", "setZom", "0.5"}),
                  "quorvin: unknown operation \"setZom\" (did you mean setZoom? quorvin --help"},
        UsageCase{"operation in the wrong case", cmd({"getgain"}), "(did you mean getGain?"},
        UsageCase{"status misspelt", cmd({"stauts"}), "(did you mean status?"},
        UsageCase{"name like none", cmd({"xyzzy"}),
                  "quorvin: unknown operation \"xyzzy\" (quorvin --help lists them)\n"},
        UsageCase{"page pasted as an operation", cmd({std::string(5000, 'a')}),
                  "quorvin: unknown operation \"" + std::string(40, 'a') +
                      "...\" of 5000 characters (quorvin --help lists them)\n"},
        UsageCase{"page pasted as a value", cmd({"setWBMode", std::string(5000, 'b')}),
                  "quorvin: setWBMode: \"" + std::string(40, 'b') +
                      "...\" of 5000 characters for <mode> is not a WBMode"},
        UsageCase{"log into a folder", cmd({"getGain"}, {"--log", "."}),
                  "quorvin: cannot write the log .: it is a folder; name a file in it, such as ."},
        UsageCase{"log in a folder that does not exist",
                  cmd({"getGain"}, {"--log", "quorvin-no-such-folder/camera.log"}),
                  "quorvin: cannot write the log quorvin-no-such-folder/camera.log: the folder "
                  "quorvin-no-such-folder does not exist; create it, or name a file in a folder "
                  "that exists\n"},
        UsageCase{"status with an argument", cmd({"status", "--yaml"}),
                  "status takes no argument other than --json"}};
    return cases;
}

}  // namespace CliTest
