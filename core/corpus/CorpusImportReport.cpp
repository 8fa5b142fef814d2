#include "core/corpus/CorpusImport.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift::CorpusImport {
namespace {

// Fills to the width in characters; a value already that wide gets one space.
std::string padded(const std::string& text, size_t width) {
    const size_t count = unicode::characterCount(text);
    return text + std::string(count >= width ? 1 : width - count, ' ');
}

std::string overrodeText(const std::optional<bool>& humanOverrode) {
    if (!humanOverrode) return "\u2014";
    return *humanOverrode ? "yes" : "no";
}

std::string row(const Move& move) {
    return "  " + padded(move.staged, 18) + "\u2192  " + padded(move.destination, 9) +
           padded(std::to_string(move.photographs), 8) + padded(std::to_string(move.winners), 9) +
           overrodeText(move.humanOverrode);
}

} // namespace

std::string report(const std::vector<Move>& moves) {
    if (moves.empty()) return "nothing to import";
    std::string text = "  staged            \u2192  folder   photos  winners  human overrode\n  ";
    for (int i = 0; i < 60; ++i)
        text += "\u2500";
    for (const auto& move : moves) {
        text += '\n';
        text += row(move);
    }
    return text;
}

} // namespace keepsift::CorpusImport
