#include <fstream>
#include <gtest/gtest.h>

#include "platform/files/tests/TemporaryFolder.hpp"
#include "telemetry/device/MachineFacts.hpp"

namespace keepsift::analytics {
namespace {

struct MachineFactsTest : ::testing::Test {
    keepsift::testing::TemporaryFolder root;

    void write(const std::string& relative, const std::string& text) {
        const auto file = root.path() / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }
};

TEST_F(MachineFactsTest, ReadsTheModelAndTheReleaseOfTheSystem) {
    write("sys/class/dmi/id/product_name", "20XW0055GE\n");
    write("sys/class/dmi/id/product_version", "ThinkPad X1 Carbon Gen 9\n");
    write("etc/os-release", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
                            "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n");
    const MachineFacts facts = readMachineFacts(root.path());
    EXPECT_EQ(facts.modelName, "20XW0055GE ThinkPad X1 Carbon Gen 9");
    EXPECT_EQ(facts.systemName, "Debian GNU/Linux");
    EXPECT_EQ(facts.majorVersion, 12);
    EXPECT_EQ(facts.minorVersion, 0);
    EXPECT_EQ(facts.patchVersion, 0);
}

TEST_F(MachineFactsTest, PlaceholdersAndMissingFilesFallBack) {
    write("sys/class/dmi/id/product_name", "To Be Filled By O.E.M.\n");
    write("usr/lib/os-release", "NAME=Fedora\nVERSION_ID=40.1.7\n");
    const MachineFacts facts = readMachineFacts(root.path());
    EXPECT_EQ(facts.modelName, buildArchitecture());
    EXPECT_EQ(facts.systemName, "Fedora");
    EXPECT_EQ(facts.minorVersion, 1);
    EXPECT_EQ(facts.patchVersion, 7);
    const MachineFacts bare = readMachineFacts(root.path() / "nothing");
    EXPECT_EQ(bare.systemName, "Linux");
    EXPECT_FALSE(bare.modelName.empty());
}

TEST_F(MachineFactsTest, ControlCharactersAndForeignBytesNeverReachTheFacts) {
    write("sys/class/dmi/id/product_name", "Box\x01\xff" + std::string(1000, 'x'));
    write("etc/os-release", "NAME='My\tOS'\nVERSION_ID=abc\n");
    const MachineFacts facts = readMachineFacts(root.path());
    EXPECT_EQ(facts.modelName.substr(0, 6), "Box\xEF\xBF\xBD");
    EXPECT_LE(facts.modelName.size(), 256u);
    EXPECT_EQ(facts.systemName, "MyOS");
    EXPECT_EQ(facts.majorVersion, 0);
}

} // namespace
} // namespace keepsift::analytics
