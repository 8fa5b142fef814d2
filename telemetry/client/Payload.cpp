#include "telemetry/client/Payload.hpp"

#include <algorithm>

#include "telemetry/client/ReservedNames.hpp"

namespace keepsift::analytics {

Payload::Payload(ParameterMap all) : Payload(nullptr, all) {}

Payload::Payload(std::shared_ptr<const ParameterMap> base, const ParameterMap& over)
    : base_(std::move(base)) {
    over_.reserve(over.size());
    for (const auto& [key, value] : over)
        over_.emplace_back(key, value);
}

ParameterMap Payload::merged() const {
    ParameterMap all;
    forEach([&](const std::string& key, const std::string& value) {
        all.emplace_hint(all.end(), key, value);
    });
    return all;
}

std::size_t Payload::size() const {
    std::size_t count = 0;
    forEach([&](const std::string&, const std::string&) { ++count; });
    return count;
}

bool operator==(const Payload& a, const Payload& b) {
    if (a.base_ == b.base_ && a.over_ == b.over_) return true;
    std::vector<std::pair<const std::string*, const std::string*>> left;
    a.forEach([&](const std::string& k, const std::string& v) { left.emplace_back(&k, &v); });
    std::size_t at = 0;
    bool equal = true;
    b.forEach([&](const std::string& k, const std::string& v) {
        if (!equal) return;
        if (at >= left.size() || *left[at].first != k || *left[at].second != v) equal = false;
        ++at;
    });
    return equal && at == left.size();
}

std::shared_ptr<const ParameterMap> SharedDefaults::share(ParameterMap defaults) {
    if (!last_ || *last_ != defaults)
        last_ = std::make_shared<const ParameterMap>(std::move(defaults));
    return last_;
}

std::shared_ptr<const ParameterMap> SharedDefaults::share(const Payload::Entries& defaults) {
    if (last_ && last_->size() == defaults.size() &&
        std::equal(defaults.begin(), defaults.end(), last_->begin(),
                   [](const auto& a, const auto& b) {
                       return a.first == b.first && a.second == b.second;
                   }))
        return last_;
    return share(ParameterMap(defaults.begin(), defaults.end()));
}

bool isDefaultParameterKey(const std::string& key) {
    return key.starts_with("Analytics.") || key == "extensionIdentifier" ||
           std::find(reservedNames.begin(), reservedNames.end(), key) != reservedNames.end();
}

} // namespace keepsift::analytics
