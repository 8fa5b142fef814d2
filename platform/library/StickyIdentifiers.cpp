#include "platform/library/StickyIdentifiers.hpp"

#include <algorithm>
#include <map>
#include <set>

#include "core/support/Unicode.hpp"
#include "platform/library/FolderNames.hpp"
#include "platform/library/NameText.hpp"

namespace keepsift {
namespace {

using Members = std::vector<CatalogueItem*>;

// Photographs of the folder whose identifiers depend on their neighbours, by NFC form.
std::vector<Members> namesakes(std::vector<CatalogueItem>& items) {
    std::map<std::string, Members> byComposed;
    for (CatalogueItem& item : items) {
        const std::string& name = item.primary().name;
        if (!isAscii(name)) byComposed[unicode::nfc(textOfName(name))].push_back(&item);
    }
    std::vector<Members> groups;
    for (auto& [composed, members] : byComposed) {
        bool dependsOnNeighbours =
            members.size() > 1 || std::any_of(members.begin(), members.end(), [](auto* item) {
                return !FolderNames::standsAlone(item->primary().name);
            });
        if (dependsOnNeighbours) groups.push_back(std::move(members));
    }
    return groups;
}

std::string byteIdentifierOf(const CatalogueItem& item) {
    auto slash = item.id.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : item.id.substr(0, slash + 1);
    return folder + byteTextOfName(item.primary().name);
}

} // namespace

std::vector<std::pair<std::string, std::string>> keepIdentifiers(std::vector<CatalogueItem>& items,
                                                                 GivenIdentifiers& given) {
    if (std::all_of(items.begin(), items.end(),
                    [](const CatalogueItem& item) { return isAscii(item.primary().name); }))
        return {};
    std::vector<std::pair<std::string, std::string>> newlyGiven;
    for (Members& members : namesakes(items)) {
        std::set<std::string> kept;
        std::vector<CatalogueItem*> unremembered;
        for (CatalogueItem* item : members) {
            auto known = given.find(item->relativePath(item->primary()));
            if (known != given.end() && kept.insert(known->second).second)
                item->id = known->second;
            else
                unremembered.push_back(item);
        }
        for (CatalogueItem* item : unremembered)
            if (kept.contains(item->id)) item->id = byteIdentifierOf(*item);
        for (CatalogueItem* item : members) {
            std::string& remembered = given[item->relativePath(item->primary())];
            if (remembered == item->id) continue;
            remembered = item->id;
            newlyGiven.emplace_back(item->relativePath(item->primary()), item->id);
        }
    }
    return newlyGiven;
}

} // namespace keepsift
