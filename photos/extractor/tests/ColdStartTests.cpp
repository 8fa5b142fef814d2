// A process that has measured nothing yet starts measuring on several threads at once, as the
// corpus tool and the application do. OpenCV builds some tables on first use; the sanitizer build
// checks at exit that none of that raced or leaked.

#include <atomic>
#include <cstdlib>
#include <latch>
#include <thread>

#include <gtest/gtest.h>

#include "photos/extractor/LiveSignalExtractor.hpp"
#include "photos/extractor/tests/ExtractorFixtures.hpp"
#include "platform/analysis/tests/SampleImages.hpp"
#include "platform/imaging/tests/ExifWriting.hpp"

namespace keepsift {
namespace {

constexpr int photographCount = 8;

// Drawn by hand: nothing from OpenCV's image processing may run before the measurements.
std::vector<std::uint8_t> photograph(int seed) {
    cv::Mat picture(240, 320, CV_8UC3);
    for (int y = 0; y < picture.rows; ++y)
        for (int x = 0; x < picture.cols; ++x)
            picture.at<cv::Vec3b>(y, x) = cv::Vec3b(static_cast<std::uint8_t>(x * seed),
                                                    static_cast<std::uint8_t>(y * 3 + seed),
                                                    static_cast<std::uint8_t>((x ^ y) + seed));
    return testing::withExif(
        testing::encodedJpeg(picture),
        {{"Exif.Photo.DateTimeOriginal", "2022:03:01 10:00:00"}, {"Exif.Image.Make", "Canon"}});
}

// How many of the files did not measure, all measured at the same moment.
int failuresMeasuringAtOnce(const std::vector<std::string>& files) {
    LiveSignalExtractor extractor(LiveSignalExtractor::makeContext(), nullptr);
    std::latch start(static_cast<std::ptrdiff_t>(files.size()));
    std::atomic<int> failures = 0;
    {
        std::vector<std::jthread> threads;
        for (const auto& file : files)
            threads.emplace_back([&, file] {
                start.arrive_and_wait();
                if (!extractor.signals(testing::fileReference(file, "photograph.jpg"))) ++failures;
            });
    }
    return failures;
}

int failuresFromColdStart(const std::optional<std::filesystem::path>& withFaces) {
    testing::ScratchFolder folder;
    std::vector<std::string> files;
    for (int seed = 1; seed <= photographCount; ++seed)
        files.push_back(folder.write(std::to_string(seed) + ".jpg", photograph(seed)));
    if (withFaces) files.push_back(withFaces->string());
    return failuresMeasuringAtOnce(files);
}

TEST(ColdStartDeathTest, SeveralThreadsMeasureTheFirstPhotographsAtOnce) {
    // Fetched here, so that the fresh process below finds it on disk.
    const auto withFaces = samples::astronaut();
    // A fresh process: this binary's other tests have long since built every table.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(failuresFromColdStart(withFaces)), ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace keepsift
