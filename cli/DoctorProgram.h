#pragma once

// `quorvin scan` and `quorvin doctor` are carried out by quorvin-doctor, a program installed
// beside this one: they are built on the camera library's engine, which this tool, a caller of
// the shared library, does not link (see doctor/CMakeLists.txt). How a program is started in
// another's place is the platform's: DoctorProgram*.cpp.

#include <string>

namespace QuorvinCli {

// The name of the program beside this one.
extern const char* const DOCTOR_PROGRAM;

// Runs quorvin-doctor with this program's arguments from argv[1] on, in this program's place:
// its output is this program's and its exit status the one to exit with. Returns that status,
// or -1 with `why` saying what went wrong when it could not be started (on POSIX it does not
// return otherwise: the process becomes quorvin-doctor).
int runDoctorProgram(int argc, char** argv, std::string& why);

}  // namespace QuorvinCli
