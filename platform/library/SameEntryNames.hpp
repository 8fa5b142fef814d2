#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace keepsift {

// The names a listing holds, grouped by the folder each is in as it is now (its drive and
// number). A folder mounted again since the listing gives one directory entry two listed
// names: moving the file through one takes it away from the other, where a hard link would
// leave the other name its file.
class SameEntryNames {
public:
    // `listed` and `moving` are relative to the root; the folders of `listed` are looked at
    // once, here.
    SameEntryNames(std::string root, const std::vector<std::string>& listed,
                   std::set<std::string> moving);

    // Another listed name of the very entry `relative` names now, that is not moving with
    // it; none when it has none.
    std::optional<std::string> stayingNameOf(const std::string& relative) const;

private:
    struct FolderKey {
        std::uint64_t device;
        std::uint64_t number;
        auto operator<=>(const FolderKey&) const = default;
    };
    std::optional<FolderKey> keyOf(const std::string& folder) const;

    std::string root_;
    std::set<std::string> listed_;
    std::set<std::string> moving_;
    std::map<FolderKey, std::vector<std::string>> folders_;
};

} // namespace keepsift
