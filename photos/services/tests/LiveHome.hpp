#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "photos/extractor/tests/ExtractorFixtures.hpp"
#include "photos/services/LiveServices.hpp"
#include "platform/imaging/tests/ExifWriting.hpp"

namespace keepsift::testing {

// Says yes to every question and remembers what it was asked to delete.
struct ScriptedDialogs : ConsentPrompt, DeletionConfirmation {
    bool askLibraryConsent(const std::string&) override { return true; }
    bool confirmDeletion(const std::vector<PortAsset>& assets) override {
        for (const auto& asset : assets)
            confirmed.push_back(asset.localIdentifier);
        if (whileConfirming) whileConfirming();
        return true;
    }
    std::vector<std::string> confirmed;
    // What happens to the library after the batch was formed, before any of it moves.
    std::function<void()> whileConfirming;
};

// A temporary home: XDG cache, config and data folders and a picture folder below one
// root, set before anything reads them and restored afterwards.
class LiveHome : public ::testing::Test {
protected:
    static constexpr const char* xdgNames[] = {"XDG_CACHE_HOME", "XDG_CONFIG_HOME",
                                               "XDG_DATA_HOME"};

    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "keepsift-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        for (const char* name : xdgNames) {
            if (const char* old = std::getenv(name)) previous[name] = old;
            ::setenv(name, (root / name).c_str(), 1);
        }
        pictures = root / "Pictures";
        std::filesystem::create_directories(pictures);
    }
    void TearDown() override {
        services = {};
        for (const char* name : xdgNames) {
            auto old = previous.find(name);
            if (old != previous.end())
                ::setenv(name, old->second.c_str(), 1);
            else
                ::unsetenv(name);
        }
        std::filesystem::remove_all(root);
    }

    void startServices(WatcherOptions watcher = {}) {
        services = makeLiveServices(pictures, {dialogs, dialogs}, sharedContext(), watcher, ops);
    }

    // A still life of shapes on a gradient; the same seed gives the same scene.
    static cv::Mat scene(int seed, cv::Point shift = {}) {
        cv::Mat image(480, 640, CV_8UC3);
        for (int row = 0; row < image.rows; ++row)
            image.row(row).setTo(cv::Scalar(60 + row / 4, 90 + (seed * 37) % 100, 200 - row / 3));
        cv::RNG rng(static_cast<std::uint64_t>(seed));
        for (int shape = 0; shape < 14; ++shape) {
            cv::Point centre(rng.uniform(40, 600) + shift.x, rng.uniform(40, 440) + shift.y);
            cv::Scalar colour(rng.uniform(0, 255), rng.uniform(0, 255), rng.uniform(0, 255));
            if (shape % 2 == 0)
                cv::circle(image, centre, rng.uniform(15, 70), colour, cv::FILLED);
            else
                cv::rectangle(image, centre, centre + cv::Point(rng.uniform(20, 120), 60), colour,
                              cv::FILLED);
        }
        return image;
    }

    // One frame of a burst: the scene moved a pixel or two, with a little sensor noise.
    static cv::Mat burstFrame(int frame, int seed = 7) {
        cv::Mat image = scene(seed, {frame * 2, frame});
        cv::Mat noise(image.size(), CV_16SC3);
        cv::RNG(static_cast<std::uint64_t>(100 + frame)).fill(noise, cv::RNG::NORMAL, 0, 3);
        cv::Mat noisy;
        image.convertTo(noisy, CV_16SC3);
        noisy += noise;
        noisy.convertTo(image, CV_8UC3);
        return image;
    }

    std::filesystem::path writeJpeg(const std::string& name, const cv::Mat& image,
                                    const std::string& exifDate) {
        auto bytes = withExif(encodedJpeg(image), {{"Exif.Photo.DateTimeOriginal", exifDate},
                                                   {"Exif.Image.Make", "Fujifilm"}});
        auto path = pictures / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::filesystem::path root;
    std::filesystem::path pictures;
    std::map<std::string, std::string> previous;
    std::shared_ptr<ScriptedDialogs> dialogs = std::make_shared<ScriptedDialogs>();
    LiveServices services;
    std::shared_ptr<FileSystemOps> ops = realFileSystem();
};

} // namespace keepsift::testing
