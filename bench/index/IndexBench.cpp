#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

#include "bench/index/HeapCounter.hpp"
#include "bench/scaling/ScaledRun.hpp"
#include "bench/scratch/ScratchFolder.hpp"
#include "core/index/IndexEntryReader.hpp"
#include "core/index/IndexFiles.hpp"
#include "core/index/LibraryIndex.hpp"
#include "core/index/ReturnMatching.hpp"
#include "core/index/ReviewJournal.hpp"
#include "system/storage/ApplicationSupportStorage.hpp"

namespace keepsift {
namespace {

// The length of the extractor's print.
constexpr int printLength = 313;

FaceSignals face(std::mt19937& random) {
    std::uniform_real_distribution<float> unit(0.f, 1.f);
    FaceSignals f;
    f.bounds = {unit(random) * 0.5, unit(random) * 0.5, 0.1 + unit(random) * 0.3,
                0.1 + unit(random) * 0.3};
    f.hasSmile = unit(random) > 0.5f;
    f.leftEyeClosed = false;
    f.rightEyeClosed = unit(random) > 0.9f;
    f.captureQuality = unit(random);
    f.eyeAspectRatio = 0.2f + unit(random) * 0.2f;
    f.yawDegrees = unit(random) * 60 - 30;
    f.rollDegrees = unit(random) * 20 - 10;
    f.pitchDegrees = unit(random) * 20 - 10;
    return f;
}

IndexEntry measuredEntry(int i, std::mt19937& random) {
    std::uniform_real_distribution<float> unit(-1.f, 1.f);
    IndexEntry e;
    char id[64];
    std::snprintf(id, sizeof id, "%08X-4A1B-4C2D-8E3F-%012d/L0/001", i * 2654435761u, i);
    e.asset.id = id;
    e.asset.filename = "IMG_" + std::to_string(1000 + i) + ".HEIC";
    e.asset.createdAt = Date{600000000.0 + i * 37};
    e.asset.modifiedAt = Date{600000100.0 + i * 37};
    e.asset.pixelWidth = 4032;
    e.asset.pixelHeight = 3024;
    e.asset.fileSize = 2'000'000 + i;
    PhotoSignals s;
    s.digest = e.asset.id;
    s.filename = e.asset.filename;
    s.capturedAt = e.asset.createdAt;
    s.pixelWidth = 4032;
    s.pixelHeight = 3024;
    s.fileSize = e.asset.fileSize;
    std::vector<float> print(printLength);
    for (auto& v : print)
        v = unit(random) * 0.2f;
    s.setFeaturePrint(print);
    s.featurePrintRevision = std::string(PhotoSignals::printRevision);
    if (i % 3 == 0)
        for (int f = 0; f < 2; ++f)
            s.faces.push_back(face(random));
    s.aestheticsScore = unit(random);
    s.sharpness = (unit(random) + 1) * 0.5f;
    s.hasCameraMetadata = true;
    s.hasCaptureMetadata = true;
    e.signals = std::move(s);
    e.state = i % 5 == 0 ? ReviewState::flagged : ReviewState::keeper;
    e.groupID = "group-" + std::to_string(i / 4);
    e.reason = i % 5 == 0 ? Reason::flaggedNearIdentical : Reason::keptSharper;
    e.decidedAt = Date{700000000.0 + i};
    return e;
}

struct Measured {
    LibraryIndex index;
    std::size_t heapBytes = 0;
};

std::size_t entryCount(const benchmark::State& state) {
    return static_cast<std::size_t>(state.range(0));
}

// The index of one size at a time: the benchmarks run size by size.
const Measured& measuredIndex(const benchmark::State& state) {
    static std::unique_ptr<Measured> measured;
    const std::size_t count = entryCount(state);
    if (!measured || measured->index.count() != count) {
        measured.reset();
        std::mt19937 random(42);
        measured = std::make_unique<Measured>(
            Measured{LibraryIndex::fresh(LibraryIndex::currentSignature())});
        std::vector<IndexEntry> made;
        for (std::size_t i = 0; i < count; ++i)
            made.push_back(measuredEntry(static_cast<int>(i), random));
        // The index's own heap: a copy of the entries into a fresh map.
        bench::HeapWindow window;
        for (const auto& e : made)
            measured->index.entries.emplace(e.asset.id, e);
        measured->heapBytes = window.held();
    }
    return *measured;
}

// The text of a save as the storage takes it, part by part, without the disk.
void BM_IndexSave(benchmark::State& state) {
    const Measured& m = measuredIndex(state);
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        m.index.encodeInParts([&bytes](std::string_view part) {
            bytes += part.size();
            benchmark::DoNotOptimize(part.data());
        });
    }
    state.counters["fileMB"] = static_cast<double>(bytes) / 1e6;
}

// Peak heap while the text is made and handed on, against the index's own heap.
void BM_IndexSavePeak(benchmark::State& state) {
    const Measured& m = measuredIndex(state);
    std::size_t peakExtra = 0;
    for (auto _ : state) {
        bench::HeapWindow window;
        m.index.encodeInParts([](std::string_view part) { benchmark::DoNotOptimize(part.data()); });
        peakExtra = std::max(peakExtra, window.peak());
    }
    state.counters["indexMB"] = static_cast<double>(m.heapBytes) / 1e6;
    state.counters["savePeakMB"] = static_cast<double>(m.heapBytes + peakExtra) / 1e6;
    state.counters["peakOverIndex"] =
        static_cast<double>(m.heapBytes + peakExtra) / static_cast<double>(m.heapBytes);
}

// A whole save through the live storage into a temporary folder, flushed to disk.
void BM_IndexSaveToFile(benchmark::State& state) {
    const Measured& m = measuredIndex(state);
    const bench::ScratchFolder folder("keepsift-bench");
    auto storage =
        std::make_shared<ApplicationSupportStorage>(ApplicationSupportStorage::inDirectory(folder));
    IndexFiles files(storage);
    for (auto _ : state)
        files.saveIndex(m.index);
}

void BM_IndexLoad(benchmark::State& state) {
    const std::string text = measuredIndex(state).index.encoded();
    for (auto _ : state) {
        LibraryIndex index = LibraryIndex::decode(text);
        benchmark::DoNotOptimize(index);
        if (index.count() != entryCount(state)) state.SkipWithError("wrong entry count");
        // Freeing the index is not part of loading it.
        state.PauseTiming();
        LibraryIndex dropped = std::move(index);
        dropped.entries.clear();
        state.ResumeTiming();
    }
}

// A listing of the whole library against the full index: nothing changed, one pass each.
void BM_ReconcileUnchanged(benchmark::State& state) {
    LibraryIndex index = measuredIndex(state).index;
    std::vector<LibraryAsset> listing;
    for (const auto& [id, entry] : index.entries)
        listing.push_back(entry.asset);
    for (auto _ : state) {
        const auto result = index.reconcile(listing, Date{800000000});
        if (!result.isEmpty()) state.SkipWithError("listing changed the index");
    }
}

// One measured entry with faces: through the value tree, and straight from the text.
template <class Read> void readEntry(benchmark::State& state, Read read) {
    std::mt19937 random(1);
    const std::string text = measuredEntry(3, random).toJson(DateForm::iso8601).dump();
    for (auto _ : state) {
        IndexEntry e = read(text);
        benchmark::DoNotOptimize(e);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
void BM_EntryReadViaTree(benchmark::State& state) {
    readEntry(state, [](const std::string& t) {
        return IndexEntry::fromJson(Json::parse(t), DateForm::iso8601);
    });
}
void BM_EntryReadDirect(benchmark::State& state) {
    readEntry(state, readIndexEntry);
}

void BM_JournalAppend(benchmark::State& state) {
    IndexEntry e;
    e.asset.id = "B84E8479-475C-4727-A4A4-B77AA9980897/L0/001";
    e.asset.filename = "IMG_1234.HEIC";
    e.reason = Reason::flaggedBlurred;
    for (auto _ : state) {
        ReviewJournal journal;
        for (int i = 0; i < static_cast<int>(entryCount(state)); ++i)
            journal.record(i % 50 == 0 ? ReviewJournal::Event::deleted
                                       : ReviewJournal::Event::flagged,
                           e, Date{700000000.0 + i});
        benchmark::DoNotOptimize(journal);
    }
}

// A folder of copies of one picture, each reviewed, moved by copy then removal: every copy
// left and every new one holds the same bytes, so all fall in one pairing.
void BM_MatchIdenticalCopies(benchmark::State& state) {
    const auto count = entryCount(state);
    std::vector<LibraryAsset> assets(2 * count);
    std::vector<Departure> departures;
    std::vector<Arrival> arrivals;
    ContentDigests read;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = "IMG_" + std::to_string(1000 + i) + ".jpg";
        assets[i].id = "Scans/" + name;
        assets[count + i].id = "Moved/Scans/" + name;
        assets[i].fileSize = assets[count + i].fileSize = 40000;
        departures.push_back({assets[i].id, &assets[i], true, "same-picture", true, 1});
        arrivals.push_back({&assets[count + i], std::nullopt});
        read.emplace(assets[count + i].id, "same-picture");
    }
    for (auto _ : state) {
        const auto matches = matchReturns(arrivals, departures, read);
        if (matches.size() != count) state.SkipWithError("a copy was not paired");
    }
}

void registerAll(const std::vector<std::int64_t>& sizes) {
    const auto add = [](const char* name, void (*run)(benchmark::State&), std::int64_t size) {
        return benchmark::RegisterBenchmark(name, run)->Arg(size)->MeasureProcessCPUTime()->Unit(
            benchmark::kMillisecond);
    };
    for (const auto size : sizes) {
        add("BM_IndexSave", BM_IndexSave, size)->Iterations(5);
        add("BM_IndexSavePeak", BM_IndexSavePeak, size)->Iterations(1);
        add("BM_IndexSaveToFile", BM_IndexSaveToFile, size)->Iterations(3);
        add("BM_IndexLoad", BM_IndexLoad, size)->Iterations(5);
        add("BM_ReconcileUnchanged", BM_ReconcileUnchanged, size);
        add("BM_JournalAppend", BM_JournalAppend, size);
    }
    for (const std::int64_t copies : {1000, 4000})
        add("BM_MatchIdenticalCopies", BM_MatchIdenticalCopies, copies);
    // One entry, whatever the library's size.
    add("BM_EntryReadViaTree", BM_EntryReadViaTree, 1)->Unit(benchmark::kNanosecond);
    add("BM_EntryReadDirect", BM_EntryReadDirect, 1)->Unit(benchmark::kNanosecond);
}

} // namespace
} // namespace keepsift

int main(int argc, char** argv) {
    keepsift::registerAll(keepsift::bench::takeSizes(argc, argv, {100000, 300000}));
    return keepsift::bench::runWithGrowth(argc, argv);
}
