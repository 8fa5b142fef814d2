#pragma once

#include <optional>
#include <string>

namespace keepsift {

// What could be read of a file: the value made of every part that reads cleanly, and what
// was wrong with the rest when anything had to be dropped.
template <class T> struct Salvaged {
    T value;
    std::optional<std::string> damage;

    // Records the first fault; the later ones add nothing a reader could act on.
    void note(std::string what) {
        if (!damage) damage = std::move(what);
    }
};

} // namespace keepsift
