#include "platform/library/TrashCheck.hpp"

#include <cerrno>
#include <sys/stat.h>

#include "platform/library/ChangeTimeKept.hpp"

namespace keepsift {
namespace {

FilesCheck checkOf(Holding holding) {
    switch (holding) {
    case Holding::reviewed:
        return FilesCheck::ready;
    case Holding::unreadable:
        return FilesCheck::unreadable;
    case Holding::other:
        break;
    }
    return FilesCheck::changed;
}

// A companion whose status alone was recorded, on a drive where it proves nothing: one whose
// status moved is changed; one that stands may still hold other bytes.
FilesCheck unprovenUnlessMoved(Holding holding) {
    return holding == Holding::reviewed ? FilesCheck::unproven : FilesCheck::changed;
}

// A path that cannot be looked at for another reason than its absence keeps its file unread.
FilesCheck checkOne(const std::string& root, const std::string& relative, bool primary,
                    const ReviewedFiles& reviewed, FileStamp& stamp) {
    struct stat info {};
    if (::lstat((root + "/" + relative).c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FilesCheck::gone : FilesCheck::unreadable;
    if (!S_ISREG(info.st_mode)) return primary ? FilesCheck::notAPhotograph : FilesCheck::changed;
    stamp = stampOf(info);
    const auto expected = reviewed.find(relative);
    const bool bytesKnown = expected != reviewed.end() && expected->second.bytes;
    if (!bytesKnown && !changeTimeKeptAt(root + "/" + relative))
        return primary || expected == reviewed.end()
                   ? FilesCheck::unproven
                   : unprovenUnlessMoved(holdingOf({root, relative}, expected->second, stamp));
    if (expected == reviewed.end()) return FilesCheck::ready;
    return checkOf(holdingOf({root, relative}, expected->second, stamp));
}

} // namespace

CheckedFiles checkFiles(const std::string& root, const CatalogueItem& item,
                        const ReviewedFiles& reviewed) {
    CheckedFiles checked;
    for (const CatalogueResource& resource : item.resources) {
        const bool primary = &resource == &item.primary();
        std::string relative = item.relativePath(resource);
        FileStamp stamp;
        const FilesCheck check = checkOne(root, relative, primary, reviewed, stamp);
        if (check == FilesCheck::gone && !primary) continue;
        if (check != FilesCheck::ready) return {check, {{std::move(relative), stamp}}};
        checked.files.emplace_back(std::move(relative), stamp);
    }
    return checked;
}

} // namespace keepsift
