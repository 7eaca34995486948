// doctor from the camera's side: whatever comes back to the link set-up and the inquiries, the
// diagnosis is made, and its text, its JSON and its capability profile are written, without a
// crash and without an exception (a support request must get its report whatever the camera
// says). The transport's clock is its own, so the waits cost nothing.
//
// Input: a series of bursts, each a length byte followed by that many bytes. The length is the
// byte's low seven bits modulo 17; 0 stands for a read that fails as a broken line does. A burst
// whose length byte has its top bit set comes with the one before it; any other comes once
// the next request has gone out. Every link opened (one for each line speed tried) hears the
// same bursts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "doctor/Diagnosis.h"
#include "quorvin/DriverException.h"
#include "transport/Comm.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Burst {
    Bytes bytes;
    bool fails = false;
};
// The bursts that one request brings.
using Group = std::vector<Burst>;

class FuzzedLink : public CameraDriver::Comm {
  public:
    explicit FuzzedLink(std::deque<Group> script) : groups(std::move(script)) {}

    void connect(const std::string&) override {}
    void disconnect() override {}
    void send(const unsigned char*, std::uint32_t*) override {
        if (!groups.empty()) {
            arrived.insert(arrived.end(), groups.front().begin(), groups.front().end());
            groups.pop_front();
        }
    }
    bool tryReceive(unsigned char* buffer, std::uint32_t* count,
                    Clock::time_point deadline) override {
        if (arrived.empty()) {
            clock = std::max(clock, deadline);
            return false;
        }
        Burst burst = std::move(arrived.front());
        arrived.pop_front();
        if (burst.fails) {
            throw CameraDriver::DriverException(
                "Serial communication error occured in WinSerialCommAdaptor::recv() !");
        }
        // A burst larger than the offer is cut to it; the rest stays, as on a real line.
        const std::uint32_t n =
            static_cast<std::uint32_t>(std::min<std::size_t>(*count, burst.bytes.size()));
        std::memcpy(buffer, burst.bytes.data(), n);
        if (n < burst.bytes.size()) {
            arrived.push_front({Bytes(burst.bytes.begin() + n, burst.bytes.end()), false});
        }
        *count = n;
        return true;
    }
    [[noreturn]] void failNoReply() const override {
        throw CameraDriver::DriverException("fuzzed camera: no reply in time");
    }
    Clock::time_point now() const override { return clock; }

  private:
    std::deque<Group> groups;
    std::deque<Burst> arrived;
    Clock::time_point clock{};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::deque<Group> script;
    for (std::size_t i = 0; i < size;) {
        const bool withPrevious = (data[i] & 0x80) != 0 && !script.empty();
        const std::size_t length = (data[i++] & 0x7F) % 17;
        if (!withPrevious) {
            script.emplace_back();
        }
        if (length == 0) {
            script.back().push_back({{}, true});
            continue;
        }
        const std::size_t end = std::min(size, i + length);
        // A transport's read that succeeds brings a byte at least.
        if (end > i) {
            script.back().push_back({Bytes(data + i, data + end), false});
        }
        i = end;
    }
    Doctor::DoctorSettings settings;
    settings.makeLink = [&script] {
        return std::unique_ptr<CameraDriver::Comm>(new FuzzedLink(script));
    };
    settings.samples = 3;
    settings.tool = "fuzz";
    const Doctor::Diagnosis diagnosis = Doctor::diagnose("/dev/ttyFUZZ0", settings);
    Doctor::diagnosisText(diagnosis);
    Doctor::diagnosisJson(diagnosis).dump();
    Doctor::capabilityProfile(diagnosis, 1).dump();
    return 0;
}
