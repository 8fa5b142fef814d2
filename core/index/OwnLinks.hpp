#pragma once

#include <map>
#include <optional>
#include <string>

#include "core/index/IndexEntry.hpp"
#include "core/support/Json.hpp"

namespace keepsift {

// The links Keepsift itself put into the rejects album, by the photograph each names: the
// path its text reads, relative to the library. Each keeps the digest of the bytes it was made
// for, none when they were not read. Whatever such a link leads to later, it is no decision of
// the user's; a link not among them is.
struct OwnLinks {
    std::map<std::string, std::optional<std::string>> made;

    bool holds(const std::string& id) const { return made.contains(id); }
    void note(const std::string& id, const std::optional<std::string>& digest) {
        made.insert_or_assign(id, digest);
    }
    void forget(const std::string& id) { made.erase(id); }

    // An index of an earlier build keeps no record: the links it knew for decided photographs
    // were Keepsift's; one on a photograph not decided yet is judged as any other link.
    static OwnLinks seededFrom(const std::map<std::string, IndexEntry>& entries);

    Json toJson() const;
    // Throws JsonError.
    static OwnLinks fromJson(const Json& json);

    bool operator==(const OwnLinks&) const = default;
};

} // namespace keepsift
