// The loaded library as the dynamic linker found it: the file that holds one of its entry
// points, followed through its links to the versioned name "libquorvin.so.1.0.0".

#include <dlfcn.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "cli/LoadedLibrary.h"
#include "quorvin/Log.h"

namespace QuorvinCli {

LoadedLibrary loadedLibrary() {
    LoadedLibrary library;
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&::setDebugEnabled), &info) == 0 ||
        info.dli_fname == nullptr) {
        return library;
    }
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(info.dli_fname, nullptr),
                                                           &std::free);
    library.file = real ? real.get() : info.dli_fname;
    const std::string marker = ".so.";
    const std::size_t at = library.file.rfind(marker);
    if (at != std::string::npos && library.file.find('/', at) == std::string::npos) {
        library.version = library.file.substr(at + marker.size());
    }
    return library;
}

}  // namespace QuorvinCli
