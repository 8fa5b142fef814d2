#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "Keepsift/model/ImageSource.hpp"

namespace keepsift::app {

// Decoded pictures by (identifier, requested size), least recently used first out once the
// pixels held pass the byte budget. Safe from any thread.
class ImageCache {
public:
    explicit ImageCache(std::size_t capacityBytes) : capacity_(capacityBytes) {}

    std::shared_ptr<const Image> find(const std::string& identifier, PixelSize size);
    // A picture larger than the whole budget is not kept.
    void insert(const std::string& identifier, PixelSize size, std::shared_ptr<const Image> image);

    std::size_t bytes() const;
    std::size_t count() const;
    static std::size_t costOf(const Image& image);

private:
    using Entry = std::pair<std::string, std::shared_ptr<const Image>>;
    static std::string keyOf(const std::string& identifier, PixelSize size);
    void evictBeyondBudget();

    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::list<Entry> order_; // most recently used first
    std::unordered_map<std::string, std::list<Entry>::iterator> entries_;
    std::size_t bytes_ = 0;
};

} // namespace keepsift::app
