#include <cerrno>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <opencv2/imgproc.hpp>
#include <set>
#include <sys/mount.h>

#include "LaunchedApp.hpp"
#include "core/index/LibraryIndex.hpp"
#include "core/index/ReviewJournal.hpp"
#include "core/support/Json.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"
#include "platform/imaging/tests/ExifWriting.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;
const std::string rejects = "Keepsift \u2014 Rejects";

// A still life of shapes on a gradient; the same seed gives the same scene.
cv::Mat scene(int seed, cv::Point shift = {}) {
    cv::Mat image(240, 320, CV_8UC3);
    for (int row = 0; row < image.rows; ++row)
        image.row(row).setTo(cv::Scalar(60 + row / 2, 90 + (seed * 37) % 100, 200 - row / 2));
    cv::RNG rng(static_cast<std::uint64_t>(seed));
    for (int shape = 0; shape < 10; ++shape) {
        cv::Point centre(rng.uniform(20, 300) + shift.x, rng.uniform(20, 220) + shift.y);
        cv::Scalar colour(rng.uniform(0, 255), rng.uniform(0, 255), rng.uniform(0, 255));
        if (shape % 2 == 0)
            cv::circle(image, centre, rng.uniform(8, 35), colour, cv::FILLED);
        else
            cv::rectangle(image, centre, centre + cv::Point(rng.uniform(10, 60), 30), colour,
                          cv::FILLED);
    }
    return image;
}

// One frame of a burst: moved a pixel or two with sensor noise; some shaken or out of focus.
cv::Mat burstFrame(int burst, int frame) {
    cv::Mat image = scene(100 + burst, {frame, frame / 2});
    cv::Mat noise(image.size(), CV_16SC3), noisy;
    cv::RNG(static_cast<std::uint64_t>(burst * 10 + frame)).fill(noise, cv::RNG::NORMAL, 0, 3);
    image.convertTo(noisy, CV_16SC3);
    noisy += noise;
    noisy.convertTo(image, CV_8UC3);
    if (frame == 1) cv::GaussianBlur(image, image, {9, 9}, 4);
    if (frame == 3) {
        cv::Mat shake = cv::Mat::zeros(9, 9, CV_32F);
        shake.row(4).setTo(1.0 / 9);
        cv::filter2D(image, image, -1, shake);
    }
    return image;
}

struct Library {
    fs::path root;
    std::map<std::string, std::string> photos; // identifier -> bytes

    void add(const std::string& id, const cv::Mat& image, const std::string& date) {
        auto bytes =
            testing::withExif(testing::encodedJpeg(image), {{"Exif.Photo.DateTimeOriginal", date},
                                                            {"Exif.Image.Make", "Fujifilm"}});
        std::string data(bytes.begin(), bytes.end());
        fs::create_directories((root / id).parent_path());
        std::ofstream(root / id, std::ios::binary) << data;
        photos[id] = data;
    }
};

