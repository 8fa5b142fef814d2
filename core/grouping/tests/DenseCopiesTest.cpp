#include <algorithm>
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "PhotoFactory.hpp"
#include "ReferenceGrouping.hpp"
#include "core/grouping/GroupBuilder.hpp"
#include "core/grouping/Provenance.hpp"

namespace keepsift {
namespace {

// A dense library in capture order: long bursts of a few recurring scenes, many of them
// within one window, shots and copies at distances around the copy limit, shared capture
// times, gaps of exactly the window, and photographs of every size and metadata mix.
class DenseLibrary {
public:
    DenseLibrary(std::uint32_t seed, size_t printLength) : random_(seed) {
        for (int s = 0; s < 5; ++s) {
            std::vector<float> scene(printLength);
            for (auto& v : scene)
                v = float(uniform(-0.3, 0.3));
            scenes_.push_back(scene);
        }
    }

    std::vector<PhotoSignals> photos(size_t count) {
        std::vector<PhotoSignals> result;
        while (result.size() < count)
            burst(result, count);
        return result;
    }

private:
    double uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random_);
    }
    int pick(int high) { return std::uniform_int_distribution<int>(0, high - 1)(random_); }

    // The scene moved by a random offset of the given length.
    std::vector<float> near(const std::vector<float>& scene, double length) {
        std::vector<float> offset(scene.size());
        double square = 0;
        for (auto& v : offset) {
            v = float(uniform(-1, 1));
            square += double(v) * v;
        }
        auto print = scene;
        for (size_t k = 0; k < print.size(); ++k)
            print[k] += float(offset[k] * length / std::sqrt(square));
        return print;
    }

    void burst(std::vector<PhotoSignals>& photos, size_t count) {
        const double gaps[] = {0, 1, 3600, 86400 * 3, 86400 * 29.9, 2'592'000};
        clock_ += gaps[pick(std::size(gaps))];
        const auto& scene = scenes_[pick(int(scenes_.size()))];
        const bool camera = pick(5) != 0;
        const bool small = pick(8) == 0;
        // Bursts of identical shots run long, past any run length the scan keeps.
        const double spreads[] = {0, 0.03, 0.05, 0.07, 0.09};
        const double spread = spreads[pick(std::size(spreads))];
        const int shots = spread == 0 ? 1 + pick(45) : 1 + pick(12);
        for (int s = 0; s < shots && photos.size() < count; ++s) {
            if (pick(3) != 0) clock_ += pick(4);
            auto shot =
                sample::photo("IMG_" + std::to_string(photos.size()), clock_, near(scene, spread));
            shot.hasCameraMetadata = camera;
            if (small) shot.pixelWidth /= 2, shot.pixelHeight /= 2;
            photos.push_back(shot);
            if (pick(6) == 0 && photos.size() < count) photos.push_back(copyOf(shot));
        }
    }

    PhotoSignals copyOf(const PhotoSignals& original) {
        const double lengths[] = {0.05, 0.1, 0.115, 0.12, 0.125, 0.2};
        auto copy = sample::photo(original.filename + "_copy", clock_,
                                  near(original.featurePrint(), lengths[pick(6)]));
        copy.hasCameraMetadata = pick(2) == 0;
        if (copy.hasCameraMetadata || pick(2) == 0)
            copy.pixelWidth = original.pixelWidth / 2, copy.pixelHeight = original.pixelHeight / 2;
        return copy;
    }

    std::mt19937 random_;
    std::vector<std::vector<float>> scenes_;
    double clock_ = 800'000'000;
};

std::vector<GroupingPolicy> copyPolicies() {
    auto wideCopies = GroupingPolicy::standard;
    wideCopies.copyPixelRatio = 1;
    auto looseCopies = GroupingPolicy::standard;
    looseCopies.duplicateDistance = 0.3;
    auto shortWindow = GroupingPolicy::standard;
    shortWindow.copyWindow = 3600;
    return {GroupingPolicy::standard, wideCopies, looseCopies, shortWindow};
}

TEST(DenseCopies, CopiesMatchTheReference) {
    for (std::uint32_t seed = 1; seed <= 24; ++seed) {
        const size_t lengths[] = {40, 70, 128};
        const auto library = DenseLibrary(seed, lengths[seed % 3]).photos(500);
        for (const auto& policy : copyPolicies())
            ASSERT_EQ(Provenance::copies(library, policy), reference::copies(library, policy))
                << "seed " << seed << " " << policy.identifier();
    }
}

TEST(DenseCopies, GroupsMatchTheReference) {
    for (std::uint32_t seed = 50; seed <= 53; ++seed) {
        const auto library = DenseLibrary(seed, 70).photos(300);
        const auto& policy = GroupingPolicy::standard;
        ASSERT_EQ(GroupBuilder::build(library, policy), reference::build(library, policy))
            << "seed " << seed;
    }
}

} // namespace
} // namespace keepsift
