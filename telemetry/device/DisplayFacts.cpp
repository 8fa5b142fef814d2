#include "telemetry/device/DisplayFacts.hpp"

namespace keepsift::analytics {

std::shared_ptr<DisplayFactsProvider> DisplayFactsProvider::shared() {
    static const auto provider = std::make_shared<DisplayFactsProvider>();
    return provider;
}

} // namespace keepsift::analytics
