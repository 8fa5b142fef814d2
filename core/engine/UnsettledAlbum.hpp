#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace keepsift {

// Photographs whose membership of the rejects album the engine cannot vouch for: an album
// write of its own began on them and its outcome is not known (it failed part way, or the
// program was killed in it), or their storage went away and their links with it. Stored
// before the write, so that a later launch knows them too. The next listing that shows them
// is taken as it is, never as the user's decision.
struct UnsettledAlbum {
    static constexpr std::string_view fileName = "album-unsettled.json";

    std::set<std::string> ids;

    std::string encoded() const;
    // Nothing when the text holds no such list.
    static std::optional<UnsettledAlbum> decode(std::string_view text);
};

} // namespace keepsift
