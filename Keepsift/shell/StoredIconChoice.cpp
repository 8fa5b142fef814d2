#include "Keepsift/shell/StoredIconChoice.hpp"

#include "core/storage/UserDefaultsStorage.hpp"
#include "core/store/KeepsiftStore.hpp"

namespace keepsift::app {

bool storedShowsMenuBarIcon(std::shared_ptr<UserDefaults> defaults) {
    // The language is the model's to settle; nothing is written here.
    KeepsiftStore store(std::make_shared<UserDefaultsStorage>(std::move(defaults)), "en");
    const auto stored =
        store.load<Settings>(std::string(KeepsiftStore::settingsKey), &Settings::fromJson);
    return stored.value_or(Settings{}).showsMenuBarIcon;
}

} // namespace keepsift::app
