#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "bench/scratch/ScratchFolder.hpp"

namespace keepsift::bench {
namespace {

namespace fs = std::filesystem;

// A child that fills a scratch folder, says where it is, and waits to be ended.
struct Child {
    pid_t pid = -1;
    fs::path folder;
};

Child childWithScratch(bool ignoring = false) {
    int pipe[2];
    if (::pipe(pipe) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipe[0]);
        if (ignoring) std::signal(SIGTERM, SIG_IGN);
        ScratchFolder scratch("ks-scratch-test");
        fs::create_directories(scratch / "a" / "b");
        std::ofstream(scratch / "a" / "b" / "photo.jpg") << "bytes";
        fs::create_symlink("/", scratch / "a" / "link");
        const std::string path = scratch.path().string() + "\n";
        if (::write(pipe[1], path.data(), path.size()) < 0) ::_exit(3);
        while (true)
            ::pause();
    }
    ::close(pipe[1]);
    std::string path;
    char c;
    while (::read(pipe[0], &c, 1) == 1 && c != '\n')
        path += c;
    ::close(pipe[0]);
    return {pid, path};
}

int endedBy(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

TEST(ScratchFolderTest, AProcessEndedByInterruptOrTerminateLeavesNoScratchBehind) {
    for (int signal : {SIGINT, SIGTERM}) {
        const Child child = childWithScratch();
        ASSERT_GT(child.pid, 0);
        ASSERT_TRUE(fs::exists(child.folder / "a" / "b" / "photo.jpg")) << child.folder;
        ::kill(child.pid, signal);
        EXPECT_EQ(endedBy(child.pid), signal);
        EXPECT_FALSE(fs::exists(fs::symlink_status(child.folder))) << child.folder;
    }
}

TEST(ScratchFolderTest, ASignalTheProcessIgnoresStaysIgnored) {
    const Child child = childWithScratch(true);
    ASSERT_GT(child.pid, 0);
    ::kill(child.pid, SIGTERM);
    ::kill(child.pid, SIGKILL);
    EXPECT_EQ(endedBy(child.pid), SIGKILL);
    EXPECT_TRUE(fs::exists(child.folder / "a" / "b" / "photo.jpg"));
    fs::remove_all(child.folder);
}

TEST(ScratchFolderTest, TheFolderGoesWithItsOwnerAndNothingOutsideIt) {
    fs::path folder;
    {
        ScratchFolder scratch("ks-scratch-test");
        folder = scratch.path();
        fs::create_directories(scratch / "x");
        fs::create_symlink(fs::temp_directory_path(), scratch / "x" / "tmp");
        EXPECT_TRUE(fs::is_directory(folder));
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder)));
    EXPECT_TRUE(fs::is_directory(fs::temp_directory_path()));
}

} // namespace
} // namespace keepsift::bench
