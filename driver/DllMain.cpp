// Entry point of quorvin.dll. The C runtime's start-up code builds the library's static objects
// (the diagnostic log's state) before it calls this at process attach, and destroys them after
// the call at process detach, so loading needs nothing more here.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        // The library keeps no per-thread state, so threads starting and ending in the caller
        // need not wake it. Should the loader refuse (it does for a DLL with static thread-local
        // storage), the notifications just keep coming and changing nothing: loading succeeds.
        static_cast<void>(::DisableThreadLibraryCalls(instance));
    }
    return TRUE;
}
