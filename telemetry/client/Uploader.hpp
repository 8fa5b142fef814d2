#pragma once

#include <optional>
#include <stop_token>
#include <string>

namespace keepsift::analytics {

// The outcome of one upload: a transport error, or the status and body the service gave.
struct UploadResult {
    std::optional<std::string> error;
    std::optional<long> status; // absent: no HTTP response at all
    std::string body;
};

// Posts one JSON batch and blocks until the answer, a failure or the stop request.
class Uploader {
public:
    virtual ~Uploader() = default;
    virtual UploadResult post(const std::string& url, const std::string& body,
                              std::stop_token stop) = 0;
};

} // namespace keepsift::analytics
