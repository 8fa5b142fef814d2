#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/scripted/ForwardingLibrary.hpp"

namespace keepsift {

// Another library as it is, with the photographs whose bytes were read, and the listings,
// counted; a hook runs before each read.
class CountingLibrary : public ForwardingLibrary {
public:
    using ForwardingLibrary::ForwardingLibrary;

    std::vector<LibraryAsset> fetchAssets() override;
    std::optional<std::string> contentDigest(const std::string& id) override;
    std::optional<DigestRead> readDigest(const std::string& id) override;

    std::function<void()> beforeReading;
    std::atomic<int> reads = 0;
    std::atomic<int> listings = 0;

private:
    void noteRead();
};

} // namespace keepsift
