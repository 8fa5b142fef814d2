#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "photos/extractor/LiveSignalExtractor.hpp"

namespace keepsift::testing {

// Loading the landmark model takes a while; every test shares one context.
inline std::shared_ptr<const AnalysisContext> sharedContext() {
    static auto context = LiveSignalExtractor::makeContext();
    return context;
}

// A scratch folder removed with the fixture.
class ScratchFolder {
public:
    ScratchFolder() {
        path_ = std::filesystem::temp_directory_path() /
                ("keepsift-extractor-" + std::to_string(::getpid()) + "-" +
                 std::to_string(counter()++));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        auto file = path_ / name;
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }
    const std::filesystem::path& path() const { return path_; }

private:
    static int& counter() {
        static int value = 0;
        return value;
    }
    std::filesystem::path path_;
};

inline AssetReference fileReference(const std::string& path, const std::string& name) {
    AssetReference reference;
    reference.digest = "digest-" + name;
    reference.filename = name;
    reference.fileURL = path;
    return reference;
}

} // namespace keepsift::testing
