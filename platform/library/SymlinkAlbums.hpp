#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/library/Catalogue.hpp"
#include "platform/library/PhotoLibraryPort.hpp"
#include "platform/library/StrayLinks.hpp"

namespace keepsift {

inline constexpr const char* rejectsAlbumTitle = "Keepsift — Rejects";

// Albums as folders of relative symbolic links to library photographs. A folder is an
// album when it holds a link, and the top-level rejects folder is one even while empty.
// An album's identifier is its folder's relative path; its title is the folder's name.
class SymlinkAlbums {
public:
    explicit SymlinkAlbums(Catalogue& catalogue) : catalogue_(catalogue) {}

    // Top-level albums first, then deeper ones, each level by path.
    std::vector<PortAssetCollection> all();
    bool exists(const PortAssetCollection& album);
    std::vector<std::string> members(const PortAssetCollection& album);
    // The same, each with when its newest link was made: the link's change time, given only
    // where the system keeps it, for the link and for the photograph's file alike.
    std::vector<PortMember> membersWithTimes(const PortAssetCollection& album);
    // The album's folder relative to the root, as it is on disk.
    std::string folderOf(const PortAssetCollection& album) const;

    // The calls below name an album by its folder on disk.
    // Links in the album that name these photographs, by identifier.
    std::map<std::string, std::vector<Place>> linksTo(const std::string& albumFolder,
                                                      const std::vector<CatalogueItem>& items);

    // Each write stops at the first failure and answers its errno value (EPERM: the album's
    // folder is another user's, ENOTDIR: something else blocks its name); links already
    // made or removed stay as they are, and nothing else is touched. A removal also takes out
    // the links of `departed` photographs (gone from the library) whose named paths hold no
    // file now (nothing, or another link), but those to
    // storage that is away.
    int create(const std::string& title);
    // Points each link that leads nowhere below a moved mount point at the same path below
    // where it is mounted now, where a photograph is, unless the times show it made no later
    // than that file last changed.
    void followMovedMounts(const std::string& albumFolder, const MountMoves& moves);
    int add(const std::string& albumFolder, const std::vector<CatalogueItem>& items);
    int remove(const std::string& albumFolder, const std::vector<CatalogueItem>& items,
               const std::vector<std::string>& departed);

private:
    struct Link {
        // What lies at the path named: a file or folder, another link, storage that cannot be
        // looked at now, or nothing (also for a link that leads out of the library).
        enum class Reach { file, link, away, nothing };
        Place place;
        // The path the link names, relative to the root; empty when it leads out of it.
        std::string named;
        Reach reach = Reach::nothing;
        // Nothing at its named path, or another link in place of the file it was made for.
        bool namesNoFile() const {
            return !named.empty() && (reach == Reach::nothing || reach == Reach::link);
        }
    };
    static Link::Reach reachOf(const Place& named);
    // A real folder there that is the user's own, not another user's.
    bool isOwnFolder(const std::string& relative);
    std::vector<Link> resolvedLinks(const std::string& albumFolder);
    std::vector<std::string> membersIn(const std::string& albumFolder);
    // By identifier, with the newest proven link time when `timed`.
    std::map<std::string, std::optional<std::int64_t>> linkedIn(const std::string& albumFolder,
                                                                bool timed);
    // Links whose photograph is gone (its path empty, or a link now) are removed with it, and those
    // to storage that is away (an unmounted card) stay until it is back. Links the user made to
    // anything else stay. A link that cannot be removed does not hold up the write.
    void removeDanglingLinks(const std::string& albumFolder,
                             const std::vector<std::string>& departed);

    Catalogue& catalogue_;
    StrayLinks strayLinks_;
};

} // namespace keepsift
