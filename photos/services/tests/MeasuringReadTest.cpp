#include <filesystem>
#include <opencv2/core.hpp>

#include "photos/services/tests/EngineOverFolder.hpp"
#include "platform/imaging/Sha256.hpp"
#include "platform/imaging/tests/ReadCounting.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;

constexpr int photoCount = 12;

// Noise, as large as a camera's file: what else the process reads is small beside it.
cv::Mat noise(int seed) {
    cv::Mat image(1200, 1600, CV_8UC3);
    cv::RNG(static_cast<std::uint64_t>(seed) + 1).fill(image, cv::RNG::UNIFORM, 0, 256);
    return image;
}

std::string digestOf(const fs::path& file) {
    const auto bytes = testing::bytesOf(file);
    Sha256 digest;
    digest.add({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    return *digest.finish();
}

// A first scan reads each photograph once: the digest that lets the review follow the file is
// taken from the bytes measured, on every drive, however slow or unprovable.
class MeasuringRead : public testing::EngineOverFolder {};

TEST_F(MeasuringRead, AFirstScanReadsEachPhotographOnceAndDigestsTheBytesItMeasured) {
    std::int64_t libraryBytes = 0;
    for (int n = 0; n < photoCount; ++n)
        libraryBytes += static_cast<std::int64_t>(fs::file_size(
            writeJpeg("Day" + std::to_string(n % 2) + "/photo-" + std::to_string(n) + ".jpg",
                      noise(n), "2024:03:" + std::to_string(10 + n) + " 08:00:00")));
    startServices();
    startEngine();
    ASSERT_EQ(engine->reconcileWithLibrary().added.size(), static_cast<size_t>(photoCount));
    const auto before = testing::bytesReadSoFar();
    ASSERT_EQ(analyseAll(), photoCount);
    const auto read = testing::bytesReadSoFar() - before;
    EXPECT_LT(static_cast<double>(read), 1.1 * static_cast<double>(libraryBytes))
        << read << " bytes read for " << libraryBytes << " bytes of photographs";
    for (const auto& [id, entry] : engine->index().entries) {
        ASSERT_TRUE(entry.signals) << id;
        EXPECT_EQ(entry.contentDigest, digestOf(pictures / id)) << id;
    }
}

} // namespace
} // namespace keepsift
