// Tells the server whether any client has the terminal open.
//
// The server keeps its own handle on the terminal, so the line never reports a hang-up when a
// client goes, and the terminal outlives every client. A real port, closed by its last user,
// forgets its exclusive mode (TIOCEXCL) and loses the bytes that arrive until it is opened
// again; the server does the same with the help of this watch, so that one client cannot lock
// out or feed stale replies to the next. The watch is a file-system notification on the
// terminal's node and exists on Linux only; elsewhere fd() is -1 and a client is always assumed
// present. The server learns of a close a moment after it happens, so a client that reopens at
// once may still find the exclusive mode that it left on; the library's own port ends exclusive
// mode itself before it closes.
#pragma once

#include <string>

#include "sim/UniqueFd.h"

namespace Camsim {

class ClientWatch {
  public:
    // Clients that opened the terminal before the watch exists are not counted.
    explicit ClientWatch(const std::string& path);

    // Descriptor to poll for reading, or -1 when the platform offers no watch.
    int fd() const { return watch.get(); }

    // Reads the pending notifications; true when a close left no client with the terminal open.
    bool lastClientLeft();

    bool anyClient() const;

  private:
    UniqueFd watch;
    int clients = 0;
};

}  // namespace Camsim
