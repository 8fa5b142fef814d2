#include "Keepsift/views/ThumbnailRequests.hpp"

namespace keepsift::app {

std::shared_ptr<ThumbnailRequests> ThumbnailRequests::make(std::shared_ptr<ImageSource> source,
                                                           int maximumInFlight) {
    return std::shared_ptr<ThumbnailRequests>(
        new ThumbnailRequests(std::move(source), maximumInFlight));
}

ThumbnailRequests::ThumbnailRequests(std::shared_ptr<ImageSource> source, int maximumInFlight)
    : source_(std::move(source)), maximumInFlight_(std::max(1, maximumInFlight)) {}

void ThumbnailRequests::thumbnail(const std::string& identifier, PixelSize size, Token token,
                                  ImageHandler done) {
    enqueue({false, identifier, size, std::move(token), std::move(done)});
}

void ThumbnailRequests::image(const std::string& identifier, PixelSize size, Token token,
                              ImageHandler done) {
    enqueue({true, identifier, size, std::move(token), std::move(done)});
}

void ThumbnailRequests::enqueue(Job job) {
    if (!source_) return job.done(nullptr);
    pending_.push_back(std::move(job));
    dispatch();
}

void ThumbnailRequests::dispatch() {
    while (inFlight_ < maximumInFlight_ && !pending_.empty()) {
        Job job = std::move(pending_.back());
        pending_.pop_back();
        if (job.token.expired()) continue;
        ++inFlight_;
        auto answered = [weak = weak_from_this(),
                         done = std::move(job.done)](std::shared_ptr<const Image> image) {
            auto self = weak.lock();
            if (self) --self->inFlight_;
            done(std::move(image));
            if (self) self->dispatch();
        };
        if (job.full)
            source_->image(job.identifier, job.size, std::move(answered));
        else
            source_->thumbnail(job.identifier, job.size, std::move(answered));
    }
}

} // namespace keepsift::app
