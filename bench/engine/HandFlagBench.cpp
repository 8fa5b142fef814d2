// What a hand flag that adds a link to the rejects album costs when the album holds many links
// already: a folder library of 11,000 small photographs (--sizes= for others), measured with
// synthetic measurements, ten of each eleven of which the user linked into the album (10,000
// links; --links= for another count), then keepers of the others flagged by hand one after
// another (--flags=, 20 by default), each timed until the engine answers (its save and album
// write included). The engine's files go to a real folder.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "bench/engine/FolderEngine.hpp"
#include "bench/scaling/ScaledRun.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int flagCount = 20;
int linkCount = 10000;

// The user's links to ten of each eleven photographs, taken by a listing as the user's flags (those
// Keepsift flagged keep their own link too); the keepers left to flag.
std::vector<std::string> linkEveryOther(bench::FolderEngine& library, const fs::path& album) {
    fs::create_directories(album);
    std::vector<std::string> unlinked;
    int linked = 0;
    for (int i = 0; i < library.photos; ++i) {
        const std::string id =
            "folder-" + std::to_string(i / 100) + "/photo-" + std::to_string(i) + ".jpg";
        if (i % 11 != 10 && linked++ < linkCount)
            fs::create_symlink(fs::path("..") / id,
                               album / ("by-hand-" + std::to_string(i) + ".jpg"));
        else
            unlinked.push_back(id);
    }
    library.engine->reconcileWithLibrary();
    library.engine->syncRejectsAlbumIfNeeded();
    library.engine->flush();
    std::erase_if(unlinked, [&](const std::string& id) {
        return library.engine->index().entries.at(id).state != ReviewState::keeper;
    });
    return unlinked;
}

std::size_t linksIn(const fs::path& album) {
    std::error_code error;
    auto links = fs::directory_iterator(album, error);
    return error ? 0 : static_cast<std::size_t>(std::distance(links, fs::directory_iterator()));
}

void linkAddingHandFlag(benchmark::State& state) {
    bench::FolderEngine library(static_cast<int>(state.range(0)), 0, false);
    const auto album = library.pictures() / std::string(LivePhotoLibrary::rejectsAlbumTitle);
    const auto unlinked = linkEveryOther(library, album);
    const std::size_t before = linksIn(album);
    std::vector<double> answers;
    for (auto _ : state) {
        for (int i = 0; i < flagCount && i < static_cast<int>(unlinked.size()); ++i) {
            const auto start = Clock::now();
            library.engine->override(unlinked.at(static_cast<std::size_t>(i)), false);
            answers.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        }
        state.SetIterationTime(std::accumulate(answers.begin(), answers.end(), 0.0));
    }
    std::vector<double> sorted = answers;
    std::sort(sorted.begin(), sorted.end());
    state.counters["links_before"] = static_cast<double>(before);
    state.counters["links_after"] = static_cast<double>(linksIn(album));
    state.counters["flag_mean_ms"] = std::accumulate(answers.begin(), answers.end(), 0.0) /
                                     std::max<std::size_t>(1, answers.size()) * 1000;
    state.counters["flag_median_ms"] = sorted.empty() ? 0 : sorted[sorted.size() / 2] * 1000;
}

} // namespace
} // namespace keepsift

int main(int argc, char** argv) {
    using namespace keepsift;
    flagCount = std::atoi(bench::takeOption(argc, argv, "flags", "20").c_str());
    linkCount = std::atoi(bench::takeOption(argc, argv, "links", "10000").c_str());
    bench::registerTimedRuns({{"linkAddingHandFlag", linkAddingHandFlag}},
                             bench::takeSizes(argc, argv, {11000}), 1);
    return bench::runWithGrowth(argc, argv);
}
