#pragma once

// Photographs shipped in Debian packages (opencv-doc, python3-skimage), fetched with
// apt-get download on first use and unpacked beside the test binary. Shared by the analysis,
// extractor and benchmark binaries; absent when the package cannot be fetched.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace keepsift::samples {

struct Sample {
    const char* package;
    const char* path; // inside the package
};

inline const char* skimageData = "./usr/lib/python3/dist-packages/skimage/data/";
inline const char* opencvData = "./usr/share/doc/opencv-doc/examples/data/";

inline std::filesystem::path cacheRoot() {
    std::error_code error;
    auto binary = std::filesystem::read_symlink("/proc/self/exe", error);
    auto root = error ? std::filesystem::temp_directory_path() : binary.parent_path();
    return root / "sample-images";
}

inline void appendQuoted(std::string& command, const std::string& text) {
    command.append(" '").append(text).append("'");
}

// Unpacks the named members of one package into folder; true when they are all there.
inline bool unpack(const std::string& package, const std::vector<std::string>& members,
                   const std::filesystem::path& folder) {
    auto work = folder / "download";
    std::filesystem::create_directories(work);
    // Appended piece by piece: gcc 12 misreads chained string additions at -O3.
    std::string command = "cd";
    appendQuoted(command, work.string());
    command.append(" && apt-get download -qq ").append(package);
    command.append(" >/dev/null 2>&1 && dpkg-deb --fsys-tarfile ").append(package);
    command.append("_*.deb | tar -x -C");
    appendQuoted(command, folder.string());
    for (const auto& member : members)
        appendQuoted(command, member);
    command.append(" 2>/dev/null");
    int status = std::system(command.c_str());
    std::filesystem::remove_all(work);
    return status == 0;
}

// The local path of every sample, in order; absent when any could not be fetched. Samples
// from folders too large to unpack whole (a package's HTML manual) come out one file at a
// time instead.
inline std::optional<std::vector<std::filesystem::path>>
fetch(const std::vector<std::pair<std::string, std::string>>& wanted, bool wholeFolders = true) {
    auto root = cacheRoot();
    std::filesystem::create_directories(root);
    // Test processes run side by side; one of them downloads while the others wait.
    int lock = ::open((root / ".lock").c_str(), O_CREAT | O_RDWR, 0644);
    if (lock >= 0) ::flock(lock, LOCK_EX);
    // A whole sample folder comes out at once, so each package is downloaded only once.
    std::map<std::string, std::set<std::string>> missing;
    for (const auto& [package, member] : wanted)
        if (!std::filesystem::exists(root / package / member))
            missing[package].insert(
                wholeFolders ? std::filesystem::path(member).parent_path().string() + "/" : member);
    for (const auto& [package, folders] : missing)
        unpack(package, {folders.begin(), folders.end()}, root / package);
    if (lock >= 0) ::close(lock);
    std::vector<std::filesystem::path> paths;
    for (const auto& [package, member] : wanted) {
        paths.push_back(root / package / member);
        if (!std::filesystem::exists(paths.back())) return std::nullopt;
    }
    return paths;
}

inline std::optional<std::filesystem::path> fetchOne(const std::string& package,
                                                     const std::string& member) {
    auto paths = fetch({{package, member}});
    if (!paths) return std::nullopt;
    return paths->front();
}

inline std::optional<std::filesystem::path> astronaut() {
    return fetchOne("python3-skimage", std::string(skimageData) + "astronaut.png");
}

inline const char* unavailable = "Debian sample images could not be fetched with apt-get download";

} // namespace keepsift::samples
