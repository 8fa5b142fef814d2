#pragma once

#include <stdexcept>

#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

// A failure the photo-library service reported, passed on in its own terms.
class ServiceError : public std::runtime_error {
public:
    explicit ServiceError(PortError error)
        : std::runtime_error(error.domain + " " + std::to_string(error.code) + ": " +
                             error.message),
          error_(std::move(error)) {}

    const PortError& error() const { return error_; }

private:
    PortError error_;
};

} // namespace keepsift
