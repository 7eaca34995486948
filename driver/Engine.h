#pragma once

// The engine below the exported class, for the programs built with it (the hub, the C
// interface): a Controller for the camera operations, and what the exported class does not
// offer: the raw exchange under the engine's frame rules, waits of a chosen length, a look at
// the link while no exchange runs, and how the last exchange went. Not exported: the shared
// library's interface stays the Controller alone.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "driver/ViscaControllerImpl.h"
#include "quorvin/Controller.h"
#include "transport/Comm.h"

namespace CameraDriver {

class Engine {
  public:
    using Clock = Comm::Clock;
    using ExchangeOptions = ViscaControllerImpl::ExchangeOptions;
    using ExchangeReport = ViscaControllerImpl::ExchangeReport;
    using FrameObserver = ViscaControllerImpl::FrameObserver;

    // With the library's own transport, chosen by the port's name on open.
    Engine();
    // With `link` as the transport (a test's, say).
    explicit Engine(std::unique_ptr<Comm> link);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
    // Closes the link; a failure to close is dropped.
    ~Engine();

    // The camera operations, on this engine's link and current camera.
    Controller& controller() { return facade; }

    // Opens the link by name and sets the chain up, as Controller::connect does.
    void open(const std::string& port);
    void close();
    // Numbers the chain again and returns how many cameras it has.
    int countCameras();
    int camera() { return impl().getCurCamera(); }
    void selectCamera(int number) { impl().setCurCamera(number); }

    // Sends one command (8x 01 ... FF) or inquiry (8x 09 ... FF) to the current camera, the
    // camera's number put into its header, and returns its reply checked as the operations'
    // replies are: the acknowledgement and completion of a command, the answer of an inquiry.
    // Anything else, a 0xFF inside, or more than 16 bytes is refused with "Command is
    // malformed !" and nothing is sent. A refusal by the camera raises its text; the frames
    // it sent are in lastExchange().reply.
    std::vector<std::uint8_t> exchange(const std::uint8_t* bytes, std::size_t length,
                                       const ExchangeOptions& options = {});

    // How the operations of controller() wait: a command with `untilAcknowledged` returns at
    // its acknowledgement (its completion then comes as a frame set aside), and `timeout`
    // bounds every wait. Until it is called, as the exported class waits.
    void setOperationOptions(const ExchangeOptions& options) {
        impl().setOperationOptions(options);
    }

    // Frames that nobody asked for (late completions, change notices, remote-control keys)
    // are shown to `watcher` as they are set aside, during exchanges and listen alike.
    void observeSetAside(FrameObserver watcher) { impl().observeSetAside(std::move(watcher)); }
    // Reads what the camera sends with no exchange in progress until `deadline`, or until
    // `maxFrames` frames have come when it is above 0.
    int listen(Clock::time_point deadline, int maxFrames = 0) {
        return impl().listen(deadline, maxFrames);
    }
    const ExchangeReport& lastExchange() { return impl().lastExchange(); }

  private:
    // The façade whose implementation this engine drives.
    class Facade : public Controller {
      public:
        ViscaControllerImpl& engine();
    };

    ViscaControllerImpl& impl() { return facade.engine(); }

    Facade facade;
};

}  // namespace CameraDriver
