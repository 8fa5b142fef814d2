#include "platform/library/SameEntryNames.hpp"

#include <sys/stat.h>

namespace keepsift {
namespace {

std::string folderOf(const std::string& relative) {
    const auto slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

std::string nameOf(const std::string& relative) {
    const auto slash = relative.rfind('/');
    return slash == std::string::npos ? relative : relative.substr(slash + 1);
}

std::string joined(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

} // namespace

SameEntryNames::SameEntryNames(std::string root, const std::vector<std::string>& listed,
                               std::set<std::string> moving)
    : root_(std::move(root)), listed_(listed.begin(), listed.end()), moving_(std::move(moving)) {
    std::set<std::string> folders;
    for (const std::string& relative : listed_)
        folders.insert(folderOf(relative));
    for (const std::string& folder : folders)
        if (const auto key = keyOf(folder)) folders_[*key].push_back(folder);
}

std::optional<SameEntryNames::FolderKey> SameEntryNames::keyOf(const std::string& folder) const {
    struct stat status {};
    const std::string path = folder.empty() ? root_ : root_ + "/" + folder;
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return FolderKey{static_cast<std::uint64_t>(status.st_dev),
                     static_cast<std::uint64_t>(status.st_ino)};
}

std::optional<std::string> SameEntryNames::stayingNameOf(const std::string& relative) const {
    const std::string folder = folderOf(relative);
    const auto key = keyOf(folder);
    if (!key) return std::nullopt;
    const auto same = folders_.find(*key);
    if (same == folders_.end()) return std::nullopt;
    for (const std::string& other : same->second) {
        if (other == folder) continue;
        std::string name = joined(other, nameOf(relative));
        if (listed_.contains(name) && !moving_.contains(name)) return name;
    }
    return std::nullopt;
}

} // namespace keepsift
