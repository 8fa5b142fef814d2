#include "ApplicationFixture.hpp"

#include <fstream>
#include <opencv2/imgproc.hpp>

#include "core/support/Json.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/imaging/tests/ExifWriting.hpp"

namespace keepsift::acceptance {
namespace {

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

} // namespace

const std::string rejects = "Keepsift \u2014 Rejects";

cv::Mat scene(int seed, cv::Point shift) {
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

void Library::add(const std::string& id, const cv::Mat& image, const std::string& date) {
    auto bytes =
        testing::withExif(testing::encodedJpeg(image),
                          {{"Exif.Photo.DateTimeOriginal", date}, {"Exif.Image.Make", "Fujifilm"}});
    std::string data(bytes.begin(), bytes.end());
    fs::create_directories((root / id).parent_path());
    std::ofstream(root / id, std::ios::binary) << data;
    photos[id] = data;
}

std::optional<LibraryIndex> readIndex(const fs::path& folder) {
    return readDocument<LibraryIndex>(folder, "library-index.json");
}

std::optional<ReviewJournal> readJournal(const fs::path& folder) {
    return readDocument<ReviewJournal>(folder, "review-journal.json");
}

std::set<std::string> idsIn(const LibraryIndex& index,
                            const std::function<bool(ReviewState)>& test) {
    std::set<std::string> ids;
    for (const auto& [id, entry] : index.entries)
        if (test(entry.state)) ids.insert(id);
    return ids;
}

std::set<std::string> idsIn(const LibraryIndex& index, ReviewState state) {
    return idsIn(index, [state](ReviewState other) { return other == state; });
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

bool journalHoldsFlag(const fs::path& support, const std::string& id) {
    const auto journal = readJournal(support);
    if (!journal) return false;
    const auto entries = journal->entries();
    return std::any_of(entries.begin(), entries.end(), [&](const auto& entry) {
        return entry.assetID == id && entry.event == ReviewJournal::Event::overriddenToFlag;
    });
}

double acceptanceGuard() {
    const char* guard = std::getenv("KEEPSIFT_ACCEPTANCE_GUARD");
    return guard ? std::atof(guard) : 600;
}

std::map<std::string, ReviewState> burstsTurnedOver(const LibraryIndex& index) {
    std::map<std::string, ReviewState> wanted;
    for (int burst = 0; burst < 3; ++burst) {
        const std::string prefix = "Bursts/b" + std::to_string(burst) + "-";
        std::string keeper, flagged;
        for (const auto& [id, entry] : index.entries) {
            if (!id.starts_with(prefix)) continue;
            if (entry.state == ReviewState::keeper && keeper.empty()) keeper = id;
            if (entry.state == ReviewState::flagged && flagged.empty()) flagged = id;
        }
        if (keeper.empty() || flagged.empty()) return {};
        wanted[keeper] = ReviewState::flaggedByHand;
        wanted[flagged] = ReviewState::keptByHand;
    }
    return wanted;
}

void ApplicationAcceptance::SetUp() {
    if (!testing::LaunchedApp::canLaunch()) GTEST_SKIP() << "Xvfb, script or setpriv missing";
    library.root = folder.path() / "Pictures";
    for (int burst = 0; burst < 5; ++burst)
        for (int frame = 0; frame < 5; ++frame)
            library.add("Bursts/b" + std::to_string(burst) + "-" + std::to_string(frame) + ".jpg",
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

void ApplicationAcceptance::TearDown() {
    std::error_code ignored;
    fs::permissions(library.root / "Locked", fs::perms::owner_all, ignored);
}

void ApplicationAcceptance::keepOnlyReadablePhotographs() {
    fs::permissions(library.root / "Locked", fs::perms::owner_all);
    fs::remove_all(library.root / "Locked");
    fs::remove(library.root / "zz-removed-mid-scan.jpg");
    library.photos.erase("zz-removed-mid-scan.jpg");
    std::erase_if(library.photos,
                  [](const auto& photo) { return photo.first.starts_with("Locked/"); });
}

bool ApplicationAcceptance::scanned(const fs::path& support) const {
    const auto index = readIndex(support);
    if (!index) return false;
    size_t decided = 0;
    for (const auto& [id, entry] : index->entries)
        decided += isDecided(entry.state);
    return decided >= 35 && fs::exists(library.root / rejects);
}

bool ApplicationAcceptance::decidedSome(const fs::path& support) const {
    const auto index = readIndex(support);
    return index && !idsIn(*index, isFlagged).empty() &&
           !idsIn(*index, ReviewState::keeper).empty() && fs::exists(library.root / rejects);
}

std::set<std::string> ApplicationAcceptance::linkedRejects() const {
    std::set<std::string> targets;
    for (const auto& name : namesIn(library.root / rejects)) {
        const auto link = library.root / rejects / name;
        std::error_code error;
        const auto kind = fs::symlink_status(link, error).type();
        // The application may take a link out between the listing and this look.
        if (kind == fs::file_type::not_found) continue;
        EXPECT_EQ(kind, fs::file_type::symlink) << name;
        // Links that lead nowhere are counted apart.
        const auto target = fs::canonical(link, error);
        if (error) continue;
        targets.insert(fs::relative(target, fs::canonical(library.root)).string());
    }
    return targets;
}

bool ApplicationAcceptance::flagUntilLinked(const testing::LaunchedApp& app,
                                            const std::string& id) const {
    return testing::eventually(
        [&] {
            app.send("flag " + id);
            return testing::eventually([&] { return linkedRejects().count(id) == 1; }, 3);
        },
        120);
}

bool ApplicationAcceptance::decideByHand(
    const testing::LaunchedApp& app, const fs::path& support,
    const std::map<std::string, ReviewState>& decisions) const {
    for (const auto& [id, state] : decisions)
        if (!app.send((isFlagged(state) ? "flag " : "keep ") + id)) return false;
    return testing::eventually(
        [&] {
            const auto decided = readIndex(support);
            if (!decided) return false;
            for (const auto& [id, state] : decisions)
                if (decided->entries.at(id).state != state) return false;
            return linkedRejects() == idsIn(*decided, isFlagged);
        },
        120);
}

std::optional<std::string>
ApplicationAcceptance::windowTexts(const testing::LaunchedApp& app) const {
    const fs::path file = folder.path() / "window-texts";
    fs::remove(file);
    std::optional<std::string> lines;
    if (!app.send("texts " + file.string()) ||
        !testing::eventually([&] { return (lines = readWholeFile(file)).has_value(); }, 60))
        return std::nullopt;
    return lines;
}

std::string ApplicationAcceptance::log() const {
    return readWholeFile(folder.path() / "keepsift.log").value_or("no log");
}

} // namespace keepsift::acceptance
