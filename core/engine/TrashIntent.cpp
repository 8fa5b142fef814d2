#include "core/engine/TrashIntent.hpp"

#include "core/engine/IdListText.hpp"

namespace keepsift {

std::string TrashIntent::encoded() const {
    return encodedIdList("ids", ids);
}

std::optional<TrashIntent> TrashIntent::decode(std::string_view text) {
    auto decoded = decodedIdList("ids", text);
    if (!decoded) return std::nullopt;
    return TrashIntent{std::move(*decoded), std::nullopt, false};
}

} // namespace keepsift
