#pragma once

// A run of the tool: the operations given on the command line (or on standard input) checked
// against the operation table, then executed one after the other on one connected camera.

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "operations/Operations.h"

namespace CameraDriver {
class Controller;
}

namespace QuorvinCli {

// The tool's words name the rows of the operation table.
using Operations::Operation;
using Operations::Value;

// A mistake of the user's, found before anything is sent for the step that has it.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct Step {
    enum class Kind { Call, Status, StandardInput };
    Kind kind = Kind::Call;
    const Operation* operation = nullptr;  // Call only
    std::vector<Value> values;             // Call only
    bool json = false;                     // Status only: `status --json`
};

// Splits words into operations at "," (also where a comma is glued to a word) and checks every
// name, argument count and value. Throws UsageError naming the operation and its arguments.
std::vector<Step> parseSteps(const std::vector<std::string>& words);

// The most characters of a word that a message quotes.
constexpr std::size_t QUOTE_LIMIT = 40;

// A word of the user's as a message shows it: "setZom" whole, in quotes, up to QUOTE_LIMIT
// characters; a longer one (a file pasted by mistake) by its start, "..." and its length, as
// "xxxx..." of 1048576 characters, so that the message stays a line.
std::string quoteWord(const std::string& word);

// Splits one line of the shell into words; "#" starts a comment.
std::vector<std::string> splitLine(const std::string& line);

// The operations of a script on `in` (one or more a line, blank lines and comments skipped),
// read to its end and every line checked. Throws UsageError for the first bad line, with its
// number: a script that is refused sends nothing.
std::vector<Step> readScript(std::istream& in);

// `steps` with each "-" replaced by the script that readScript() reads from `in`.
std::vector<Step> withScript(const std::vector<Step>& steps, std::istream& in);

// A short name of a step for failure messages: "setZoom", "status".
std::string describe(const Step& step);

class Runner {
  public:
    // Results go to `output`; a mistyped line at the terminal is answered on standard error.
    Runner(CameraDriver::Controller& controller, std::ostream& output, bool asJson);
    // The same, with mistyped lines answered on `errors`, and each failed step too when
    // `goOnAfterFailure`.
    Runner(CameraDriver::Controller& controller, std::ostream& output, bool asJson,
           std::ostream& errors, bool goOnAfterFailure);

    // Throws CameraDriver::DriverException when the camera or the line fails; going on after a
    // failure, reports it instead ("quorvin: setGain: ...") and returns, so that the next step
    // runs. "-" reads `in` as someone types at a terminal, line by line, each line run once it
    // is read: a mistyped line is reported and the next one read. (A script that is not typed
    // is checked whole before anything is sent: see withScript().)
    void run(const Step& step, std::istream& in);

    // The operation that ran last, for a failure message ("getPowerState", "status").
    const std::string& current() const { return currentStep; }

    // True once a step failed that the run went on after: an inquiry of `status` (whose other
    // inquiries were still read and printed), or any step when going on after failures.
    bool anyFailed() const { return failed; }

  private:
    void dispatch(const Step& step, std::istream& in);
    void call(const Step& step);
    void status(bool asJson);
    void shell(std::istream& in);

    CameraDriver::Controller& camera;
    std::ostream& out;
    std::ostream& err;
    bool json;
    bool keepGoing;
    std::string currentStep;
    bool failed = false;
};

// Text of a failure as one line: trailing line breaks of a message are dropped.
std::string oneLine(std::string text);

}  // namespace QuorvinCli
