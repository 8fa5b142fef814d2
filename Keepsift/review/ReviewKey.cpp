#include "Keepsift/review/ReviewKey.hpp"

namespace keepsift::app {

std::optional<ReviewKey> reviewKeyFor(NamedKey named, char32_t lowered, int digitValue) {
    using Kind = ReviewKey::Kind;
    switch (named) {
    case NamedKey::returnKey:
    case NamedKey::enter:
        return ReviewKey::of(Kind::commit);
    case NamedKey::space:
        return ReviewKey::of(Kind::toggleCompare);
    case NamedKey::escape:
        return ReviewKey::of(Kind::close);
    case NamedKey::down:
        return ReviewKey::of(Kind::nextGroup);
    case NamedKey::up:
        return ReviewKey::of(Kind::previousGroup);
    case NamedKey::other:
        break;
    }
    if (digitValue >= 1 && digitValue <= 9) return ReviewKey::photoAt(digitValue);
    if (lowered == U's') return ReviewKey::of(Kind::toggleSelection);
    return std::nullopt;
}

} // namespace keepsift::app
