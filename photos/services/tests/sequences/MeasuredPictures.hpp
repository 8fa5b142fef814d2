#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "core/model/PhotoSignals.hpp"
#include "photos/services/tests/sequences/ReviewModel.hpp"

namespace keepsift::sequences {

// Which picture of the pool each measurement Keepsift made is of, learnt from the file it was
// first found on: what the user reviewed is the picture measured, whatever digest Keepsift
// later took for it. A measurement taken over for other bytes without measuring them keeps
// the picture it was made of.
class MeasuredPictures {
public:
    // A measurement seen on a file that holds the content now.
    void seen(const PhotoSignals& signals, Content content) {
        if (!pictureOf(signals)) known_.emplace_back(keyOf(signals), content);
    }
    std::optional<Content> pictureOf(const PhotoSignals& signals) const {
        const auto key = keyOf(signals);
        for (const auto& [known, content] : known_)
            if (known == key) return content;
        return std::nullopt;
    }

private:
    // What the picture's bytes alone decide: not its name, its file or its flags.
    using Key = std::pair<std::int64_t, std::vector<float>>;
    static Key keyOf(const PhotoSignals& signals) {
        return {signals.pixelWidth, signals.featurePrint()};
    }

    std::vector<std::pair<Key, Content>> known_;
};

} // namespace keepsift::sequences
