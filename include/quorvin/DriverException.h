#pragma once

/// @file
/// CameraDriver::DriverException, the one exception type that leaves the library.

#include <exception>
#include <string>

#include "quorvin/Export.h"

namespace CameraDriver {

/// The one exception type that leaves the library: every failure of an operation of
/// CameraDriver::Controller, with a text that says what failed (the texts are listed in
/// quorvin/Controller.h). Catch it by reference. It is defined wholly in this header so that a
/// caller catches it by type without binding any library entry for it.
class QUORVIN_TYPE_VISIBLE DriverException : public std::exception {
  public:
    /// An exception whose what() is @p text.
    explicit DriverException(std::string text) : message(std::move(text)) {}
    /// A copy with the same text.
    DriverException(const DriverException&) = default;
    /// Takes the other's text.
    DriverException& operator=(const DriverException&) = default;
    /// Releases the text.
    ~DriverException() override = default;

    /// The text of the failure; valid while the exception lives.

    const char* what() const noexcept override { return message.c_str(); }

  private:
    std::string message;
};

}  // namespace CameraDriver
