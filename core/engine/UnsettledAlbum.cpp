#include "core/engine/UnsettledAlbum.hpp"

#include "core/engine/IdListText.hpp"

namespace keepsift {

std::string UnsettledAlbum::encoded() const {
    return encodedIdList("unsettled", ids);
}

std::optional<UnsettledAlbum> UnsettledAlbum::decode(std::string_view text) {
    auto decoded = decodedIdList("unsettled", text);
    if (!decoded) return std::nullopt;
    return UnsettledAlbum{std::move(*decoded)};
}

} // namespace keepsift