// Nothing while the file is missing or caught between two writes: the caller asks again.
template <class Document>
std::optional<Document> readDocument(const fs::path& folder, const char* name) {
    const auto text = readWholeFile(folder / name);
    if (!text) return std::nullopt;
    try {
        return Document::fromJson(Json::parse(*text), DateForm::iso8601);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<LibraryIndex> readIndex(const fs::path& folder) {
    return readDocument<LibraryIndex>(folder, "library-index.json");
}

std::optional<ReviewJournal> readJournal(const fs::path& folder) {
    return readDocument<ReviewJournal>(folder, "review-journal.json");
}

std::set<std::string> idsIn(const LibraryIndex& index, bool (*test)(ReviewState)) {
    std::set<std::string> ids;
    for (const auto& [id, entry] : index.entries)
        if (test(entry.state)) ids.insert(id);
    return ids;
}

bool isDecided(ReviewState state) {
    return state != ReviewState::pending;
}

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.insert(it->path().filename().string());
    return names;
}

class ApplicationAcceptance : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::LaunchedApp::canLaunch()) GTEST_SKIP() << "xvfb-run or setpriv missing";
        library.root = folder.path() / "Pictures";
        for (int burst = 0; burst < 5; ++burst)
            for (int frame = 0; frame < 5; ++frame)
                library.add("Bursts/b" + std::to_string(burst) + "-" + std::to_string(frame) +
                                ".jpg",
                            burstFrame(burst, frame),
                            "2024:0" + std::to_string(burst + 1) + ":10 10:00:0" +
                                std::to_string(frame * 2));
        for (int single = 0; single < 5; ++single) {
            const cv::Mat image = scene(300 + single);
            const std::string date = "2023:0" + std::to_string(single + 1) + ":20 18:00:00";
            library.add("Trips/t" + std::to_string(single) + ".jpg", image, date);
            cv::Mat smaller;
            cv::resize(image, smaller, {}, 0.5, 0.5, cv::INTER_AREA);
            library.add("Copies/t" + std::to_string(single) + "-small.jpg", smaller, date);
        }
        library.add("zz-removed-mid-scan.jpg", scene(500), "2022:02:02 12:00:00");
        for (int locked = 0; locked < 2; ++locked)
            library.add("Locked/l" + std::to_string(locked) + ".jpg", scene(600 + locked),
                        "2022:03:03 12:00:0" + std::to_string(locked));
        std::ofstream(library.root / "corrupt.jpg") << std::string("\xff\xd8\xff\xe0 broken", 12);
        fs::permissions(library.root / "Locked", fs::perms::none);

        // A returning user: the first-run notice seen, access to the folder granted.
        const auto config = folder.path() / "config" / "com.ambervale.keepsift";
        fs::create_directories(config);
        std::ofstream(config / "defaults.json") << R"({"keepsift.seenFirstRunNotice":"dHJ1ZQ=="})";
        std::ofstream(config / "library-consent.json") << R"({"consent":"granted"})";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(library.root / "Locked", fs::perms::owner_all, ignored);
    }

    // Every photograph the application can read has been measured and decided.
    bool scanned(const fs::path& support) const {
        const auto index = readIndex(support);
        if (!index) return false;
        size_t decided = 0;
        for (const auto& [id, entry] : index->entries)
            decided += isDecided(entry.state);
        return decided >= 35 && fs::exists(library.root / rejects);
    }

    std::set<std::string> linkedRejects() const {
        std::set<std::string> targets;
        for (const auto& name : namesIn(library.root / rejects)) {
            const auto link = library.root / rejects / name;
            EXPECT_TRUE(fs::is_symlink(link)) << name;
            targets.insert(fs::relative(fs::canonical(link), fs::canonical(library.root)).string());
        }
        return targets;
    }

    std::string log() const {
        return readWholeFile(folder.path() / "keepsift.log").value_or("no log");
    }

    testing::TemporaryFolder folder;
    Library library;
};

