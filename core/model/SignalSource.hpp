#pragma once

#include <optional>

#include "core/model/AssetReference.hpp"
#include "core/model/PhotoSignals.hpp"

namespace keepsift {

// Measures one photograph. Never throws: a failure is an absent answer.
class SignalSource {
public:
    virtual ~SignalSource() = default;
    virtual std::optional<PhotoSignals> signals(const AssetReference& reference) = 0;
    // A measurement of a reduced rendition already held locally, made without network access.
    virtual std::optional<PhotoSignals> derivativeSignals(const AssetReference&) {
        return std::nullopt;
    }
};

} // namespace keepsift
