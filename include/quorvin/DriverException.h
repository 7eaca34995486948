#pragma once

#include <exception>
#include <string>

#include "quorvin/Export.h"

namespace CameraDriver {

// The one exception type that leaves the library. It is defined wholly in this header so that
// a caller catches it by type without binding any library entry for it.
class QUORVIN_TYPE_VISIBLE DriverException : public std::exception {
  public:
    explicit DriverException(std::string text) : message(std::move(text)) {}
    DriverException(const DriverException&) = default;
    DriverException& operator=(const DriverException&) = default;
    ~DriverException() override = default;

    const char* what() const noexcept override { return message.c_str(); }

  private:
    std::string message;
};

}  // namespace CameraDriver
