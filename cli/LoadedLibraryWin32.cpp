// The loaded library as Windows found it: the module that holds one of its entry points, and
// the file version in that file's version block.

#include <windows.h>

#include <string>
#include <vector>

#include "cli/LoadedLibrary.h"
#include "quorvin/Log.h"

namespace QuorvinCli {

namespace {

// "1.0.0" from the fixed part of the version block of `file`; "" when it has none. The fourth
// number, a build number, is left out as the project does not use it.
std::string fileVersion(const std::wstring& file) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) {
        return {};
    }
    std::vector<char> block(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, block.data()) ||
        !::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
        return {};
    }
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(fixed->dwFileVersionLS));
}

// The path in the console's code page, as the rest of the tool's output is.
std::string narrow(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), result.data(),
                          size, nullptr, nullptr);
    return result;
}

}  // namespace

LoadedLibrary loadedLibrary() {
    LoadedLibrary library;
    HMODULE module = nullptr;
    // Found by address: whatever name the DLL was loaded under, and without taking a reference.
    if (!::GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&::setDebugEnabled), &module)) {
        return library;
    }
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return library;
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    library.file = narrow(path);
    library.version = fileVersion(path);
    return library;
}

}  // namespace QuorvinCli
