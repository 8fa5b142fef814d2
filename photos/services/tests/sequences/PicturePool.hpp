#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <opencv2/core.hpp>

#include "platform/imaging/Sha256.hpp"

namespace keepsift::sequences {

// The pictures a sequence writes, all of one size, so that a rewrite in place keeps the size
// as the tools that put the times back do: three frames of a burst, a picture with its
// smaller copy, one alone, and fresh ones that rewrites bring in (two more frames of the
// burst, two pictures alone).
class PicturePool {
public:
    static constexpr int initial = 6;
    static constexpr int fresh = 4;

    // `encode` gives a picture's bytes with its date; padding past its end evens the sizes.
    PicturePool(const std::vector<cv::Mat>& images, const std::vector<std::string>& dates,
                const std::function<std::vector<std::uint8_t>(const cv::Mat&, const std::string&)>&
                    encode) {
        std::size_t largest = 0;
        for (std::size_t i = 0; i < images.size(); ++i) {
            bytes_.push_back(encode(images[i], dates[i]));
            largest = std::max(largest, bytes_.back().size());
        }
        for (std::size_t i = 0; i < bytes_.size(); ++i) {
            auto& bytes = bytes_[i];
            bytes.resize(largest + 64, static_cast<std::uint8_t>(i));
            byContent_[key(bytes)] = static_cast<int>(i);
            Sha256 digest;
            digest.add(bytes);
            byDigest_[digest.finish().value_or("")] = static_cast<int>(i);
        }
    }

    // The frames of the burst, of the first pictures and of the fresh ones.
    static bool burstFrame(int content) { return content <= 2 || content == 6 || content == 7; }

    const std::vector<std::uint8_t>& bytes(int content) const { return bytes_.at(content); }
    int size() const { return static_cast<int>(bytes_.size()); }
    // The picture these bytes are, or -1 for bytes the pool never wrote.
    int contentOf(const std::vector<char>& bytes) const {
        const auto found = byContent_.find(key(bytes));
        return found == byContent_.end() ? -1 : found->second;
    }

    // The picture Keepsift read, by the content digest it keeps; -1 for none of the pool's.
    int contentOfDigest(const std::optional<std::string>& digest) const {
        const auto found = digest ? byDigest_.find(*digest) : byDigest_.end();
        return found == byDigest_.end() ? -1 : found->second;
    }

private:
    template <class Bytes> static std::string key(const Bytes& bytes) {
        return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    }

    std::vector<std::vector<std::uint8_t>> bytes_;
    std::map<std::string, int, std::less<>> byContent_;
    std::map<std::string, int> byDigest_;
};

} // namespace keepsift::sequences
