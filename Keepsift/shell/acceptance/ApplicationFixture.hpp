#pragma once

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <opencv2/core.hpp>
#include <optional>
#include <set>
#include <string>

#include "LaunchedApp.hpp"
#include "core/index/LibraryIndex.hpp"
#include "core/index/ReviewJournal.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"

namespace keepsift::acceptance {

namespace fs = std::filesystem;

extern const std::string rejects;

// A still life of shapes on a gradient; the same seed gives the same scene.
cv::Mat scene(int seed, cv::Point shift = {});
// One frame of a burst: moved a pixel or two with sensor noise; some shaken or out of focus.
cv::Mat burstFrame(int burst, int frame);

struct Library {
    fs::path root;
    std::map<std::string, std::string> photos; // identifier -> bytes

    void add(const std::string& id, const cv::Mat& image, const std::string& date);
};

// In three bursts of the Bursts folder the keeper flagged and a flagged frame kept, by
// identifier; nothing before they are decided.
std::map<std::string, ReviewState> burstsTurnedOver(const LibraryIndex& index);

// Nothing while the file is missing or caught between two writes: the caller asks again.
std::optional<LibraryIndex> readIndex(const fs::path& folder);
std::optional<ReviewJournal> readJournal(const fs::path& folder);

std::set<std::string> idsIn(const LibraryIndex& index,
                            const std::function<bool(ReviewState)>& test);
std::set<std::string> idsIn(const LibraryIndex& index, ReviewState state);
bool isDecided(ReviewState state);
std::set<std::string> namesIn(const fs::path& folder);
// Whether the journal holds a hand flag of the photograph.
bool journalHoldsFlag(const fs::path& support, const std::string& id);
// How long a scan may take before a test gives up on it: KEEPSIFT_ACCEPTANCE_GUARD seconds,
// ten minutes without it. Only a broken run ever waits that long.
double acceptanceGuard();

// A returning user's library of bursts, trips with smaller copies, a photograph removed
// mid-scan, an unreadable folder and a broken file.
class ApplicationAcceptance : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Leaves only photographs that every folder shows and that stay: the locked folder and the
    // photograph removed mid-scan are taken away, so the whole library is watched through
    // inotify and none of it stays pending.
    void keepOnlyReadablePhotographs();
    // Every photograph the application can read has been measured and decided.
    bool scanned(const fs::path& support) const;
    // The index holds a kept and a flagged photograph and the rejects folder exists.
    bool decidedSome(const fs::path& support) const;
    // The photographs the rejects folder links to.
    std::set<std::string> linkedRejects() const;
    // Flags the photograph by hand, asked again until the model exists and takes it: false when
    // it is not linked within two minutes.
    bool flagUntilLinked(const testing::LaunchedApp& app, const std::string& id) const;
    // Decides the photographs by hand as given, and waits until the saved index holds the
    // decisions and the album follows them: false when it does not within two minutes.
    bool decideByHand(const testing::LaunchedApp& app, const fs::path& support,
                      const std::map<std::string, ReviewState>& decisions) const;
    // What the visible windows say, one line a label or button ("class\tname\ttext"); nothing
    // when it could not be had.
    std::optional<std::string> windowTexts(const testing::LaunchedApp& app) const;
    std::string log() const;

    testing::TemporaryFolder folder;
    Library library;
};

} // namespace keepsift::acceptance
