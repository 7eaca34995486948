#pragma once

// The lists of library entries kept as text beside the tests (tests/api/exports.txt,
// tests/demo/imports.txt), which the build embeds as rows of ListedSymbol, and the spelling that
// the lists and the symbol tables are compared in.

#include <string>

namespace TestSupport {

struct ListedSymbol {
    const char* name;  // demangled, with std::string for the standard string
    bool elfOnly;      // exported by an ELF library only
};

// `symbol` with the standard string's long names (that of either library ABI) spelled
// std::string, as the lists spell it.
inline std::string withShortStringNames(std::string symbol) {
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

}  // namespace TestSupport
