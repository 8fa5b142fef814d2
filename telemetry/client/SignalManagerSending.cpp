#include <cmath>

#include "core/support/Unicode.hpp"
#include "telemetry/client/Endpoint.hpp"
#include "telemetry/client/SignalManager.hpp"

namespace keepsift::analytics {
namespace {

using Level = LogHandler::LogLevel;

std::optional<std::string> rejectionReason(long status) {
    switch (status) {
    case 400:
        return "Bad Request (400)";
    case 401:
        return "Unauthorized (401)";
    case 403:
        return "Forbidden (403)";
    case 404:
        return "Not Found (404)";
    case 413:
        return "Payload Too Large (413)";
    case 422:
        return "Unprocessable Entity (422)";
    case 501:
        return "Not Implemented (501)";
    case 505:
        return "HTTP Version Not Supported (505)";
    default:
        return std::nullopt;
    }
}

} // namespace

void SignalManager::sendCachedSignals() {
    sender_.push([this] { sendBatch(); });
}

void SignalManager::sendBatch() {
    log(Level::debug, "Current signal cache count: " + std::to_string(signalCache_.count()));
    // Nothing leaves the machine while analytics are off, not even what was cached before.
    if (configuration_->analyticsDisabled.get() || configuration_->swiftUIPreviewMode())
        return scheduleAfterSuccess();
    std::vector<SignalPostBody> batch = signalCache_.pop();
    if (batch.empty()) return scheduleAfterSuccess();
    log(Level::info, "Sending " + std::to_string(batch.size()) + " signals leaving a cache of " +
                         std::to_string(signalCache_.count()) + " signals");
    const std::string body = encodeUploadBatch(batch);
    const auto& ns = configuration_->ingestNamespace;
    const auto url = endpointURL(configuration_->apiBaseURL, ns);
    if (!url) {
        log(Level::error, "Unable to construct signal API URL for namespace " + ns.value_or("nil"));
        return handleSendResponse(UploadResult{"Invalid endpoint URL", std::nullopt, {}},
                                  std::move(batch));
    }
    if (logs(Level::debug)) log(Level::debug, body);
    const auto uploader = configuration_->urlSession.get();
    const UploadResult result = uploader ? uploader->post(*url, body, uploadStop_.get_token())
                                         : UploadResult{"no HTTP session", std::nullopt, {}};
    // Shutting down: the aborted upload is neither an outcome nor worth a log line.
    if (uploadStop_.stop_requested()) return signalCache_.push(std::move(batch));
    handleSendResponse(result, std::move(batch));
}

void SignalManager::handleSendResponse(const UploadResult& result,
                                       std::vector<SignalPostBody> batch) {
    if (result.error) {
        log(Level::error, *result.error);
        return requeueAfterFailure(std::move(batch));
    }
    const long status = result.status.value_or(0);
    if (status >= 200 && status <= 299) {
        if (logs(Level::debug) && unicode::isWellFormed(result.body))
            log(Level::debug, result.body);
        return scheduleAfterSuccess();
    }
    if (const auto reason = rejectionReason(status)) {
        log(Level::error, "Dropping " + std::to_string(batch.size()) +
                              " signal(s): rejected by server " + *reason);
        return scheduleAfterSuccess();
    }
    log(Level::debug,
        "Failed to send events (status " + std::to_string(status) + "), will try again later");
    requeueAfterFailure(std::move(batch));
}

void SignalManager::scheduleAfterSuccess() {
    ++sendCompletions_;
    consecutiveFailures_ = 0;
    armTimer();
}

void SignalManager::requeueAfterFailure(std::vector<SignalPostBody> batch) {
    signalCache_.push(std::move(batch));
    ++sendCompletions_;
    ++consecutiveFailures_;
    armTimer();
}

void SignalManager::armTimer() {
    if (timer_ && timerScheduler_) timerScheduler_->cancel(*timer_);
    timerScheduler_ = configuration_->scheduler.get();
    if (!timerScheduler_) return;
    const double interval =
        std::min(configuration_->maxBackoffInterval.get(),
                 configuration_->transmitInterval.get() *
                     std::pow(2.0, static_cast<double>(consecutiveFailures_.load())));
    timer_ = timerScheduler_->after(interval, [weak = weak_from_this()] {
        if (auto manager = weak.lock()) manager->sendCachedSignals();
    });
}

} // namespace keepsift::analytics
