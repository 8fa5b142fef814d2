#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace keepsift::analytics {

using ParameterMap = std::map<std::string, std::string>;

// A signal's parameters: a shared block of default parameters (the same for thousands of
// signals) under the few parameters of this signal, which win on equal keys. Reads as one
// map in key order; equality compares that map.
class Payload {
public:
    Payload() = default;
    explicit Payload(ParameterMap all);
    Payload(std::shared_ptr<const ParameterMap> base, const ParameterMap& over);
    using Entries = std::vector<std::pair<std::string, std::string>>;
    // The entries must be sorted by key, each key once.
    Payload(std::shared_ptr<const ParameterMap> base, Entries over)
        : base_(std::move(base)), over_(std::move(over)) {}

    // Calls visit(key, value) for every parameter in key order.
    template <class Visit> void forEach(Visit&& visit) const;
    ParameterMap merged() const;
    std::size_t size() const;
    const std::shared_ptr<const ParameterMap>& base() const { return base_; }

    friend bool operator==(const Payload& a, const Payload& b);

private:
    std::shared_ptr<const ParameterMap> base_;
    Entries over_; // sorted by key
};

// Hands out one shared block for equal default parameters, so that a full cache holds each
// distinct block once.
class SharedDefaults {
public:
    std::shared_ptr<const ParameterMap> share(ParameterMap defaults);
    // The same for entries sorted by key, each key once: no map is made when they equal
    // the last block.
    std::shared_ptr<const ParameterMap> share(const Payload::Entries& defaults);

private:
    std::shared_ptr<const ParameterMap> last_;
};

// The keys the client's default parameters use: "Analytics." keys and the plain names
// the client reserves. A payload read back is split along them to share its defaults.
bool isDefaultParameterKey(const std::string& key);

template <class Visit> void Payload::forEach(Visit&& visit) const {
    static const ParameterMap empty;
    const ParameterMap& base = base_ ? *base_ : empty;
    auto b = base.begin();
    auto o = over_.begin();
    while (b != base.end() || o != over_.end()) {
        if (o == over_.end() || (b != base.end() && b->first < o->first)) {
            visit(b->first, b->second);
            ++b;
        } else {
            if (b != base.end() && b->first == o->first) ++b;
            visit(o->first, o->second);
            ++o;
        }
    }
}

} // namespace keepsift::analytics
