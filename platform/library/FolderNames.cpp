#include "platform/library/FolderNames.hpp"

#include <algorithm>

#include "core/support/Unicode.hpp"
#include "platform/library/CatalogueWalk.hpp"
#include "platform/library/NameText.hpp"

namespace keepsift {
namespace {

std::string composedOf(const std::string& name) {
    return isAscii(name) ? name : unicode::nfc(textOfName(name));
}

} // namespace

bool FolderNames::standsAlone(const std::string& name) {
    if (isAscii(name)) return true;
    std::string text = textOfName(name);
    return unicode::nfc(text) == text;
}

FolderNames::FolderNames(const std::vector<FolderEntry>& entries) {
    bool decomposed = std::any_of(entries.begin(), entries.end(), [](const FolderEntry& entry) {
        return !standsAlone(entry.name);
    });
    if (!decomposed) return;
    for (const FolderEntry& entry : entries)
        ++composedCounts_[composedOf(entry.name)];
}

std::string FolderNames::identifierOf(const std::string& name) const {
    if (isAscii(name)) return name;
    std::string text = textOfName(name);
    std::string composed = unicode::nfc(text);
    if (composed == text) return text;
    auto shared = composedCounts_.find(composed);
    if (shared != composedCounts_.end() && shared->second > 1) return byteTextOfName(name);
    return composed;
}

} // namespace keepsift
