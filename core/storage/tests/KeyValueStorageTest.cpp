#include <gtest/gtest.h>

#include "core/storage/MemoryStorage.hpp"
#include "core/storage/ShadowStorage.hpp"
#include "core/storage/UserDefaultsStorage.hpp"

namespace keepsift {
namespace {

// Defaults whose keys may also hold values that are not data.
class FakeDefaults : public UserDefaults {
public:
    std::map<std::string, std::optional<Data>> objects; // nothing: a value that is not data

    std::optional<Data> dataForKey(const std::string& key) const override {
        const auto found = objects.find(key);
        return found == objects.end() ? std::nullopt : found->second;
    }
    void setObject(const Data& data, const std::string& key) override { objects[key] = data; }
    void removeObject(const std::string& key) override { objects.erase(key); }
};

TEST(MemoryStorage, SettingNothingRemovesTheKey) {
    MemoryStorage storage(std::map<std::string, Data>{{"k", "v"}});
    EXPECT_EQ(storage.data("k"), "v");
    storage.set(std::nullopt, "k");
    EXPECT_EQ(storage.data("k"), std::nullopt);
    storage.set(std::nullopt, "absent");
    EXPECT_EQ(storage.data("absent"), std::nullopt);
}

TEST(UserDefaultsStorage, StoresRemovesAndReadsOnlyData) {
    auto defaults = std::make_shared<FakeDefaults>();
    UserDefaultsStorage storage(defaults);
    storage.set(Data("abc"), "k");
    EXPECT_EQ(storage.data("k"), "abc");
    storage.set(std::nullopt, "k");
    EXPECT_EQ(storage.data("k"), std::nullopt);
    EXPECT_FALSE(defaults->objects.contains("k"));
    defaults->objects["number"] = std::nullopt;
    EXPECT_EQ(storage.data("number"), std::nullopt);
}

TEST(ShadowStorage, WritesStayInTheOverlayAndRemovalsHideTheBase) {
    auto base = std::make_shared<MemoryStorage>(std::map<std::string, Data>{{"k", "A"}});
    ShadowStorage shadow(base);
    EXPECT_EQ(shadow.data("k"), "A");
    shadow.set(Data("B"), "k");
    EXPECT_EQ(shadow.data("k"), "B");
    EXPECT_EQ(base->data("k"), "A");
    shadow.set(std::nullopt, "k");
    EXPECT_EQ(shadow.data("k"), std::nullopt);
    EXPECT_EQ(base->data("k"), "A");
}

TEST(ShadowStorage, ReadsKeysTheBaseGainsLaterUnlessWrittenThroughTheShadow) {
    auto base = std::make_shared<MemoryStorage>();
    ShadowStorage shadow(base);
    base->set(Data("late"), "new");
    EXPECT_EQ(shadow.data("new"), "late");
    shadow.set(std::nullopt, "z");
    shadow.set(Data("1"), "a");
    base->set(Data("base"), "z");
    EXPECT_EQ(shadow.data("z"), std::nullopt);
    EXPECT_EQ(shadow.writtenKeys(), (std::vector<std::string>{"a", "z"}));
    shadow.set(Data("2"), "a\xcc\x8a"); // "å" decomposed sorts after "z"
    EXPECT_EQ(shadow.writtenKeys(), (std::vector<std::string>{"a", "z", "a\xcc\x8a"}));
}

} // namespace
} // namespace keepsift
