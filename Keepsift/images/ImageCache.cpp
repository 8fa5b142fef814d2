#include "Keepsift/images/ImageCache.hpp"

namespace keepsift::app {

std::size_t ImageCache::costOf(const Image& image) {
    return image.rgba.size() + sizeof(Image);
}

std::string ImageCache::keyOf(const std::string& identifier, PixelSize size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height) + "/" + identifier;
}

std::shared_ptr<const Image> ImageCache::find(const std::string& identifier, PixelSize size) {
    std::lock_guard lock(mutex_);
    auto found = entries_.find(keyOf(identifier, size));
    if (found == entries_.end()) return nullptr;
    order_.splice(order_.begin(), order_, found->second);
    return found->second->second;
}

void ImageCache::insert(const std::string& identifier, PixelSize size,
                        std::shared_ptr<const Image> image) {
    if (!image || costOf(*image) > capacity_) return;
    std::string key = keyOf(identifier, size);
    std::lock_guard lock(mutex_);
    if (auto found = entries_.find(key); found != entries_.end()) {
        bytes_ -= costOf(*found->second->second);
        order_.erase(found->second);
        entries_.erase(found);
    }
    bytes_ += costOf(*image);
    order_.emplace_front(key, std::move(image));
    entries_[std::move(key)] = order_.begin();
    evictBeyondBudget();
}

void ImageCache::evictBeyondBudget() {
    while (bytes_ > capacity_ && !order_.empty()) {
        bytes_ -= costOf(*order_.back().second);
        entries_.erase(order_.back().first);
        order_.pop_back();
    }
}

std::size_t ImageCache::bytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

std::size_t ImageCache::count() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

} // namespace keepsift::app
