#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace keepsift {

// A delete batch that no longer holds the number of photographs the user confirmed.
struct BatchMoved : std::runtime_error {
    BatchMoved(std::int64_t promised, std::int64_t current)
        : std::runtime_error("the batch holds " + std::to_string(current) + " photographs, not " +
                             std::to_string(promised)),
          promised(promised), current(current) {}

    std::int64_t promised;
    std::int64_t current;

    bool operator==(const BatchMoved& other) const {
        return promised == other.promised && current == other.current;
    }
};

} // namespace keepsift
