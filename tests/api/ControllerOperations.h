#pragma once

// The library's exported entries, from the one list that the Windows build checks quorvin.dll
// against too (tests/api/exports.txt), and the camera operations among them.

#include <string>
#include <vector>

#include "tests/support/SymbolList.h"

namespace ApiTest {

inline const std::vector<TestSupport::ListedSymbol>& exportedEntries() {
    static const std::vector<TestSupport::ListedSymbol> entries = {
#include "tests/api/exports.txt.inc"
    };
    return entries;
}

// The 108 camera operations of Controller, spelled as the demangler prints them (with
// std::string for the standard string), in the order of the implementation's slots: the
// Controller members of the list other than its constructors, destructor, assignment and
// getImpl.
inline const std::vector<std::string>& controllerOperations() {
    static const std::vector<std::string> operations = [] {
        const std::string scope = "CameraDriver::Controller::";
        std::vector<std::string> found;
        for (const TestSupport::ListedSymbol& entry : exportedEntries()) {
            const std::string name = entry.name;
            if (name.compare(0, scope.size(), scope) != 0) {
                continue;
            }
            const std::string member = name.substr(scope.size());
            if (member.rfind("Controller(", 0) == 0 || member.rfind("~Controller(", 0) == 0 ||
                member.rfind("operator=(", 0) == 0 || member == "getImpl()") {
                continue;
            }
            found.push_back(member);
        }
        return found;
    }();
    return operations;
}

// The name part of one of the signatures above.
inline std::string operationName(const std::string& signature) {
    return signature.substr(0, signature.find('('));
}

}  // namespace ApiTest
