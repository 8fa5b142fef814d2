#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Keepsift/model/ImageSource.hpp"

namespace keepsift::app {

// The windows' requests to the image source, a few at a time, newest first. A request whose
// view has gone or moved to another photograph (its token expired) is dropped before it costs
// anything, so rows scrolled past never queue work in front of the rows on screen. Main actor.
class ThumbnailRequests : public std::enable_shared_from_this<ThumbnailRequests> {
public:
    using Token = std::weak_ptr<const void>;

    static std::shared_ptr<ThumbnailRequests> make(std::shared_ptr<ImageSource> source,
                                                   int maximumInFlight = 6);

    void thumbnail(const std::string& identifier, PixelSize size, Token token, ImageHandler done);
    void image(const std::string& identifier, PixelSize size, Token token, ImageHandler done);

    std::size_t pending() const { return pending_.size(); }
    int inFlight() const { return inFlight_; }

private:
    ThumbnailRequests(std::shared_ptr<ImageSource> source, int maximumInFlight);
    struct Job {
        bool full = false;
        std::string identifier;
        PixelSize size;
        Token token;
        ImageHandler done;
    };
    void enqueue(Job job);
    void dispatch();

    std::shared_ptr<ImageSource> source_;
    int maximumInFlight_;
    int inFlight_ = 0;
    std::vector<Job> pending_;
};

} // namespace keepsift::app
