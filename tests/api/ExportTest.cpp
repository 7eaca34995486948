// The shared library's boundary: its dynamic symbol table holds exactly the Controller class,
// the four log switches and what a caller needs to catch DriverException by type.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "tests/api/ControllerOperations.h"
#include "tests/support/Subprocess.h"

namespace CameraDriver::testing {
namespace {

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
    const TestSupport::RunResult nm =
        TestSupport::runProgram({QUORVIN_NM, "-D", "--defined-only", "-C", QUORVIN_LIBRARY});
    ASSERT_EQ(nm.exitCode, 0) << nm.err;

    // Lines read "<address> <type> <name>"; a name may contain spaces.
    std::set<std::string> exported;
    std::istringstream lines(nm.out);
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
    const TestSupport::RunResult dynamic =
        TestSupport::runProgram({QUORVIN_READELF, "-d", QUORVIN_LIBRARY});
    ASSERT_EQ(dynamic.exitCode, 0) << dynamic.err;
    EXPECT_NE(dynamic.out.find("Library soname: [" QUORVIN_SONAME "]"), std::string::npos)
        << dynamic.out;
}

}  // namespace
}  // namespace CameraDriver::testing
