#pragma once

// How many handles this process holds, from the system's handle table. A port or an event that
// a call forgets to close shows up as one more. (GetProcessHandleCount would be the obvious
// call, but Wine answers it with 0 whatever is open.)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstddef>
#include <stdexcept>
#include <vector>

// Declared here rather than through winternl.h, whose enumeration of information classes stops
// short of the one used below. The class travels as a 32-bit value either way.
extern "C" __declspec(dllimport) LONG NTAPI
    NtQuerySystemInformation(ULONG informationClass, PVOID information, ULONG length,
                             PULONG returnedLength);

namespace WindowsTest {

namespace Detail {

// SystemExtendedHandleInformation's layout; winternl.h leaves it out.
struct HandleEntry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};

struct HandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

constexpr ULONG SYSTEM_EXTENDED_HANDLE_INFORMATION = 64;
constexpr LONG STATUS_INFO_LENGTH_MISMATCH = static_cast<LONG>(0xC0000004UL);

}  // namespace Detail

// Compare counts only once the calls under test have run in the process: the system and the C++
// runtime open a few handles of their own on first use (a device name's first open, the first
// exception thrown) and keep them.
inline std::size_t openHandles() {
    std::vector<unsigned char> table(1 << 16);
    for (;;) {
        ULONG needed = 0;
        const LONG status =
            ::NtQuerySystemInformation(Detail::SYSTEM_EXTENDED_HANDLE_INFORMATION, table.data(),
                                       static_cast<ULONG>(table.size()), &needed);
        if (status == Detail::STATUS_INFO_LENGTH_MISMATCH) {
            table.resize(table.size() * 2);
            continue;
        }
        if (status != 0) {
            throw std::runtime_error("NtQuerySystemInformation failed");
        }
        break;
    }
    const auto* handles = reinterpret_cast<const Detail::HandleTable*>(table.data());
    const ULONG_PTR self = ::GetCurrentProcessId();
    std::size_t mine = 0;
    for (ULONG_PTR i = 0; i < handles->count; ++i) {
        if (handles->entries[i].processId == self) {
            ++mine;
        }
    }
    return mine;
}

}  // namespace WindowsTest
