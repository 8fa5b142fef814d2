#include "FolderLibraryFixture.hpp"

#include <exiv2/exiv2.hpp>
#include <sstream>
#include <turbojpeg.h>

#include "platform/imaging/ExivAccess.hpp"

namespace keepsift::foldertest {

void writeJpeg(const std::filesystem::path& path, const JpegOptions& options) {
    std::filesystem::create_directories(path.parent_path());
    std::vector<unsigned char> pixels(static_cast<size_t>(options.width * options.height * 3), 90);
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, pixels.data(), options.width, 0, options.height, TJPF_RGB, &jpeg, &size,
                TJSAMP_444, 80, 0);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg), static_cast<std::streamsize>(size));
    tjFree(jpeg);
    tjDestroy(handle);
    if (!options.dateTimeOriginal && !options.orientation && !options.rating) return;
    // Libraries under test may be listing in the background.
    auto exiv = enterExiv2();
    auto image = Exiv2::ImageFactory::open(path.string());
    image->readMetadata();
    if (options.dateTimeOriginal)
        image->exifData()["Exif.Photo.DateTimeOriginal"] = *options.dateTimeOriginal;
    if (options.orientation)
        image->exifData()["Exif.Image.Orientation"] = static_cast<uint16_t>(*options.orientation);
    if (options.rating) image->xmpData()["Xmp.xmp.Rating"] = *options.rating;
    image->writeMetadata();
}

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void FolderLibraryTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "folderlib-XXXXXX").string();
    base = ::mkdtemp(pattern.data());
    root = base / "Pictures";
    std::filesystem::create_directories(root);
    ::setenv("XDG_CACHE_HOME", (base / "cache").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (base / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (base / "data").c_str(), 1);
}

void FolderLibraryTest::TearDown() {
    std::filesystem::remove_all(base);
}

FolderLibraryOptions FolderLibraryTest::options() const {
    FolderLibraryOptions options;
    options.root = root;
    options.catalogueFile = defaultCatalogueFile();
    options.consentFile = defaultConsentFile();
    options.homeTrash = defaultHomeTrash();
    options.ops = fs;
    options.deletionConfirmation = confirmation;
    options.watcher.interval = std::chrono::milliseconds(200);
    options.watcher.settle = std::chrono::milliseconds(20);
    options.watcher.pollInterval = std::chrono::milliseconds(100);
    return options;
}

std::unique_ptr<FolderPhotoLibrary> FolderLibraryTest::makeLibrary(FolderLibraryOptions options) {
    return std::make_unique<FolderPhotoLibrary>(std::move(options));
}

std::vector<std::string> FolderLibraryTest::ids(const std::vector<PortAsset>& assets) const {
    std::vector<std::string> result;
    for (const auto& asset : assets)
        result.push_back(asset.localIdentifier);
    return result;
}

const PortAsset& FolderLibraryTest::find(const std::vector<PortAsset>& assets,
                                         const std::string& id) const {
    for (const auto& asset : assets)
        if (asset.localIdentifier == id) return asset;
    throw std::runtime_error("no asset " + id);
}

std::pair<bool, std::optional<PortError>> FolderLibraryTest::change(PhotoLibraryPort& library,
                                                                    const PortChangeBlock& block) {
    std::pair<bool, std::optional<PortError>> answer{false, std::nullopt};
    library.performChanges(block, [&](bool success, std::optional<PortError> error) {
        answer = {success, std::move(error)};
    });
    return answer;
}

std::pair<bool, std::optional<PortError>>
FolderLibraryTest::remove(PhotoLibraryPort& library, const std::vector<std::string>& wanted,
                          const ReviewedContents& reviewed) {
    auto assets = library.fetchAssetsWithLocalIdentifiers(wanted);
    return change(library, [&](PortChangeRequests& r) { r.deleteAssets(assets, reviewed); });
}

std::optional<PortAssetCollection> FolderLibraryTest::rejects(PhotoLibraryPort& library) {
    auto albums = library.fetchRegularAlbumsTitled(rejectsAlbumTitle);
    if (albums.empty()) return std::nullopt;
    return albums.front();
}

void FolderLibraryTest::addToRejects(PhotoLibraryPort& library,
                                     const std::vector<std::string>& wanted) {
    auto assets = library.fetchAssetsWithLocalIdentifiers(wanted);
    auto [success, error] = change(library, [&](PortChangeRequests& requests) {
        if (auto album = rejects(library)) {
            if (auto* request = requests.changeRequestForAssetCollection(*album))
                request->addAssets(assets);
        } else {
            requests.creationRequestForAssetCollectionWithTitle(rejectsAlbumTitle);
        }
    });
    ASSERT_TRUE(success) << (error ? error->message : "");
}

} // namespace keepsift::foldertest
