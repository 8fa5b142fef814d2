// Photographs per second that `keepsift-corpus record` measures, by number of worker threads.
// The photographs are 12-megapixel JPEGs of smooth shapes and light noise, made here.

#include <benchmark/benchmark.h>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "photos/corpus-tool/ParallelMeasure.hpp"
#include "photos/extractor/LiveSignalExtractor.hpp"

namespace keepsift {
namespace {

constexpr int photographCount = 32, width = 4032, height = 3024;

cv::Mat photograph(cv::RNG& random) {
    cv::Mat image(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y)
        image.row(y).setTo(cv::Scalar(y * 255.0 / height, 120, 255 - y * 255.0 / height));
    for (int i = 0; i < 12; ++i)
        cv::circle(image, {random.uniform(0, width), random.uniform(0, height)},
                   random.uniform(width / 40, width / 8),
                   cv::Scalar(random.uniform(0, 255), random.uniform(0, 255), 90), -1, cv::LINE_AA);
    cv::Mat noise(image.size(), image.type());
    random.fill(noise, cv::RNG::NORMAL, 0, 6);
    return image + noise;
}

const std::vector<std::filesystem::path>& files() {
    static const std::vector<std::filesystem::path> made = [] {
        const auto folder = std::filesystem::temp_directory_path() / "keepsift-corpus-bench";
        std::filesystem::create_directories(folder);
        std::vector<std::filesystem::path> list;
        cv::RNG random(11);
        for (int i = 0; i < photographCount; ++i) {
            list.push_back(folder / ("IMG_" + std::to_string(i) + ".jpg"));
            cv::imwrite(list.back().string(), photograph(random), {cv::IMWRITE_JPEG_QUALITY, 90});
        }
        return list;
    }();
    return made;
}

void recordPhotographs(benchmark::State& state) {
    LiveSignalExtractor extractor(LiveSignalExtractor::makeContext(), nullptr);
    const auto& photographs = files();
    for (auto _ : state) {
        auto outcomes = corpustool::measureAll(
            photographs, extractor, static_cast<unsigned>(state.range(0)), [](size_t) {});
        benchmark::DoNotOptimize(outcomes);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(photographs.size()));
}
BENCHMARK(recordPhotographs)
    ->MeasureProcessCPUTime()
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace keepsift
