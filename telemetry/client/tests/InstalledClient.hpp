#pragma once

#include <functional>
#include <string>

#include "ClientFixture.hpp"
#include "telemetry/client/Analytics.hpp"

namespace keepsift::analytics::testing {

// An installed client whose signals stay in its cache for the test to read. The address
// and the preparation of its configuration are the test's to choose.
struct InstalledClient : ClientFixture {
    std::shared_ptr<TelemetryManagerConfiguration> config;

    explicit InstalledClient(
        std::string baseURL = "http://127.0.0.1:9/",
        const std::function<void(TelemetryManagerConfiguration&)>& prepare = {})
        : config(configuration(std::move(baseURL))) {
        if (prepare) prepare(*config);
        Analytics::initialize(config);
        // The start's own send must not take the test's signals out of the cache.
        pipeline().waitUntilSent();
    }
    ~InstalledClient() override { Analytics::removeShared(); }

    SignalManager& pipeline() {
        return dynamic_cast<SignalManager&>(TelemetryManager::shared()->signalManager());
    }
    std::vector<SignalPostBody> cached() {
        pipeline().waitUntilProcessed();
        std::vector<SignalPostBody> all;
        for (auto batch = pipeline().signalCache().pop(); !batch.empty();
             batch = pipeline().signalCache().pop())
            all.insert(all.end(), batch.begin(), batch.end());
        return all;
    }
    // The one signal cached since the last look, with only its own parameters.
    std::pair<std::string, ParameterMap> only() {
        const auto records = cached();
        if (records.size() != 1) return {"<" + std::to_string(records.size()) + " signals>", {}};
        const auto& base = records[0].payload.base();
        ParameterMap own;
        for (const auto& [key, value] : records[0].payload.merged()) {
            const bool fromDefaults = base && base->contains(key) && base->at(key) == value;
            if (!fromDefaults) own[key] = value;
        }
        return {records[0].type, own};
    }
};

} // namespace keepsift::analytics::testing
