#include <map>
#include <set>
#include <string>

#include "core/index/LibraryIndex.hpp"

namespace keepsift {

void LibraryIndex::renameGroups(const std::map<std::string, std::string>& renamed) {
    if (renamed.empty()) return;
    const auto follow = [&](std::string& group) {
        if (const auto found = renamed.find(group); found != renamed.end()) group = found->second;
    };
    for (auto& [id, entry] : entries)
        if (entry.groupID) follow(*entry.groupID);
    std::set<std::string> ignored;
    for (auto group : ignoredGroups) {
        follow(group);
        ignored.insert(std::move(group));
    }
    ignoredGroups = std::move(ignored);
}

std::size_t LibraryIndex::mendIdentities() {
    std::map<std::string, std::string> renamed;
    std::set<std::string> shared;
    std::size_t mended = 0;
    for (auto& [id, entry] : entries) {
        if (!entry.signals || entry.signals->digest == id || entry.asset.id != id) continue;
        if (!renamed.emplace(entry.signals->digest, id).second)
            shared.insert(entry.signals->digest);
        entry.takeIdentity();
        ++mended;
    }
    // A name two photographs went by, the one still there included, tells no group apart.
    std::erase_if(renamed, [&](const auto& item) {
        const auto there = entries.find(item.first);
        return shared.contains(item.first) ||
               (there != entries.end() && there->second.state != ReviewState::deleted &&
                there->second.signals);
    });
    renameGroups(renamed);
    return mended;
}

} // namespace keepsift
