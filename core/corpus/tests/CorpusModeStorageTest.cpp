#include <gtest/gtest.h>

#include "core/corpus/CorpusModeStorage.hpp"
#include "core/storage/MemoryStorage.hpp"

using namespace keepsift;
using Keys = std::vector<std::string>;

TEST(CorpusModeStorage, Names) {
    EXPECT_EQ(CorpusModeStorage::namespaceName, "corpus-mode");
    EXPECT_EQ(CorpusModeStorage::capturesFolder, "captures");
}

TEST(CorpusModeStorage, SeedsOnlyWhatTheDestinationLacks) {
    const MemoryStorage source({{"both", "source"}, {"sourceOnly", std::string("\0\xff", 2)}});
    MemoryStorage destination({{"both", "mine"}, {"destinationOnly", "kept"}});
    EXPECT_EQ(CorpusModeStorage::seed(source, destination, {}), Keys{});
    EXPECT_EQ(
        CorpusModeStorage::seed(source, destination,
                                {"both", "sourceOnly", "destinationOnly", "neither", "sourceOnly"}),
        Keys{"sourceOnly"});
    EXPECT_EQ(destination.data("both"), "mine");
    EXPECT_EQ(destination.data("sourceOnly"), std::string("\0\xff", 2));
    EXPECT_EQ(destination.data("destinationOnly"), "kept");
    EXPECT_EQ(destination.data("neither"), std::nullopt);
    EXPECT_EQ(source.data("destinationOnly"), std::nullopt);
}
