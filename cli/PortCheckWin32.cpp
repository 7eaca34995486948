// What Windows shows of a port: the COM ports it has (in the registry's list of serial ports
// and among the DOS device names), the error that opening the port gives, and whether what
// opens answers as a serial port.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/PortCheck.h"

namespace QuorvinCli {

namespace {

// n of "COMn" (any case, n from 1), else 0.
unsigned comNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 6 ||
        ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), 3, "COM", 3) !=
            CSTR_EQUAL) {
        return 0;
    }
    unsigned number = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return 0;
        }
        number = number * 10 + static_cast<unsigned>(name[i] - '0');
    }
    return number;
}

// The name the system opens, as the library opens it: every COMn in the device namespace
// (from COM10 on a port exists only there), any other name as given.
std::string systemName(const std::string& port) {
    return comNumber(port) > 0 && port[3] != '0' ? "\\\\.\\" + port : port;
}

void addPort(std::vector<unsigned>& numbers, const std::string& name) {
    const unsigned number = comNumber(name);
    if (number > 0 && std::find(numbers.begin(), numbers.end(), number) == numbers.end()) {
        numbers.push_back(number);
    }
}

// Serial drivers list their ports under HARDWARE\DEVICEMAP\SERIALCOMM, one value a port whose
// data is its name.
void addRegisteredPorts(std::vector<unsigned>& numbers) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    for (DWORD index = 0;; ++index) {
        char valueName[256];
        DWORD valueNameSize = sizeof valueName;
        BYTE data[64] = {};
        DWORD dataSize = sizeof data - 1;
        DWORD type = 0;
        const LONG status =
            ::RegEnumValueA(key, index, valueName, &valueNameSize, nullptr, &type, data, &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status == ERROR_SUCCESS && type == REG_SZ) {
            addPort(numbers, reinterpret_cast<const char*>(data));
        }
    }
    ::RegCloseKey(key);
}

// Closes a handle when it goes.
struct HandleCloser {
    HANDLE handle;
    ~HandleCloser() { ::CloseHandle(handle); }
};

// COM1 to COM255 asked for one by one: among the DOS device names, and else opened for no
// access at all (no reading, writing or settings; Wine finds the ports linked in its prefix,
// which no driver registered, only so). One that refuses the open is there all the same,
// held by another process.
void addProbedPorts(std::vector<unsigned>& numbers) {
    constexpr unsigned LAST_PORT = 255;
    for (unsigned number = 1; number <= LAST_PORT; ++number) {
        const std::string name = "COM" + std::to_string(number);
        char target[MAX_PATH];
        if (::QueryDosDeviceA(name.c_str(), target, MAX_PATH) != 0 ||
            ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
            addPort(numbers, name);
            continue;
        }
        const HANDLE handle =
            ::CreateFileA(("\\\\.\\" + name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            const HandleCloser closer{handle};
            addPort(numbers, name);
        } else if (::GetLastError() == ERROR_ACCESS_DENIED ||
                   ::GetLastError() == ERROR_SHARING_VIOLATION) {
            addPort(numbers, name);
        }
    }
}

}  // namespace

std::vector<Ports::SerialPort> serialPorts() {
    std::vector<unsigned> numbers;
    addRegisteredPorts(numbers);
    addProbedPorts(numbers);
    std::sort(numbers.begin(), numbers.end());
    // A COM port has that one name here.
    std::vector<Ports::SerialPort> ports;
    for (const unsigned number : numbers) {
        ports.push_back({"COM" + std::to_string(number), ""});
    }
    return ports;
}

PortFacts inspectPort(const std::string& port) {
    PortFacts facts;
    facts.device = port;
    const std::string name = systemName(port);
    // A folder does not open as a file without asking for its directory semantics.
    const DWORD attributes = ::GetFileAttributesA(name.c_str());
    if (name == port && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        facts.cause = PortFacts::Cause::NotDevice;
        facts.what = "a folder";
        return facts;
    }
    // Opened as the library opens it: read and write, shared with no one.
    const HANDLE handle = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        switch (::GetLastError()) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
            case ERROR_BAD_NETPATH:
            case ERROR_INVALID_NAME:
                facts.cause = PortFacts::Cause::Missing;
                for (const Ports::SerialPort& present : serialPorts()) {
                    facts.present.push_back(portLabel(present));
                }
                break;
            case ERROR_SHARING_VIOLATION:
                facts.cause = PortFacts::Cause::Busy;
                break;
            case ERROR_ACCESS_DENIED:
                // A COM port that another process holds refuses the open with this error too.
                facts.cause = PortFacts::Cause::BusyOrDenied;
                break;
            default:
                break;
        }
        return facts;
    }
    const HandleCloser closer{handle};
    if (::GetFileType(handle) == FILE_TYPE_DISK) {
        facts.cause = PortFacts::Cause::NotDevice;
        facts.what = "a regular file";
        return facts;
    }
    DCB settings{};
    settings.DCBlength = sizeof settings;
    if (!::GetCommState(handle, &settings)) {
        facts.cause = PortFacts::Cause::NotSerial;
    }
    return facts;
}

}  // namespace QuorvinCli
