#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <sys/stat.h>

#include "platform/imaging/CachedRenditionSource.hpp"
#include "platform/imaging/ThumbnailCache.hpp"
#include "platform/imaging/tests/ExifWriting.hpp"

namespace keepsift {
namespace {

std::uint32_t crc32(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void appendBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back((value >> shift) & 0xFF);
}

// A PNG of the picture with tEXt entries right after its header chunk.
std::vector<std::uint8_t> pngWithText(const cv::Mat& picture,
                                      const std::map<std::string, std::string>& entries) {
    std::vector<std::uint8_t> png;
    cv::imencode(".png", picture, png);
    std::vector<std::uint8_t> chunks;
    for (const auto& [key, value] : entries) {
        std::vector<std::uint8_t> typed = {'t', 'E', 'X', 't'};
        typed.insert(typed.end(), key.begin(), key.end());
        typed.push_back(0);
        typed.insert(typed.end(), value.begin(), value.end());
        appendBigEndian(chunks, static_cast<std::uint32_t>(typed.size() - 4));
        chunks.insert(chunks.end(), typed.begin(), typed.end());
        appendBigEndian(chunks, crc32(typed));
    }
    png.insert(png.begin() + 33, chunks.begin(), chunks.end());
    return png;
}

void write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::int64_t modified(const std::filesystem::path& path) {
    struct stat facts {};
    ::stat(path.c_str(), &facts);
    return facts.st_mtim.tv_sec;
}

TEST(ThumbnailNames, FollowTheFreedesktopScheme) {
    EXPECT_EQ(thumbnails::fileUri("/home/ana/Pictures/a b#1.jpg"),
              "file:///home/ana/Pictures/a%20b%231.jpg");
    // MD5 of "file:///home/jens/photos/me.png", the specification's own example.
    EXPECT_EQ(thumbnails::uriDigest("file:///home/jens/photos/me.png"),
              "c6ee772d9e49320e97ec29a7eb5b1697");
    auto png = pngWithText(cv::Mat(4, 4, CV_8UC3, cv::Scalar(1)), {{"Thumb::MTime", "42"}});
    EXPECT_EQ(thumbnails::pngTextEntries(png).at("Thumb::MTime"), "42");
    EXPECT_TRUE(thumbnails::pngTextEntries({}).empty());
}

class CachedRenditions : public ::testing::Test {
protected:
    void SetUp() override {
        root = std::filesystem::temp_directory_path() /
               ("keepsift-renditions-" + std::to_string(::getpid()));
        original = root / "Pictures" / "IMG 1.jpg";
        // The original is blue; any thumbnail below is red.
        write(original, testing::encodedJpeg(cv::Mat(600, 800, CV_8UC3, cv::Scalar(200, 0, 0))));
    }
    void TearDown() override { std::filesystem::remove_all(root); }

    void thumbnail(const char* size, std::int64_t mtime) {
        auto uri = thumbnails::fileUri(original);
        write(root / "thumbnails" / size / (thumbnails::uriDigest(uri) + ".png"),
              pngWithText(cv::Mat(768, 1024, CV_8UC3, cv::Scalar(0, 0, 200)),
                          {{"Thumb::URI", uri}, {"Thumb::MTime", std::to_string(mtime)}}));
    }
    static bool isRed(const PortImage& image) { return image.rgb[0] > 150 && image.rgb[2] < 80; }

    std::filesystem::path root, original;
};

TEST_F(CachedRenditions, AResidentOriginalIsDecodedAndKept) {
    CachedRenditionSource cached{{root / "thumbnails", root / "own"}};
    auto image = cached.rendition(original.string(), true, 512);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 512);
    EXPECT_EQ(image->height, 384);
    EXPECT_EQ(image->rgb.size(), 512u * 384u * 3u);
    // Once the original has left the machine the kept copy answers.
    auto kept = cached.rendition(original.string(), false, 512);
    ASSERT_TRUE(kept);
    EXPECT_FALSE(isRed(*kept));
    EXPECT_EQ(kept->width, 512);
}

TEST_F(CachedRenditions, AnEvictedOriginalUsesAMatchingSystemThumbnail) {
    CachedRenditionSource cached{{root / "thumbnails", root / "own"}};
    thumbnail("xx-large", modified(original));
    auto image = cached.rendition(original.string(), false, 512);
    ASSERT_TRUE(image);
    EXPECT_TRUE(isRed(*image));
    EXPECT_EQ(image->width, 512);
}

TEST_F(CachedRenditions, AStaleThumbnailIsIgnored) {
    CachedRenditionSource cached{{root / "thumbnails", root / "own"}};
    thumbnail("x-large", modified(original) - 60);
    EXPECT_FALSE(cached.rendition(original.string(), false, 512));
    EXPECT_FALSE(cached.rendition((root / "missing.jpg").string(), false, 512));
    EXPECT_FALSE(cached.rendition(original.string(), true, 0));
}

} // namespace
} // namespace keepsift
