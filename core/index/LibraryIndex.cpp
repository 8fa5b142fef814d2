#include "core/index/LibraryIndex.hpp"

#include "core/support/Unicode.hpp"

namespace keepsift {

std::string LibraryIndex::signature(std::string_view revision, std::string_view recipe,
                                    std::string_view format) {
    std::string text(revision);
    text.append("|").append(recipe).append("|index").append(format);
    return text;
}

std::string LibraryIndex::currentSignature() {
    return signature(PhotoSignals::printRevision, PhotoSignals::recipe, formatVersion);
}

bool LibraryIndex::adoptVersion(const std::string& signature) {
    if (version == signature) return false;
    version = signature;
    entries.clear();
    return true;
}

std::optional<IndexEntry> LibraryIndex::entry(const std::string& id) const {
    const auto found = entries.find(id);
    if (found == entries.end()) return std::nullopt;
    return found->second;
}

void LibraryIndex::setEntry(const std::string& id, std::optional<IndexEntry> entry) {
    if (entry)
        entries.insert_or_assign(id, std::move(*entry));
    else
        entries.erase(id);
}

bool LibraryIndex::Reconciliation::isEmpty() const {
    return added.empty() && needingFreshSignals.empty() && deleted.empty() &&
           rejectionChanged.empty() && returned.empty();
}

bool LibraryIndex::newestFirst(const IndexEntry& a, const IndexEntry& b) {
    const auto& dateA = a.asset.createdAt;
    const auto& dateB = b.asset.createdAt;
    if (dateA.has_value() != dateB.has_value()) return dateA.has_value();
    if (dateA && *dateA != *dateB) return *dateA > *dateB;
    return unicode::less(a.asset.id, b.asset.id);
}

} // namespace keepsift
