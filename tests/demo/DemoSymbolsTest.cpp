// Which library entries the Demo program binds when it is loaded: read from its dynamic symbol
// table, so that an accidental use of another operation (or an inline that stopped being one)
// shows up here and not at a customer's with an older library.
#include <cxxabi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "tests/support/Subprocess.h"
#include "tests/support/SymbolList.h"

namespace {

// Mangled names of the dynamic symbols that `nm -D <filter>` lists for `file`.
std::set<std::string> dynamicSymbols(const std::string& filter, const std::string& file) {
    const TestSupport::RunResult nm = TestSupport::runProgram({QUORVIN_NM, "-D", filter, file});
    EXPECT_EQ(nm.exitCode, 0) << "nm -D " << filter << " " << file << " failed: " << nm.err;
    std::set<std::string> names;
    std::istringstream lines(nm.out);
    for (std::string line; std::getline(lines, line);) {
        // "<address> <type> <name>" or "<spaces> U <name>": the name is the last field.
        std::istringstream fields(line);
        std::string field;
        std::string name;
        while (fields >> field) {
            name = field;
        }
        if (name.empty()) {
            continue;
        }
        const std::size_t version = name.find('@');
        names.insert(name.substr(0, version));
    }
    return names;
}

// The entries the Demo binds, from tests/demo/IMPORTS.txt.
const TestSupport::ListedSymbol IMPORTS[] = {
#include "tests/demo/imports.txt.inc"
};

std::string demangled(const std::string& name) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> text(
        abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status), &std::free);
    return status == 0 ? std::string(text.get()) : name;
}

TEST(DemoSymbols, BindsOnlyTheTwentyEntriesItUses) {
    const std::set<std::string> exported = dynamicSymbols("--defined-only", QUORVIN_LIBRARY);
    ASSERT_FALSE(exported.empty());

    std::set<std::string> bound;
    for (const std::string& name : dynamicSymbols("--undefined-only", QUORVIN_DEMO)) {
        if (exported.count(name) != 0) {
            bound.insert(TestSupport::withShortStringNames(demangled(name)));
        }
    }
    std::set<std::string> expected;
    for (const TestSupport::ListedSymbol& entry : IMPORTS) {
        expected.insert(entry.name);
    }
    ASSERT_EQ(expected.size(), 20u);
#if defined(QUORVIN_SANITIZED)
    // The undefined-behaviour sanitizer checks the dynamic type of every object that a member
    // call goes to, against the class's type information.
    expected.insert("typeinfo for CameraDriver::Controller");
#endif
    EXPECT_EQ(bound, expected);
}

// The exception class lives wholly in its header; the program carries its own weak copy of the
// type information, which the loader merges with the library's so that a catch matches a
// throw. Nothing else of the library may be duplicated in the program.
TEST(DemoSymbols, CarriesNoCopyOfLibraryCodeBeyondTheExceptionType) {
    const std::set<std::string> exported = dynamicSymbols("--defined-only", QUORVIN_LIBRARY);
    std::set<std::string> duplicated;
    for (const std::string& name : dynamicSymbols("--defined-only", QUORVIN_DEMO)) {
        if (exported.count(name) != 0) {
            duplicated.insert(demangled(name));
        }
    }
    for (const std::string& name : duplicated) {
        EXPECT_TRUE(name == "typeinfo for CameraDriver::DriverException" ||
                    name == "typeinfo name for CameraDriver::DriverException")
            << name;
    }
}

}  // namespace
