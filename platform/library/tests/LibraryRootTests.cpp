#include "FolderLibraryFixture.hpp"

#include "platform/library/XdgPaths.hpp"

namespace keepsift::foldertest {
namespace {

// Sets an environment variable for one test and puts the old value back.
class EnvScope {
public:
    EnvScope(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvScope() {
        if (previous_)
            ::setenv(name_, previous_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> previous_;
};

class LibraryRootTest : public FolderLibraryTest {};

TEST_F(LibraryRootTest, ArgumentThenEnvironmentThenPicturesFolder) {
    EnvScope home("HOME", base.c_str());
    EnvScope library("KEEPSIFT_LIBRARY", nullptr);
    EXPECT_EQ(libraryRoot(std::nullopt), base / "Pictures");
    writeText(base / "config/user-dirs.dirs",
              "# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    EXPECT_EQ(libraryRoot(std::nullopt), base / "Bilder");
    ::setenv("KEEPSIFT_LIBRARY", "/srv/photos", 1);
    EXPECT_EQ(libraryRoot(std::nullopt), "/srv/photos");
    EXPECT_EQ(libraryRoot(std::string("/mnt/camera")), "/mnt/camera");
}

} // namespace
} // namespace keepsift::foldertest
