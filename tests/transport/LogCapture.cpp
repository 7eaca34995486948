#include "LogCapture.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "quorvin/Log.h"

namespace TransportTest {

LogCapture::LogCapture() {
    std::string pattern = "/tmp/quorvin-transport-log-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    folder = pattern;
    file = folder + "/transport.log";
    setLogFile(file);
    setDebugEnabled(true);
}

LogCapture::~LogCapture() {
    setDebugEnabled(false);
    setLogEnabled(false);
    ::unlink(file.c_str());
    ::rmdir(folder.c_str());
}

std::vector<std::string> LogCapture::lines() const {
    std::vector<std::string> result;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

std::vector<std::string> LogCapture::exceptionLines() const {
    const std::string prefix = "[Exception] ";
    std::vector<std::string> result;
    for (const std::string& line : lines()) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            result.push_back(line.substr(prefix.size()));
        }
    }
    return result;
}

}  // namespace TransportTest
