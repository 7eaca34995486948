// quorvin.dll loaded and unloaded at run time, as the loader does for its callers at start and
// exit: the log's state exists from load on (the switches work before any Controller exists)
// and unloading tears it down, closing an open log file.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

using SetLogFile = void (*)(const std::string&);
using SetSwitch = void (*)(bool);

// The exported names of the two switches (the same in the 32- and the 64-bit DLL).
const char* const SET_LOG_FILE =
    "_Z10setLogFileRKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE";
const char* const SET_LOG_ENABLED = "_Z13setLogEnabledb";

template <typename Function>
Function entry(HMODULE library, const char* name) {
    // Through the generic function pointer type, which any function pointer converts to.
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

TEST(QuorvinLibraryLoad, UnloadingClosesTheOpenLogFile) {
    ASSERT_EQ(::GetModuleHandleA("quorvin.dll"), nullptr) << "this program must not link it";
    const HMODULE library = ::LoadLibraryA("quorvin.dll");
    ASSERT_NE(library, nullptr);
    const auto setLogFile = entry<SetLogFile>(library, SET_LOG_FILE);
    const auto setLogEnabled = entry<SetSwitch>(library, SET_LOG_ENABLED);
    ASSERT_NE(setLogFile, nullptr);
    ASSERT_NE(setLogEnabled, nullptr);

    const std::string file = "quorvin-unload-test.log";
    ::DeleteFileA(file.c_str());
    setLogFile(file);
    // The file stream holds the file open, without delete sharing: it cannot go while loaded.
    EXPECT_FALSE(::DeleteFileA(file.c_str()));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    ASSERT_TRUE(::FreeLibrary(library));
    EXPECT_EQ(::GetModuleHandleA("quorvin.dll"), nullptr);
    EXPECT_TRUE(::DeleteFileA(file.c_str())) << "the log file is still open after unloading";

    // Loaded afresh, the state starts over: switching the log on opens the default file.
    const HMODULE again = ::LoadLibraryA("quorvin.dll");
    ASSERT_NE(again, nullptr);
    ::DeleteFileA("CameraDriver.log");
    entry<SetSwitch>(again, SET_LOG_ENABLED)(true);
    EXPECT_NE(::GetFileAttributesA("CameraDriver.log"), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(::FreeLibrary(again));
    EXPECT_TRUE(::DeleteFileA("CameraDriver.log"));
}

}  // namespace
