// The shared library's boundary: its dynamic symbol table holds exactly the Controller class,
// the four log switches and what a caller needs to catch DriverException by type.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "tests/api/ControllerOperations.h"
#include "tests/support/Subprocess.h"

namespace ApiTest {
namespace {

// Every entry of the list, once.
std::set<std::string> expectedExports() {
    std::set<std::string> expected;
    for (const TestSupport::ListedSymbol& entry : exportedEntries()) {
        expected.insert(entry.name);
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
            exported.insert(TestSupport::withShortStringNames(name));
        }
    }

    // The 108 operations, the class's five special members, the four switches and the six
    // symbols of the exception type: the library's table, not only the list, holds that many.
    EXPECT_EQ(exported.size(), 108u + 5 + 4 + 6);
    const std::set<std::string> expected = expectedExports();
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
    EXPECT_NE(dynamic.out.find("Library soname: [libquorvin.so.1]"), std::string::npos)
        << dynamic.out;
}

}  // namespace
}  // namespace ApiTest
