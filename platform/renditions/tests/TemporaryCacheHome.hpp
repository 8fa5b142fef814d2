#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include "platform/renditions/PngFile.hpp"
#include "platform/renditions/ThumbnailStamp.hpp"

namespace keepsift::testing {

// A fresh XDG_CACHE_HOME and a photo folder below one temporary root, removed afterwards.
class TemporaryCacheHome : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "keepsift-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        const char* old = std::getenv("XDG_CACHE_HOME");
        if (old) previous = old;
        ::setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
        std::filesystem::create_directories(root / "photos with space");
    }
    void TearDown() override {
        if (previous)
            ::setenv("XDG_CACHE_HOME", previous->c_str(), 1);
        else
            ::unsetenv("XDG_CACHE_HOME");
        std::filesystem::remove_all(root);
    }

    std::filesystem::path original(const std::string& name) {
        auto path = root / "photos with space" / name;
        std::ofstream(path) << "not really a photograph";
        return path;
    }

    static cv::Mat solid(int width, int height, cv::Scalar bgr) {
        return cv::Mat(height, width, CV_8UC3, bgr);
    }

    void writeThumbnail(const char* folder, const std::filesystem::path& of, const cv::Mat& image,
                        std::optional<ThumbnailStamp> stamp = std::nullopt) {
        const auto actual = *ThumbnailStamp::of(of);
        const auto dir = root / "cache" / "thumbnails" / folder;
        std::filesystem::create_directories(dir);
        ASSERT_TRUE(writePng(dir / actual.fileName(), image, stamp.value_or(actual).text()));
    }

    std::filesystem::path root;
    std::optional<std::string> previous;
};

} // namespace keepsift::testing