TEST_F(ApplicationAcceptance, ScansFlagsDeletesOnlyWhatIsConfirmedAndKeepsTheLastDecision) {
    testing::LaunchedApp app(folder.path(), library.root);
    ASSERT_GT(app.pid(), 0);
    const auto support = app.supportFolder();

    // Bad input on the way: a photograph removed while the scan runs.
    ASSERT_TRUE(testing::eventually([&] { return fs::exists(folder.path() / "cache"); }, 60));
    fs::remove(library.root / "zz-removed-mid-scan.jpg");
    library.photos.erase("zz-removed-mid-scan.jpg");

    ASSERT_TRUE(testing::eventually([&] { return scanned(support) || !app.isRunning(); },
                                    std::getenv("KEEPSIFT_ACCEPTANCE_GUARD")
                                        ? std::atof(std::getenv("KEEPSIFT_ACCEPTANCE_GUARD"))
                                        : 600))
        << "the scan did not finish\n"
        << log() << support.string() << ": "
        << readWholeFile(support / "library-index.json").value_or("no index").substr(0, 2000);
    ASSERT_TRUE(app.isRunning()) << "the application ended during the scan";

    // The rejects folder links exactly the flagged photographs; nothing was deleted.
    LibraryIndex index = *readIndex(support);
    const auto flagged = idsIn(index, isFlagged);
    ASSERT_FALSE(flagged.empty());
    EXPECT_TRUE(testing::eventually([&] { return linkedRejects() == flagged; }, 60));
    EXPECT_EQ(linkedRejects(), flagged);
    EXPECT_TRUE(fs::exists(support / "review-journal.json"));
    for (const auto& [id, bytes] : library.photos) {
        if (id.starts_with("Locked/")) continue;
        EXPECT_EQ(readWholeFile(library.root / id), bytes) << id;
        EXPECT_TRUE(index.entries.count(id)) << id;
    }
    EXPECT_FALSE(index.entries.count("Locked/l0.jpg"));

    // A confirmed batch moves exactly the flagged photographs to the Trash.
    ASSERT_TRUE(app.send("delete-all " + std::to_string(flagged.size())));
    const auto trash = folder.path() / "data" / "Trash";
    ASSERT_TRUE(
        testing::eventually([&] { return namesIn(trash / "files").size() == flagged.size(); }, 60));
    std::set<std::string> trashed, expectedNames, infos;
    for (const auto& id : flagged)
        expectedNames.insert(fs::path(id).filename().string());
    for (const auto& name : namesIn(trash / "files"))
        trashed.insert(name);
    EXPECT_EQ(trashed, expectedNames);
    for (const auto& name : trashed)
        infos.insert(name + ".trashinfo");
    EXPECT_TRUE(testing::eventually([&] { return namesIn(trash / "info") == infos; }, 30));
    for (const auto& [id, bytes] : library.photos)
        EXPECT_EQ(fs::exists(library.root / id), !flagged.count(id)) << id;

    // A hand decision made just before quitting is in the journal after SIGTERM.
    const std::string kept =
        *idsIn(index, [](ReviewState state) { return state == ReviewState::keeper; }).begin();
    ASSERT_TRUE(app.send("flag " + kept));
    ASSERT_TRUE(testing::eventually([&] { return linkedRejects().count(kept) == 1; }, 60));
    double seconds = 0;
    const auto status = app.terminate(seconds);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);
    EXPECT_LT(seconds, 2.0);
    const auto journal = readJournal(support);
    ASSERT_TRUE(journal);
    const auto entries = journal->entries();
    const bool recorded = std::any_of(entries.begin(), entries.end(), [&](const auto& entry) {
        return entry.assetID == kept && entry.event == ReviewJournal::Event::overriddenToFlag;
    });
    EXPECT_TRUE(recorded) << "the last decision is not in the journal";
    EXPECT_EQ(readIndex(support)->entries.at(kept).state, ReviewState::flaggedByHand);
}

// The index folder's disk is full when the application starts: no decision could be kept,
// so nothing is flagged (the model's tests show it waits); once there is room the scan runs
// and what it decides reaches the disk.
TEST_F(ApplicationAcceptance, AFullDiskAtStartFlagsNothingUntilThereIsRoom) {
    const fs::path data = folder.path() / "data";
    fs::create_directories(data);
    if (::mount("tmpfs", data.c_str(), "tmpfs", 0, "size=2m") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here: " << std::strerror(errno);
    const std::unique_ptr<const char, int (*)(const char*)> unmount(
        data.c_str(), [](const char* p) { return ::umount2(p, MNT_DETACH); });
    const fs::path filler = data / "filler";
    {
        std::ofstream fill(filler, std::ios::binary);
        const std::string block(64 * 1024, 'x');
        while (fill.write(block.data(), static_cast<std::streamsize>(block.size())))
            fill.flush();
    }

    testing::LaunchedApp app(folder.path(), library.root);
    ASSERT_GT(app.pid(), 0);
    const auto support = app.supportFolder();
    // Up and listening, its support folder on the full disk.
    ASSERT_TRUE(testing::eventually(
        [&] { return fs::exists(support / "instance.socket") || !app.isRunning(); }, 600))
        << log();
    ASSERT_TRUE(app.isRunning()) << "the application ended on a full disk\n" << log();
    EXPECT_TRUE(linkedRejects().empty());
    EXPECT_FALSE(readIndex(support)) << "an index was written to a full disk";

    fs::remove(filler);
    ASSERT_TRUE(testing::eventually([&] { return scanned(support) || !app.isRunning(); }, 600))
        << log();
    double seconds = 0;
    const auto status = app.terminate(seconds);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);
    const auto index = readIndex(support);
    ASSERT_TRUE(index) << "the decisions did not reach the disk once it had room\n" << log();
    const auto flagged = idsIn(*index, isFlagged);
    EXPECT_FALSE(flagged.empty());
    EXPECT_EQ(linkedRejects(), flagged);
    EXPECT_TRUE(readJournal(support));
}

} // namespace
} // namespace keepsift
