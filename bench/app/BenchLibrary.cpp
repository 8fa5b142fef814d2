#include "BenchLibrary.hpp"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/library/ConsentingDialogs.hpp"
#include "core/engine/ScanEngine.hpp"
#include "core/scenarios/Scenario.hpp"
#include "photos/services/LiveServices.hpp"
#include "platform/analysis/BlockFeaturePrinter.hpp"
#include "system/storage/ApplicationSupportStorage.hpp"

namespace keepsift::bench {
namespace {

namespace fs = std::filesystem;

// Measurements are never asked for: the index already holds them.
struct NoSignals : SignalSource {
    std::optional<PhotoSignals> signals(const AssetReference&) override { return std::nullopt; }
};

std::vector<unsigned char> jpeg(const cv::Mat& image, int quality) {
    std::vector<unsigned char> bytes;
    cv::imencode(".jpg", image, bytes, {cv::IMWRITE_JPEG_QUALITY, quality});
    return bytes;
}

void write(const fs::path& file, const std::vector<unsigned char>& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

cv::Mat scene(int seed, int width, int height, int shift) {
    cv::Mat image(height, width, CV_8UC3);
    cv::RNG rng(static_cast<std::uint64_t>(seed));
    image.setTo(cv::Scalar(rng.uniform(0, 255), rng.uniform(0, 255), rng.uniform(0, 255)));
    for (int shape = 0; shape < 12; ++shape) {
        cv::Point centre(rng.uniform(0, width) + shift, rng.uniform(0, height));
        cv::circle(image, centre, rng.uniform(width / 30, width / 6),
                   cv::Scalar(rng.uniform(0, 255), rng.uniform(0, 255), rng.uniform(0, 255)),
                   cv::FILLED);
    }
    return image;
}

// A print of the extractor's length, different for every photograph, at unit length as the
// extractor leaves it: the index then holds as much as a measured library's.
FeaturePrint realSizedPrint(cv::RNG& random) {
    std::vector<float> values(BlockFeaturePrinter::length);
    double squares = 0;
    for (auto& value : values) {
        value = static_cast<float>(random.gaussian(1.0));
        squares += static_cast<double>(value) * value;
    }
    for (auto& value : values)
        value = static_cast<float>(value / std::sqrt(squares));
    return FeaturePrint(values);
}

} // namespace

void useHome(const fs::path& root) {
    ::setenv("HOME", (root / "home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
    ::unsetenv("KEEPSIFT_LIBRARY");
}

void prepareHome(const fs::path& root) {
    const auto config = root / "config" / "com.ambervale.keepsift";
    fs::create_directories(config);
    fs::create_directories(root / "home");
    std::ofstream(config / "defaults.json") << R"({"keepsift.seenFirstRunNotice":"dHJ1ZQ=="})";
    std::ofstream(config / "library-consent.json") << R"({"consent":"granted"})";
    useHome(root);
}

void makeMeasuredLibrary(const fs::path& root, int count) {
    prepareHome(root);
    const auto pictures = root / "Pictures";
    const auto tiny = jpeg(scene(1, 16, 12, 0), 80);
    for (int i = 0; i < count; ++i)
        write(pictures / ("f" + std::to_string(i / 1000)) / ("p" + std::to_string(i) + ".jpg"),
              tiny);
    auto dialogs = std::make_shared<ConsentingDialogs>();
    auto services = makeLiveServices(pictures, {dialogs, dialogs});
    ScanEngine engine(services.library, std::make_shared<NoSignals>(),
                      std::make_shared<ApplicationSupportStorage>("com.ambervale.keepsift"),
                      std::make_shared<SystemClock>());
    engine.ensureAuthorization(true);
    engine.refreshStorageMode();
    engine.reconcileWithLibrary();
    engine.updateIndex([](LibraryIndex& index) {
        int moment = 0;
        cv::RNG random(313);
        for (auto& [id, entry] : index.entries) {
            Scenario::SeededPhoto photo;
            photo.name = id;
            photo.moment = "m" + std::to_string(moment++);
            photo.sharpness = 0.5f;
            photo.pixelWidth = entry.asset.pixelWidth;
            photo.pixelHeight = entry.asset.pixelHeight;
            photo.hasCameraMetadata = true;
            PhotoSignals signals = Scenario::signals(photo);
            signals.storedPrint = realSizedPrint(random);
            signals.digest = id;
            signals.filename = entry.asset.filename;
            signals.capturedAt = entry.asset.createdAt;
            signals.fileSize = entry.asset.fileSize;
            index.recordSignals(signals, std::nullopt, id);
        }
    });
    engine.regroup();
    engine.save();
}

void makeFreshLibrary(const fs::path& root, int count) {
    prepareHome(root);
    for (int i = 0; i < count; ++i)
        write(root / "Pictures" / ("burst" + std::to_string(i / 5)) /
                  ("shot" + std::to_string(i % 5) + ".jpg"),
              jpeg(scene(i / 5, 4000, 3000, (i % 5) * 8), 88));
}

} // namespace keepsift::bench
