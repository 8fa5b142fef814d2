#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "bench/index/HeapCounter.hpp"
#include "core/index/IndexEntryReader.hpp"
#include "core/index/IndexFiles.hpp"
#include "core/index/LibraryIndex.hpp"
#include "core/index/ReviewJournal.hpp"
#include "system/storage/ApplicationSupportStorage.hpp"

namespace keepsift {
namespace {

constexpr int entryCount = 100'000;
constexpr int printLength = 435;

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

const Measured& measuredIndex() {
    static const Measured measured = [] {
        std::mt19937 random(42);
        Measured m{LibraryIndex::fresh(LibraryIndex::currentSignature())};
        std::vector<IndexEntry> made;
        for (int i = 0; i < entryCount; ++i)
            made.push_back(measuredEntry(i, random));
        // The index's own heap: a copy of the entries into a fresh map.
        bench::HeapWindow window;
        for (const auto& e : made)
            m.index.entries.emplace(e.asset.id, e);
        m.heapBytes = window.held();
        return m;
    }();
    return measured;
}

// The text of a save as the storage takes it, part by part, without the disk.
void BM_IndexSave(benchmark::State& state) {
    const Measured& m = measuredIndex();
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
BENCHMARK(BM_IndexSave)->Unit(benchmark::kMillisecond)->Iterations(5);

// Peak heap while the text is made and handed on, against the index's own heap.
void BM_IndexSavePeak(benchmark::State& state) {
    const Measured& m = measuredIndex();
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
BENCHMARK(BM_IndexSavePeak)->Unit(benchmark::kMillisecond)->Iterations(1);

// A whole save through the live storage into a temporary folder, flushed to disk.
void BM_IndexSaveToFile(benchmark::State& state) {
    const Measured& m = measuredIndex();
    std::string folder =
        (std::filesystem::temp_directory_path() / "keepsift-bench-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) return state.SkipWithError("no temporary folder");
    auto storage =
        std::make_shared<ApplicationSupportStorage>(ApplicationSupportStorage::inDirectory(folder));
    IndexFiles files(storage);
    for (auto _ : state)
        files.saveIndex(m.index);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_IndexSaveToFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_IndexLoad(benchmark::State& state) {
    const std::string text = measuredIndex().index.encoded();
    for (auto _ : state) {
        LibraryIndex index = LibraryIndex::decode(text);
        benchmark::DoNotOptimize(index);
        if (index.count() != entryCount) state.SkipWithError("wrong entry count");
        // Freeing the index is not part of loading it.
        state.PauseTiming();
        LibraryIndex dropped = std::move(index);
        dropped.entries.clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_IndexLoad)->Unit(benchmark::kMillisecond)->Iterations(5);

// A listing of the whole library against the full index: nothing changed, one pass each.
void BM_ReconcileUnchanged(benchmark::State& state) {
    LibraryIndex index = measuredIndex().index;
    std::vector<LibraryAsset> listing;
    for (const auto& [id, entry] : index.entries)
        listing.push_back(entry.asset);
    for (auto _ : state) {
        const auto result = index.reconcile(listing, Date{800000000});
        if (!result.isEmpty()) state.SkipWithError("listing changed the index");
    }
}
BENCHMARK(BM_ReconcileUnchanged)->Unit(benchmark::kMillisecond);

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
BENCHMARK(BM_EntryReadViaTree);
BENCHMARK(BM_EntryReadDirect);

void BM_JournalAppend(benchmark::State& state) {
    IndexEntry e;
    e.asset.id = "B84E8479-475C-4727-A4A4-B77AA9980897/L0/001";
    e.asset.filename = "IMG_1234.HEIC";
    e.reason = Reason::flaggedBlurred;
    for (auto _ : state) {
        ReviewJournal journal;
        for (int i = 0; i < entryCount; ++i)
            journal.record(i % 50 == 0 ? ReviewJournal::Event::deleted
                                       : ReviewJournal::Event::flagged,
                           e, Date{700000000.0 + i});
        benchmark::DoNotOptimize(journal);
    }
}
BENCHMARK(BM_JournalAppend)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace keepsift
