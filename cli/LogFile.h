#pragma once

// The library's log file, as the tool hands it over. The library writes its log without a word
// when the file will not open or a write fails (a log must never fail the camera), so the tool
// opens the file itself first, where a user still hears why, and watches the writes where the
// platform lets it: on POSIX the library writes into a pipe and the tool copies every byte to
// the file, so that no failed write goes unseen. On Windows the file is checked before the run
// and handed to the library as it is; a write that fails during the run is not seen there.

#include <memory>
#include <string>

namespace QuorvinCli {

// Why `path` cannot take the log, for the system's error number met opening or writing it, and
// what to do: "it is a folder; name a file in it, such as logs/quorvin.log".
std::string logErrorText(const std::string& path, int error);

class LogFile {
  public:
    LogFile();
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Opens `path` for writing, emptied as the library empties it, and hands it to the library
    // (setLogFile). A regular file also has one byte written and taken back: a full file system
    // gives a file its name but refuses it that byte. Returns "" when the log is the library's,
    // else a line for the user ("cannot write the log logs: it is a folder; ...") and the
    // library's log is left as it was.
    std::string open(const std::string& path);

    // Switches the library's log off (closing its file) and returns "" when everything it
    // wrote reached the file, else a line for the user: "the log /dev/full is incomplete:
    // writing it failed after 0 bytes: no space left on its file system; ...".
    std::string close();

  private:
    // What the platform keeps while the log is open.
    struct Watch;
    std::unique_ptr<Watch> watch;
    std::string name;
};

}  // namespace QuorvinCli
