#pragma once

#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "platform/library/MetadataCache.hpp"
#include "platform/library/VanishedStorage.hpp"

namespace keepsift {

// The mount points below a library that were seen mounted on, kept in the catalogue cache:
// once a drive is unmounted the live table no longer names its folder, and it may be
// unmounted while Keepsift does not run.
class RememberedMounts {
public:
    struct Tables {
        std::string live = "/proc/self/mountinfo";
        std::string declared = "/etc/fstab";
    };

    explicit RememberedMounts(MetadataCache& cache);
    RememberedMounts(MetadataCache& cache, Tables tables)
        : cache_(cache), tables_(std::move(tables)) {}

    // After a listing: remembers the mount points below the root mounted on now, and forgets
    // those no longer mounted on whose folder holds photographs again (a plain folder now).
    void note(const std::string& root);
    // Mounted on now, and declared or remembered.
    StorageMounts now();

private:
    std::set<std::string>& rememberedLocked();

    MetadataCache& cache_;
    Tables tables_;
    std::mutex mutex_;
    std::optional<std::set<std::string>> remembered_;
};

} // namespace keepsift
