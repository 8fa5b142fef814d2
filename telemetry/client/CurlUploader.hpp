#pragma once

#include <memory>

#include "telemetry/client/Uploader.hpp"

namespace keepsift::analytics {

// HTTP through libcurl: one easy handle per batch, on the calling thread, TLS verified,
// the environment's proxy settings honoured.
class CurlUploader : public Uploader {
public:
    struct Timeouts {
        double connectSeconds = 10.0;
        double totalSeconds = 30.0;
    };

    CurlUploader() = default;
    explicit CurlUploader(Timeouts timeouts) : timeouts_(timeouts) {}
    UploadResult post(const std::string& url, const std::string& body,
                      std::stop_token stop) override;

    static std::shared_ptr<Uploader> shared();

private:
    Timeouts timeouts_{};
};

// Whether curl reads the text as an absolute URL (no spaces, a scheme and a host).
bool parsesAsURL(const std::string& text);

} // namespace keepsift::analytics
