#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace keepsift::app {

// The model's observed properties. A derived value changes only when one of its inputs is
// announced (see AppModel for which).
enum class Property {
    settings,
    snapshot,
    readiness,
    isWorking,
    isDeleting,
    notice,
    needsFirstRunNotice,
    updater,
    libraryStorage,
    hasDeferredICloudChoice,
    statusNotice,
};

// Keeps an observer registered for as long as it lives.
class ObservationToken {
public:
    ObservationToken() = default;
    explicit ObservationToken(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    ObservationToken(ObservationToken&& other) noexcept : cancel_(std::move(other.cancel_)) {
        other.cancel_ = nullptr;
    }
    ObservationToken& operator=(ObservationToken&& other) noexcept;
    ObservationToken(const ObservationToken&) = delete;
    ObservationToken& operator=(const ObservationToken&) = delete;
    ~ObservationToken() { cancel(); }

    void cancel();

private:
    std::function<void()> cancel_;
};

// The observers of one model. Used on the main actor only; an observer may register or
// cancel observers while it is told about a change.
class Observers {
public:
    using Observer = std::function<void(Property)>;

    Observers() : list_(std::make_shared<List>()) {}

    ObservationToken observe(Observer observer);
    void announce(Property property) const;

private:
    using List = std::map<std::uint64_t, std::shared_ptr<Observer>>;
    std::shared_ptr<List> list_;
    std::uint64_t next_ = 0;
};

} // namespace keepsift::app
