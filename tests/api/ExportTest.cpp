// The shared library's boundary: its dynamic symbol table holds exactly the Controller class,
// the four log switches and what a caller needs to catch DriverException by type.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "tests/api/ControllerOperations.h"

namespace CameraDriver::testing {
namespace {

struct Output {
    std::string text;
    int status = -1;
};

Output run(const std::string& command) {
    Output output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    std::array<char, 4096> chunk{};
    std::size_t n = 0;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) {
        output.text.append(chunk.data(), n);
    }
    const int status = pclose(pipe);
    output.status = (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    return output;
}

std::string quoted(const std::string& path) { return "'" + path + "'"; }

// The standard string's spelling differs between library ABIs; the expected list uses the
// short one.
std::string normalized(std::string symbol) {
    for (const std::string longForm :
         {"std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >",
          "std::basic_string<char, std::char_traits<char>, std::allocator<char> >"}) {
        for (auto at = symbol.find(longForm); at != std::string::npos;
             at = symbol.find(longForm, at)) {
            symbol.replace(at, longForm.size(), "std::string");
        }
    }
    return symbol;
}

std::set<std::string> expectedExports() {
    std::set<std::string> expected;
    for (const std::string& operation : controllerOperations()) {
        expected.insert("CameraDriver::Controller::" + operation);
    }
    for (const char* member :
         {"Controller()", "Controller(CameraDriver::Controller const&)", "~Controller()",
          "operator=(CameraDriver::Controller const&)", "getImpl()"}) {
        expected.insert(std::string("CameraDriver::Controller::") + member);
    }
    for (const char* name : {"setLogFile(std::string const&)", "setVerboseEnabled(bool)",
                             "setLogEnabled(bool)", "setDebugEnabled(bool)"}) {
        expected.insert(name);
    }
    for (const char* type : {"CameraDriver::Controller", "CameraDriver::DriverException"}) {
        for (const char* what : {"typeinfo for ", "typeinfo name for ", "vtable for "}) {
            expected.insert(std::string(what) + type);
        }
    }
    return expected;
}

TEST(LibraryBoundary, ExportsExactlyTheControllerTheSwitchesAndTheExceptionType) {
    const Output nm =
        run(std::string(QUORVIN_NM) + " -D --defined-only -C " + quoted(QUORVIN_LIBRARY) + " 2>&1");
    ASSERT_EQ(nm.status, 0) << nm.text;

    // Lines read "<address> <type> <name>"; a name may contain spaces.
    std::set<std::string> exported;
    std::istringstream lines(nm.text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string address;
        std::string type;
        std::string name;
        fields >> address >> type >> std::ws;
        std::getline(fields, name);
        if (!name.empty()) {
            exported.insert(normalized(name));
        }
    }

    const std::set<std::string> expected = expectedExports();
    EXPECT_EQ(expected.size(), 108u + 5 + 4 + 6);
    for (const std::string& symbol : exported) {
        EXPECT_TRUE(expected.count(symbol)) << "exported by accident: " << symbol;
    }
    for (const std::string& symbol : expected) {
        EXPECT_TRUE(exported.count(symbol)) << "not exported: " << symbol;
    }
}

TEST(LibraryBoundary, CarriesAVersionedSoname) {
    const Output dynamic =
        run(std::string(QUORVIN_READELF) + " -d " + quoted(QUORVIN_LIBRARY) + " 2>&1");
    ASSERT_EQ(dynamic.status, 0) << dynamic.text;
    EXPECT_NE(dynamic.text.find("Library soname: [" QUORVIN_SONAME "]"), std::string::npos)
        << dynamic.text;
}

}  // namespace
}  // namespace CameraDriver::testing
