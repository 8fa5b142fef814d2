// What the catalogue cache writes when every file of a folder library is read back after a
// change of its status alone (`chmod -R`): 10,000 small JPEGs in 100 folders (--files=N says
// otherwise), each read back once in the order the engine reads them back. The figures are the
// bytes this process hands to write(2) for the cache database and its write-ahead log, as
// /proc/self/io counts them, for the read-back as the catalogue writes it (rows committed in
// batches), for one commit per file read back, and for one commit of every row, as a listing
// writes them; each carried over to 100,000 photographs.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/library/DatedJpeg.hpp"
#include "bench/scaling/ScaledRun.hpp"
#include "bench/scratch/ScratchFolder.hpp"
#include "platform/imaging/tests/ReadCounting.hpp"
#include "platform/library/FolderPhotoLibrary.hpp"
#include "platform/library/MetadataCache.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;

constexpr double projected = 100000;
constexpr int folders = 100;

// Bytes this process has passed to write(2) and its kin so far.
std::int64_t bytesWritten() {
    return testing::processIo("wchar:");
}

struct Library {
    bench::ScratchFolder base{"cache-writes"};
    int files;

    explicit Library(int count) : files(count) {
        DatedJpeg jpeg;
        for (int i = 0; i < files; ++i) {
            const auto folder = root() / ("day" + std::to_string(i % folders));
            fs::create_directories(folder);
            jpeg.write(folder / ("IMG_" + std::to_string(i) + ".jpg"), 21, 1 + i % 12, 1 + i % 28,
                       i / 3600 % 24, i / 60 % 60, i % 60);
        }
    }

    fs::path root() const { return base / "Pictures"; }

    // Listed once with a fresh cache, then every file's permissions changed.
    std::unique_ptr<FolderPhotoLibrary> listedThenChmodded(const std::string& name) const {
        fs::remove(base / name);
        FolderLibraryOptions options;
        options.root = root();
        options.catalogueFile = base / name;
        options.mountsFile = base / (name + ".mounts");
        options.consentFile = base / "consent.json";
        options.homeTrash = base / "Trash";
        options.watcher.useInotify = false;
        auto library = std::make_unique<FolderPhotoLibrary>(options);
        library->fetchImageAssets();
        for (const auto& file : fs::recursive_directory_iterator(root()))
            if (file.is_regular_file())
                fs::permissions(file.path(), fs::perms::group_write, fs::perm_options::add);
        return library;
    }

    // What the cache learns of each file read back, by relative path, in the order the engine
    // reads them back: by identifier.
    std::vector<std::pair<std::string, MetadataCache::Entry>> rows() const {
        std::vector<std::pair<std::string, MetadataCache::Entry>> learnt;
        for (const auto& file : fs::recursive_directory_iterator(root())) {
            if (!file.is_regular_file()) continue;
            FileStamp stamp;
            stampOf(file.path().string(), stamp);
            learnt.push_back({fs::relative(file.path(), root()).string(),
                              {stamp, readImageFacts(file.path().string())}});
        }
        std::sort(learnt.begin(), learnt.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        return learnt;
    }
};

// Every photograph read back as the engine reads it: looked up, then its bytes handed over
// whole. The library is closed within the figure.
std::int64_t readBack(std::unique_ptr<FolderPhotoLibrary> library) {
    auto assets = library->fetchImageAssets();
    std::sort(assets.begin(), assets.end(),
              [](const auto& a, const auto& b) { return a.localIdentifier < b.localIdentifier; });
    const auto before = bytesWritten();
    for (const auto& listed : assets)
        for (const auto& asset : library->fetchAssetsWithLocalIdentifiers({listed.localIdentifier}))
            library->requestData(
                asset, asset.resources.front(), false, [](const auto&) {}, [](auto) {});
    library.reset();
    return bytesWritten() - before;
}

void report(const char* what, std::int64_t bytes, int files) {
    std::printf("%-44s %10.2f MB   at 100,000 photos: %8.3f GB\n", what, bytes / 1e6,
                bytes / 1e9 * projected / files);
}

} // namespace
} // namespace keepsift

int main(int argc, char** argv) {
    using namespace keepsift;
    const int files = std::stoi(bench::takeOption(argc, argv, "files", "10000"));
    const Library library(files);

    const auto batched = readBack(library.listedThenChmodded("batched.sqlite"));
    const auto rows = library.rows();
    // Each with the cache closed, as the catalogue's is, within the figure.
    const auto written = [&](const char* name, std::size_t rowsPerCommit) {
        library.listedThenChmodded(name);
        auto cache = std::make_unique<MetadataCache>(library.base / name);
        const auto before = bytesWritten();
        for (std::size_t from = 0; from < rows.size(); from += rowsPerCommit)
            cache->update({rows.begin() + static_cast<std::ptrdiff_t>(from),
                           rows.begin() + static_cast<std::ptrdiff_t>(
                                              std::min(rows.size(), from + rowsPerCommit))},
                          {});
        cache.reset();
        return bytesWritten() - before;
    };
    const auto perFile = written("per-file.sqlite", 1);
    const auto together = written("together.sqlite", rows.size());

    std::printf("read-back of %d photographs after chmod -R, bytes written to the cache\n", files);
    report("one commit per file read back", perFile, files);
    report("read-back, rows committed in batches", batched, files);
    report("one commit of every row (a listing)", together, files);
    std::printf("batched against one commit: %.2fx; per file against one commit: %.2fx\n",
                static_cast<double>(batched) / static_cast<double>(together),
                static_cast<double>(perFile) / static_cast<double>(together));
    return 0;
}
