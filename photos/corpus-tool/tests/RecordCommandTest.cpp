#include <gtest/gtest.h>
#include <mutex>
#include <opencv2/imgcodecs.hpp>
#include <set>
#include <sstream>

#include "core/corpus/CorpusRecording.hpp"
#include "photos/corpus-tool/CorpusFolders.hpp"
#include "photos/corpus-tool/FileDigest.hpp"
#include "photos/corpus-tool/RecordCommand.hpp"
#include "photos/corpus-tool/ToolError.hpp"
#include "photos/corpus-tool/tests/SampleCorpus.hpp"

using namespace keepsift;
using namespace keepsift::corpustool;
using namespace keepsift::corpustool::testing;

namespace {

// Decodes the file and reports its size; remembers every reference it was asked about.
class DecodingSource : public SignalSource {
public:
    std::optional<PhotoSignals> signals(const AssetReference& reference) override {
        {
            std::lock_guard lock(mutex_);
            asked_.insert(reference.filename);
        }
        if (!reference.fileURL) return std::nullopt;
        const cv::Mat image = cv::imread(*reference.fileURL);
        if (image.empty()) return std::nullopt;
        PhotoSignals signals;
        signals.digest = "not the digest";
        signals.filename = reference.filename;
        signals.pixelWidth = image.cols;
        signals.pixelHeight = image.rows;
        return signals;
    }
    std::set<std::string> asked() const {
        std::lock_guard lock(mutex_);
        return asked_;
    }

private:
    mutable std::mutex mutex_;
    std::set<std::string> asked_;
};

CorpusRecording readRecording(const fs::path& file) {
    return CorpusRecording::decode(readFile(file));
}

} // namespace

TEST(RecordCommand, SkipsWhatDoesNotMeasureAndRecordsTheRest) {
    ScratchFolder scratch;
    const fs::path corpus = scratch.path() / "corpus";
    writeCaptureFolder(corpus / "1", {"a.jpg", "b - winner, sharp.jpg"}, 1,
                       CorpusCapture::Origin::appGrouped, false);
    fs::create_directories(corpus / "2");
    writeJpeg(corpus / "2" / "c.JPG", 7);
    writeText(corpus / "2" / "broken.jpg", "not a jpeg at all");
    writeText(corpus / "2" / "notes.txt", "a note");
    writeJpeg(corpus / "2" / ".hidden.jpg", 8);
    fs::create_directories(corpus / ".trash");
    writeJpeg(corpus / ".trash" / "x.jpg", 9);

    DecodingSource source;
    std::ostringstream out, err;
    const fs::path recordings = scratch.path() / "recordings";
    EXPECT_EQ(recordCommand(corpus, recordings, source, {4, false}, out, err), 0);

    EXPECT_EQ(err.str(), "skipped " + (corpus / "2" / "broken.jpg").string() +
                             ": not readable as a photograph\n");
    EXPECT_NE(out.str().find("recorded 3 photographs (1 skipped) into 2 recordings: "),
              std::string::npos);
    EXPECT_NE(out.str().find(" photographs per second\n"), std::string::npos);
    EXPECT_EQ(source.asked(),
              (std::set<std::string>{"a.jpg", "b - winner, sharp.jpg", "c.JPG", "broken.jpg"}));

    const auto first = readRecording(recordings / "1.json");
    EXPECT_EQ(first.group, "1");
    EXPECT_EQ(first.origin, CorpusCapture::Origin::appGrouped);
    EXPECT_EQ(first.winners, std::vector<std::string>{"b - winner, sharp.jpg"});
    EXPECT_EQ(first.hints,
              (std::map<std::string, std::string>{{"b - winner, sharp.jpg", "winner, sharp"}}));
    ASSERT_EQ(first.photos.size(), 2u);
    EXPECT_EQ(first.photos[0].digest, fileDigest(corpus / "1" / "a.jpg"));
    EXPECT_EQ(first.photos[0].pixelWidth, 64);

    const auto second = readRecording(recordings / "2.json");
    EXPECT_EQ(second.origin, CorpusCapture::Origin::handFoldered);
    ASSERT_EQ(second.photos.size(), 1u);
    EXPECT_EQ(second.photos[0].filename, "c.JPG");
    EXPECT_TRUE(second.winners.empty());
    EXPECT_FALSE(fs::exists(recordings / ".trash.json"));
}

TEST(RecordCommand, BadManifestStopsBeforeMeasuring) {
    ScratchFolder scratch;
    const fs::path corpus = scratch.path() / "corpus";
    fs::create_directories(corpus / "1");
    writeJpeg(corpus / "1" / "a.jpg", 1);
    writeText(corpus / "1" / "capture.json", "{}");
    DecodingSource source;
    std::ostringstream out, err;
    try {
        recordCommand(corpus, scratch.path() / "recordings", source, {2, false}, out, err);
        FAIL() << "a broken manifest must stop the run";
    } catch (const BadInput& failure) {
        EXPECT_NE(std::string(failure.what()).find((corpus / "1" / "capture.json").string()),
                  std::string::npos);
    }
    EXPECT_TRUE(source.asked().empty());
}

TEST(RecordCommand, MissingCorpusIsBadInput) {
    ScratchFolder scratch;
    DecodingSource source;
    std::ostringstream out, err;
    EXPECT_THROW(
        recordCommand(scratch.path() / "none", scratch.path() / "r", source, {1, false}, out, err),
        BadInput);
}

TEST(FileDigest, IsTheSha256OfTheBytes) {
    ScratchFolder scratch;
    writeText(scratch.path() / "abc", "abc");
    EXPECT_EQ(fileDigest(scratch.path() / "abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(fileDigest(scratch.path() / "missing"), std::nullopt);
}
