#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <opencv2/imgcodecs.hpp>

#include "platform/library/FolderPhotoLibrary.hpp"
#include "platform/renditions/CachedRenditionSource.hpp"

namespace keepsift::app::testing {

// A real folder library with its renditions in a temporary home, removed afterwards.
struct TemporaryLibrary {
    TemporaryLibrary() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "keepsift-pictures-XXXXXX").string();
        base = ::mkdtemp(pattern.data());
        root = base / "Pictures";
        std::filesystem::create_directories(root);
        ::setenv("XDG_CACHE_HOME", (base / "cache").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (base / "config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (base / "data").c_str(), 1);
        FolderLibraryOptions options;
        options.root = root;
        options.catalogueFile = base / "catalogue.sqlite";
        options.consentFile = base / "consent.json";
        options.homeTrash = base / "Trash";
        options.renditions = std::make_shared<CachedRenditionSource>();
        library = std::make_shared<FolderPhotoLibrary>(std::move(options));
    }
    ~TemporaryLibrary() {
        library.reset();
        std::filesystem::remove_all(base);
    }
    TemporaryLibrary(const TemporaryLibrary&) = delete;
    TemporaryLibrary& operator=(const TemporaryLibrary&) = delete;

    // A plain JPEG of this size under `name`, whatever its extension says.
    void writeJpeg(const std::string& name, int width, int height) const {
        cv::Mat pixels(height, width, CV_8UC3, cv::Scalar(60, 140, 220));
        std::vector<unsigned char> bytes;
        cv::imencode(".jpg", pixels, bytes);
        std::ofstream(root / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    std::filesystem::path base;
    std::filesystem::path root;
    std::shared_ptr<FolderPhotoLibrary> library;
};

} // namespace keepsift::app::testing
