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
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/library/DatedJpeg.hpp"
#include "bench/scaling/ScaledRun.hpp"
#include "platform/library/Catalogue.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;

constexpr double projected = 100000;
constexpr int folders = 100;

// Bytes this process has passed to write(2) and its kin so far.
std::int64_t bytesWritten() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::int64_t value = 0;
    while (io >> key >> value)
        if (key == "wchar:") return value;
    return 0;
}

struct Library {
    fs::path base;
    int files;

    explicit Library(int count) : files(count) {
        std::string pattern = (fs::temp_directory_path() / "cache-writes-XXXXXX").string();
        base = ::mkdtemp(pattern.data());
        DatedJpeg jpeg;
        for (int i = 0; i < files; ++i) {
            const auto folder = root() / ("day" + std::to_string(i % folders));
            fs::create_directories(folder);
            jpeg.write(folder / ("IMG_" + std::to_string(i) + ".jpg"), 21, 1 + i % 12, 1 + i % 28,
                       i / 3600 % 24, i / 60 % 60, i % 60);
        }
    }
    ~Library() { fs::remove_all(base); }

    fs::path root() const { return base / "Pictures"; }

    // Listed once into a fresh cache, then every file's permissions changed.
    std::unique_ptr<Catalogue> listedThenChmodded(const std::string& name) const {
        fs::remove(base / name);
        auto catalogue = std::make_unique<Catalogue>(root(), std::make_shared<FileSystemOps>(),
                                                     base / name, base / (name + ".mounts"));
        catalogue->all();
        for (const auto& file : fs::recursive_directory_iterator(root()))
            if (file.is_regular_file())
                fs::permissions(file.path(), fs::perms::group_write, fs::perm_options::add);
        return catalogue;
    }
};

// In the order the engine reads them back: by identifier.
std::vector<CatalogueAsset> byIdentifier(std::vector<CatalogueAsset> assets) {
    std::sort(assets.begin(), assets.end(),
              [](const auto& a, const auto& b) { return a.item.id < b.item.id; });
    return assets;
}

// The bytes `write` hands to the system, with the catalogue destroyed (its cache closed).
std::int64_t
bytesOf(std::unique_ptr<Catalogue> catalogue,
        const std::function<void(Catalogue&, const std::vector<CatalogueAsset>&)>& write) {
    const auto assets = byIdentifier(catalogue->all());
    const auto before = bytesWritten();
    write(*catalogue, assets);
    catalogue.reset();
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

    const auto batched = bytesOf(library.listedThenChmodded("batched.sqlite"),
                                 [](Catalogue& catalogue, const auto& assets) {
                                     for (const auto& asset : assets)
                                         catalogue.noteReadWhole(asset.item, asset.item.primary());
                                 });
    // The rows the read-back writes, as the catalogue learns them, each in its own commit or
    // all in one.
    std::vector<std::pair<std::string, MetadataCache::Entry>> rows;
    {
        auto catalogue = library.listedThenChmodded("rows.sqlite");
        for (const auto& asset : byIdentifier(catalogue->all())) {
            const auto relative = asset.item.relativePath(asset.item.primary());
            FileStamp stamp;
            stampOf(catalogue->absolute(relative), stamp);
            rows.push_back({relative, {stamp, readImageFacts(catalogue->absolute(relative))}});
        }
    }
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
