// Cost of measuring one 12-megapixel photograph on one core, whole and stage by stage, in
// process CPU time. The models are loaded, and each photograph measured once, before anything
// is timed.
// The photographs are made here: a scene without faces (also stored on its side, as a phone
// stores a portrait), one with a portrait-sized face and one with a small group of faces near
// the smallest counted size (scikit-image's astronaut pasted in, fetched from Debian's
// python3-skimage).

#include <algorithm>
#include <benchmark/benchmark.h>
#include <fstream>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "photos/extractor/LiveSignalExtractor.hpp"
#include "platform/analysis/tests/SampleImages.hpp"
#include "platform/imaging/AreaShrink.hpp"
#include "platform/imaging/Orientation.hpp"
#include "platform/imaging/tests/ExifWriting.hpp"

namespace keepsift {
namespace {

constexpr int width = 4000, height = 3000;

cv::Mat scene() {
    cv::Mat noise(height / 8, width / 8, CV_8UC3), image;
    cv::RNG random(7);
    random.fill(noise, cv::RNG::UNIFORM, 0, 255);
    cv::GaussianBlur(noise, noise, cv::Size(), 2.0);
    cv::resize(noise, image, cv::Size(width, height), 0, 0, cv::INTER_CUBIC);
    for (int i = 0; i < 40; ++i)
        cv::rectangle(image,
                      cv::Rect(random.uniform(0, width), random.uniform(0, height), 300, 180),
                      cv::Scalar(random.uniform(0, 255), random.uniform(0, 255), 90), 6);
    return image;
}

// Pastes the portrait's face, scaled so it covers `area` of the frame, at (x, y).
void pasteFace(cv::Mat& image, const cv::Mat& portrait, double area, cv::Point at) {
    cv::Rect face(150, 20, 280, 280); // head and shoulders of the astronaut
    double side = std::sqrt(area * width * height) * 2.8;
    cv::Mat scaled;
    cv::resize(portrait(face), scaled, cv::Size(static_cast<int>(side), static_cast<int>(side)));
    scaled.copyTo(image(cv::Rect(at, scaled.size())));
}

struct Photograph {
    std::string path;
    std::string name;
};

std::vector<Photograph>& photographs() {
    static std::vector<Photograph> made = [] {
        std::vector<Photograph> list;
        auto folder = std::filesystem::temp_directory_path() / "keepsift-analysis-bench";
        std::filesystem::create_directories(folder);
        auto write = [&](const std::string& name, const cv::Mat& image) {
            auto path = (folder / name).string();
            cv::imwrite(path, image, {cv::IMWRITE_JPEG_QUALITY, 90});
            list.push_back({path, name});
        };
        write("no-faces.jpg", scene());
        // A phone's portrait: stored on its side, turned by its orientation tag.
        auto turned = (folder / "turned-no-faces.jpg").string();
        auto bytes =
            testing::withExif(testing::encodedJpeg(scene(), 90), {{"Exif.Image.Orientation", "6"}});
        std::ofstream(turned, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        list.push_back({turned, "turned-no-faces.jpg"});
        if (auto astronaut = samples::astronaut()) {
            cv::Mat portrait = cv::imread(astronaut->string());
            cv::Mat one = scene(), group = scene();
            pasteFace(one, portrait, 0.04, {1600, 700});
            for (int i = 0; i < 4; ++i)
                pasteFace(group, portrait, 0.006, {300 + i * 900, 1200});
            write("one-face.jpg", one);
            write("small-faces.jpg", group);
        }
        return list;
    }();
    return made;
}

LiveSignalExtractor& extractor() {
    static LiveSignalExtractor instance = [] {
        cv::setNumThreads(1);
        return LiveSignalExtractor(LiveSignalExtractor::makeContext(), nullptr);
    }();
    return instance;
}

AssetReference reference(const Photograph& photograph) {
    return {photograph.name, photograph.name, photograph.path, false, false, false};
}

// The thumbnails as the full measurement makes them. Expressions reuse the faces and
// landmarks the face analysis found in the same image, so their stage is measured with both
// remembered, as it runs in a full measurement.
struct Thumbnails {
    cv::Mat print, face, grey;
    std::vector<FaceDetection> faces;
};

Thumbnails thumbnails(const Photograph& photograph) {
    auto source = ImageSource::fromFile(photograph.path);
    auto decoded = source->decode(1461);
    Thumbnails made{fitWithin(*decoded, 2048), fitWithin(*decoded, 4096), {}, {}};
    cv::cvtColor(made.face, made.grey, cv::COLOR_BGR2GRAY);
    made.faces = extractor().context().faceDetector().detect(made.grey);
    return made;
}

void forEachPhotograph(benchmark::internal::Benchmark* bench) {
    for (size_t i = 0; i < photographs().size(); ++i)
        bench->Arg(static_cast<int64_t>(i));
}

// The landmarks stage has nothing to do without a face.
void forEachPhotographWithFaces(benchmark::internal::Benchmark* bench) {
    for (size_t i = 0; i < photographs().size(); ++i)
        if (photographs()[i].name.find("no-faces") == std::string::npos)
            bench->Arg(static_cast<int64_t>(i));
}

// Loads the models and measures each photograph once, untimed: the first repetition then
// times the same work as the others.
void warmUp() {
    static const bool warmed = [] {
        for (const auto& photograph : photographs()) {
            extractor().context().forgetRemembered();
            benchmark::DoNotOptimize(extractor().signals(reference(photograph)));
        }
        return true;
    }();
    benchmark::DoNotOptimize(warmed);
}

template <typename Stage>
void runStage(benchmark::State& state, Stage stage, bool needsFaces = false) {
    warmUp();
    const auto& photograph = photographs()[static_cast<size_t>(state.range(0))];
    state.SetLabel(photograph.name);
    auto made = thumbnails(photograph);
    if (needsFaces && made.faces.empty()) {
        state.SkipWithError("no face found");
        return;
    }
    for (auto _ : state)
        stage(photograph, made);
}

void FullMeasurement(benchmark::State& state) {
    warmUp();
    const auto& photograph = photographs()[static_cast<size_t>(state.range(0))];
    state.SetLabel(photograph.name);
    for (auto _ : state) {
        extractor().context().forgetRemembered();
        auto signals = extractor().signals(reference(photograph));
        benchmark::DoNotOptimize(signals);
        if (!signals) state.SkipWithError("no signals");
    }
}

void Decode(benchmark::State& state) {
    runStage(state, [](const Photograph& photograph, const Thumbnails&) {
        auto source = ImageSource::fromFile(photograph.path);
        auto decoded = source->decode(1461);
        benchmark::DoNotOptimize(decoded);
    });
}

void Print(benchmark::State& state) {
    runStage(state, [](const Photograph&, const Thumbnails& made) {
        // As a full measurement prints: with the grey the faces were found in, when it is the
        // print's.
        const bool shared = made.grey.size() == made.print.size();
        benchmark::DoNotOptimize(
            extractor().context().printer().print(made.print, shared ? made.grey : cv::Mat()));
    });
}

void Faces(benchmark::State& state) {
    runStage(state, [](const Photograph&, const Thumbnails& made) {
        extractor().context().forgetRemembered();
        cv::Mat grey;
        cv::cvtColor(made.face, grey, cv::COLOR_BGR2GRAY);
        benchmark::DoNotOptimize(extractor().context().faceDetector().detect(grey));
    });
}

void Landmarks(benchmark::State& state) {
    runStage(
        state,
        [](const Photograph&, const Thumbnails& made) {
            const auto landmarks = extractor().context().landmarks();
            extractor().context().forgetRemembered();
            for (const auto& face : made.faces)
                benchmark::DoNotOptimize(landmarks->landmarks(made.grey, face.box));
        },
        true);
}

void Expressions(benchmark::State& state) {
    runStage(state, [](const Photograph&, const Thumbnails& made) {
        benchmark::DoNotOptimize(extractor().expressions(made.face, 1));
    });
}

void Aesthetics(benchmark::State& state) {
    runStage(state, [](const Photograph&, const Thumbnails& made) {
        benchmark::DoNotOptimize(extractor().context().aesthetics()->score(made.print));
    });
}

void Sharpness(benchmark::State& state) {
    runStage(state, [](const Photograph&, const Thumbnails& made) {
        benchmark::DoNotOptimize(extractor().sharpness(made.print));
    });
}

// The area shrinks a full measurement makes of the print picture (print, sharpness,
// aesthetics, detail level), by OpenCV and by shrinkByArea with four and eight rows at a time.
void AreaShrinks(benchmark::State& state) {
    const auto& photograph = photographs().front();
    state.SetLabel(photograph.name);
    const cv::Mat colour = thumbnails(photograph).print;
    cv::Mat grey, out;
    cv::cvtColor(colour, grey, cv::COLOR_BGR2GRAY);
    const double detail = 640.0 / std::max(colour.cols, colour.rows);
    const auto way = state.range(0);
    auto shrink = [&](const cv::Mat& source, cv::Size size, double factor) {
        if (way == 0)
            cv::resize(source, out, size, factor, factor, cv::INTER_AREA);
        else
            shrinkByArea(source, out, size, factor, factor,
                         way == 1 ? area_rows::Block::four : area_rows::Block::eight);
    };
    for (auto _ : state) {
        for (cv::Size size : {cv::Size(64, 64), cv::Size(256, 256), cv::Size(320, 240)})
            shrink(colour, size, 0);
        shrink(grey, {}, detail);
        benchmark::DoNotOptimize(out.data);
    }
}
BENCHMARK(AreaShrinks)
    ->ArgName("opencv-four-eight")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

#define KEEPSIFT_STAGE_OF(name, photographs)                                                       \
    BENCHMARK(name)->Apply(photographs)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()
#define KEEPSIFT_STAGE(name) KEEPSIFT_STAGE_OF(name, forEachPhotograph)

double slowest(const std::vector<double>& times) {
    return *std::max_element(times.begin(), times.end());
}

double fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

// The budget holds for every run, so the slowest repetition is reported beside the median; on
// a shared machine the fastest tells the cost of the work itself.
KEEPSIFT_STAGE(FullMeasurement)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("max", slowest)
    ->ComputeStatistics("min", fastest);
KEEPSIFT_STAGE(Decode);
KEEPSIFT_STAGE(Print);
KEEPSIFT_STAGE(Faces);
KEEPSIFT_STAGE_OF(Landmarks, forEachPhotographWithFaces);
KEEPSIFT_STAGE(Expressions);
KEEPSIFT_STAGE(Aesthetics);
KEEPSIFT_STAGE(Sharpness);

} // namespace
} // namespace keepsift
