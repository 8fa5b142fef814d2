#include <gtest/gtest.h>
#include <stdexcept>

#include "core/storage/MemoryFileStorage.hpp"

namespace keepsift {
namespace {

TEST(MemoryFileStorage, InjectedFailureBreaksExactlyOneWriteAndKeepsTheOldContent) {
    MemoryFileStorage storage(std::map<std::string, Data>{{"index.json", "old"}});
    storage.setFailNextWrite(std::make_exception_ptr(std::runtime_error("disk full")));
    EXPECT_THROW(storage.write("new", "index.json"), std::runtime_error);
    EXPECT_EQ(storage.read("index.json"), "old");
    EXPECT_FALSE(storage.failNextWrite());
    storage.write("new", "index.json");
    EXPECT_EQ(storage.read("index.json"), "new");
}

TEST(MemoryFileStorage, MissingNamesReadAsNothingAndRemoveQuietly) {
    MemoryFileStorage storage;
    EXPECT_EQ(storage.read("never"), std::nullopt);
    EXPECT_NO_THROW(storage.remove("never"));
    storage.write("x", "a");
    storage.remove("a");
    EXPECT_EQ(storage.read("a"), std::nullopt);
}

TEST(MemoryFileStorage, StoredNamesAreSorted) {
    MemoryFileStorage storage;
    storage.write("1", "b");
    storage.write("2", "a");
    EXPECT_EQ(storage.storedNames(), (std::vector<std::string>{"a", "b"}));
}

TEST(MemoryFileStorage, StoredNamesCompareComposedForms) {
    // A decomposed "é" sorts as the composed one, after "f", though its bytes start with "e".
    MemoryFileStorage storage;
    storage.write("1", "e\xcc\x81.json");
    storage.write("2", "f.json");
    EXPECT_EQ(storage.storedNames(), (std::vector<std::string>{"f.json", "e\xcc\x81.json"}));
}

} // namespace
} // namespace keepsift
