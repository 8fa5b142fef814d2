#include "photos/corpus-tool/CorpusFolders.hpp"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>

#include "core/support/Unicode.hpp"
#include "photos/corpus-tool/ToolError.hpp"
#include "platform/files/AtomicFile.hpp"

namespace keepsift::corpustool {
namespace {

constexpr std::array<std::string_view, 20> imageExtensions{
    "jpg", "jpeg", "heic", "heif", "avif", "png", "tif", "tiff", "webp", "gif",
    "dng", "cr2",  "cr3",  "nef",  "arw",  "orf", "rw2", "raf",  "pef",  "srw"};

bool isHidden(const fs::path& path) {
    return fileName(path).starts_with(".");
}

bool isImageFile(const fs::path& path) {
    std::string extension = path.extension().string();
    if (extension.empty()) return false;
    extension = unicode::lowercased(extension.substr(1));
    return std::find(imageExtensions.begin(), imageExtensions.end(), extension) !=
           imageExtensions.end();
}

template <class Keep> std::vector<fs::path> visibleEntries(const fs::path& folder, Keep keep) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) throw BadInput(folder.string() + " is not a folder");
    std::vector<fs::path> entries;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (!isHidden(entry.path()) && keep(entry)) entries.push_back(entry.path());
    if (error) throw BadInput(folder.string() + " cannot be listed: " + error.message());
    std::sort(entries.begin(), entries.end(), [](const fs::path& a, const fs::path& b) {
        return unicode::less(fileName(a), fileName(b));
    });
    return entries;
}

} // namespace

std::string fileName(const fs::path& path) {
    return path.filename().string();
}

std::vector<fs::path> subfolders(const fs::path& folder) {
    return visibleEntries(folder, [](const fs::directory_entry& e) { return e.is_directory(); });
}

std::vector<fs::path> photographFiles(const fs::path& folder) {
    return visibleEntries(folder, [](const fs::directory_entry& e) {
        return e.is_regular_file() && isImageFile(e.path());
    });
}

std::optional<CorpusCapture::Manifest> readManifest(const fs::path& folder) {
    const fs::path file = folder / std::string(CorpusCapture::manifestFilename);
    std::error_code error;
    if (!fs::exists(file, error)) return std::nullopt;
    try {
        return CorpusCapture::Manifest::decode(readFile(file));
    } catch (const JsonError& failure) {
        throw BadInput(file.string() + " does not read as a capture manifest: " + failure.what());
    }
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (!in.good() && !in.eof()) throw BadInput(file.string() + " cannot be read");
    return bytes;
}

void writeFileAtomically(const fs::path& file, const std::string& bytes) {
    try {
        replaceFileAtomically(file, bytes);
    } catch (const std::system_error&) {
        throw BadInput(file.string() + " cannot be written");
    }
}

} // namespace keepsift::corpustool
