#pragma once

// QUORVIN_API marks the entries that the shared library exports; everything else is hidden.
#if defined(_WIN32)
#if defined(QUORVIN_BUILDING)
#define QUORVIN_API __declspec(dllexport)
#elif defined(QUORVIN_STATIC)
#define QUORVIN_API
#else
#define QUORVIN_API __declspec(dllimport)
#endif
#else
#define QUORVIN_API __attribute__((visibility("default")))
#endif

// The exception class is inline in its header. On ELF its type information must still be
// visible across the library boundary so that a caller's catch matches the library's throw;
// the Windows C++ runtime matches exception types by name, so nothing is exported there.
#if defined(_WIN32)
#define QUORVIN_TYPE_VISIBLE
#else
#define QUORVIN_TYPE_VISIBLE __attribute__((visibility("default")))
#endif
