// The virtual camera's capability-profile reader: any bytes as a profile file. A bad profile
// must end in a ProfileError and nothing else; a good one must read back the same from what the
// camera writes of it, and serve a chain of that model.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "sim/CameraChain.h"
#include "sim/Profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Camsim::Model model;
    try {
        model = Camsim::parseProfile(text);
    } catch (const Camsim::ProfileError&) {
        return 0;
    }
    const std::string written = Camsim::profileText(model);
    if (Camsim::profileText(Camsim::parseProfile(written)) != written) std::abort();

    Camsim::CameraChain chain(1, std::make_shared<const Camsim::Model>(model));
    const std::uint8_t requests[] = {0x81, 0x09, 0x00, 0x02, 0xFF, 0x81, 0x01, 0x06, 0x05,
                                     0xFF, 0x81, 0x01, 0x04, 0x3F, 0x02, 0x7F, 0xFF};
    Camsim::TimePoint now{};
    chain.receive(requests, sizeof requests, now);
    now += std::chrono::seconds(10);
    chain.takeDue(now);
    chain.state(1, now);
    return 0;
}
