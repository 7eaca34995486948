// The quorvin-camsim program as a test starts it: a process with its standard output on a pipe
// and its standard error in a file, in a private folder.
#pragma once

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "SimTestSupport.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

namespace SimTest {

using TestSupport::readFile;
using TestSupport::TempDir;

// The program with its standard error in the test's folder.
class Program : public TestSupport::RunningProgram {
  public:
    Program(const std::vector<std::string>& options, const std::string& errPath)
        : RunningProgram(withProgram(options), errPath) {}

    // CPU time used so far, user and system, in seconds.
    double cpuSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(pid()) + "/stat");
        std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        std::istringstream fields(all.substr(all.rfind(')') + 2));
        std::vector<std::string> f;
        for (std::string w; fields >> w;) f.push_back(w);
        if (f.size() < 13) return -1.0;
        // After the command name: state is field 3, utime 14, stime 15.
        const double ticks = std::stod(f[11]) + std::stod(f[12]);
        return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }

  private:
    static std::vector<std::string> withProgram(const std::vector<std::string>& options) {
        std::vector<std::string> args{QUORVIN_CAMSIM_PROGRAM};
        args.insert(args.end(), options.begin(), options.end());
        return args;
    }
};

}  // namespace SimTest
