#include <benchmark/benchmark.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <thread>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "Keepsift/images/LibraryImageSource.hpp"
#include "Keepsift/images/tests/TemporaryLibrary.hpp"

namespace keepsift::app {
namespace {

// A 12-megapixel photograph with texture, so it compresses like a camera's (a few MB).
void writeCameraJpeg(const testing::TemporaryLibrary& folder, const std::string& name) {
    cv::Mat pixels(3000, 4000, CV_8UC3);
    cv::randu(pixels, cv::Scalar::all(0), cv::Scalar::all(255));
    cv::GaussianBlur(pixels, pixels, cv::Size(0, 0), 3.0);
    std::vector<unsigned char> bytes;
    cv::imencode(".jpg", pixels, bytes, {cv::IMWRITE_JPEG_QUALITY, 92});
    std::ofstream(folder.root / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

struct Fixture {
    Fixture() {
        writeCameraJpeg(folder, "camera.jpg");
        source = std::make_unique<LibraryImageSource>(
            folder.library, [](std::function<void()> work) { work(); },
            LibraryImageSource::Options{1, 64u << 20});
    }
    testing::TemporaryLibrary folder;
    std::unique_ptr<LibraryImageSource> source;
};

Fixture& fixture() {
    static Fixture shared;
    return shared;
}

// One request decoded on the calling thread: the work one pool thread does.
void BM_ResidentJpegAtCellSize(benchmark::State& state) {
    auto& f = fixture();
    const int side = static_cast<int>(state.range(0));
    for (auto _ : state) {
        auto image = f.source->load("camera.jpg", side);
        if (!image) state.SkipWithError("no picture");
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_ResidentJpegAtCellSize)
    ->MeasureProcessCPUTime()
    ->Arg(256)
    ->Arg(512)
    ->Arg(768)
    ->Unit(benchmark::kMillisecond);

// The same size asked again: answered from memory.
void BM_CachedThumbnail(benchmark::State& state) {
    auto& f = fixture();
    const int side = static_cast<int>(state.range(0));
    std::atomic<bool> answered = false;
    f.source->thumbnail("camera.jpg", {side, side}, [&](auto) { answered = true; });
    while (!answered)
        std::this_thread::yield();
    for (auto _ : state) {
        std::shared_ptr<const Image> got;
        f.source->thumbnail("camera.jpg", {side, side}, [&](auto image) { got = image; });
        if (!got) state.SkipWithError("not from memory");
        benchmark::DoNotOptimize(got);
    }
}
BENCHMARK(BM_CachedThumbnail)->MeasureProcessCPUTime()->Arg(512)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace keepsift::app
