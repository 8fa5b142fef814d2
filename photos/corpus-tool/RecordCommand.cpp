#include "photos/corpus-tool/RecordCommand.hpp"

#include <chrono>
#include <cstdio>

#include "core/corpus/CorpusRecording.hpp"
#include "photos/corpus-tool/CorpusFolders.hpp"
#include "photos/corpus-tool/ParallelMeasure.hpp"
#include "photos/corpus-tool/ToolError.hpp"

namespace keepsift::corpustool {
namespace {

struct FolderPlan {
    fs::path folder;
    CorpusCapture::Origin origin;
    size_t first = 0; // index of its first file in the flat list
    size_t count = 0;
};

// Reads every manifest before measuring so that a bad one stops the run early.
std::vector<FolderPlan> planFolders(const fs::path& corpus, std::vector<fs::path>& files) {
    std::vector<FolderPlan> plans;
    for (const auto& folder : subfolders(corpus)) {
        const auto manifest = readManifest(folder);
        const auto photos = photographFiles(folder);
        plans.push_back({folder, manifest ? manifest->origin : CorpusCapture::Origin::handFoldered,
                         files.size(), photos.size()});
        files.insert(files.end(), photos.begin(), photos.end());
    }
    return plans;
}

CorpusRecording recordingOf(const FolderPlan& plan, std::vector<MeasureOutcome>& outcomes) {
    CorpusRecording recording;
    recording.group = fileName(plan.folder);
    recording.origin = plan.origin;
    for (size_t i = plan.first; i < plan.first + plan.count; ++i) {
        if (!outcomes[i].signals) continue;
        PhotoSignals& signals = *outcomes[i].signals;
        const auto marker = CorpusRecording::winnerMarker(signals.filename);
        if (marker.isWinner) recording.winners.push_back(signals.filename);
        if (!marker.hint.empty()) recording.hints[signals.filename] = marker.hint;
        recording.photos.push_back(std::move(signals));
    }
    return recording;
}

void showProgress(std::ostream& err, size_t done, size_t total) {
    err << "\r\033[Kmeasured " << done << " of " << total << " photographs" << std::flush;
    if (done == total) err << "\r\033[K" << std::flush;
}

std::string rateText(size_t measured, double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", seconds > 0 ? measured / seconds : 0.0);
    return text;
}

} // namespace

int recordCommand(const fs::path& corpus, const fs::path& recordings, SignalSource& source,
                  const RecordOptions& options, std::ostream& out, std::ostream& err) {
    std::vector<fs::path> files;
    const auto plans = planFolders(corpus, files);
    std::error_code error;
    fs::create_directories(recordings, error);
    if (error) throw BadInput(recordings.string() + " cannot be created: " + error.message());

    const auto start = std::chrono::steady_clock::now();
    auto outcomes = measureAll(files, source, options.workers, [&](size_t done) {
        if (options.showProgress) showProgress(err, done, files.size());
    });
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

    size_t measured = 0, written = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (outcomes[i].signals)
            ++measured;
        else
            err << "skipped " << files[i].string() << ": " << outcomes[i].failure << "\n";
    }
    for (const auto& plan : plans) {
        const CorpusRecording recording = recordingOf(plan, outcomes);
        if (recording.photos.empty()) {
            err << "no recording for " << plan.folder.string() << ": no photograph measured\n";
            continue;
        }
        writeFileAtomically(recordings / (recording.group + ".json"), recording.encoded());
        ++written;
    }
    out << "recorded " << measured << " photographs (" << files.size() - measured
        << " skipped) into " << written << " recordings: " << rateText(measured, elapsed.count())
        << " photographs per second" << std::endl;
    return 0;
}

} // namespace keepsift::corpustool
