#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/mount.h>
#include <thread>

#include "FolderLibraryFixture.hpp"
#include "PermissionsBind.hpp"
#include "PrivateMounts.hpp"
#include "platform/library/FolderViews.hpp"

namespace keepsift::foldertest {
namespace {

class ChangeWatcherTest : public FolderLibraryTest {
protected:
    // Registers an observer that counts notifications.
    std::shared_ptr<CountingObserver> observe(PhotoLibraryPort& library) {
        auto observer = std::make_shared<CountingObserver>();
        library.registerChangeObserver(observer);
        return observer;
    }
    // True when one more notification follows the action.
    bool notifiesAfter(CountingObserver& observer, const std::function<void()>& action) {
        int seen;
        {
            std::lock_guard lock(observer.mutex);
            seen = observer.count;
        }
        action();
        return observer.waitFor(seen + 1);
    }
};

TEST_F(ChangeWatcherTest, NewFilesInNewFoldersAreReported) {
    writeJpeg(lib("a.jpg"));
    auto library = makeLibrary();
    auto observer = observe(*library);
    EXPECT_FALSE(library->isWatchPolling());
    std::filesystem::create_directories(lib("new/deeper"));
    ASSERT_TRUE(observer->waitFor(1));
    EXPECT_TRUE(notifiesAfter(*observer, [&] { writeJpeg(lib("new/deeper/b.jpg")); }));
    library->unregisterChangeObserver(observer);
}

TEST_F(ChangeWatcherTest, OwnAlbumWritesAreReportedLikeAnyOtherChange) {
    writeJpeg(lib("a.jpg"));
    auto library = makeLibrary();
    auto observer = observe(*library);
    addToRejects(*library, {});
    ASSERT_TRUE(observer->waitFor(1));
    EXPECT_TRUE(notifiesAfter(*observer, [&] { addToRejects(*library, {"a.jpg"}); }));
    library->unregisterChangeObserver(observer);
}

TEST_F(ChangeWatcherTest, ABurstOfChangesIsGatheredIntoFewNotifications) {
    auto opts = options();
    opts.watcher.interval = std::chrono::milliseconds(60000);
    auto library = makeLibrary(opts);
    auto observer = observe(*library);
    for (int i = 0; i < 20; ++i)
        writeJpeg(lib("burst/" + std::to_string(i) + ".jpg"));
    ASSERT_TRUE(observer->waitFor(1));
    {
        std::lock_guard lock(observer->mutex);
        EXPECT_EQ(observer->count, 1);
    }
    library->unregisterChangeObserver(observer);
}

TEST_F(ChangeWatcherTest, PollingTakesOverWhenTheWatchLimitIsExhausted) {
    writeJpeg(lib("one/a.jpg"));
    writeJpeg(lib("two/b.jpg"));
    auto opts = options();
    opts.watcher.watchLimit = 1;
    auto library = makeLibrary(opts);
    auto observer = observe(*library);
    EXPECT_TRUE(library->isWatchPolling());
    writeJpeg(lib("two/c.jpg"));
    EXPECT_TRUE(observer->waitFor(1));
    library->unregisterChangeObserver(observer);
}

TEST_F(ChangeWatcherTest, PollingTakesOverWhenANewFolderExceedsTheLimit) {
    auto opts = options();
    opts.watcher.watchLimit = 1;
    auto library = makeLibrary(opts);
    auto observer = observe(*library);
    EXPECT_FALSE(library->isWatchPolling());
    std::filesystem::create_directories(lib("new"));
    ASSERT_TRUE(observer->waitFor(1));
    EXPECT_TRUE(library->isWatchPolling());
    EXPECT_TRUE(notifiesAfter(*observer, [&] { writeJpeg(lib("new/a.jpg")); }));
    library->unregisterChangeObserver(observer);
}

TEST_F(ChangeWatcherTest, WithoutInotifyPollingReportsRemovals) {
    writeJpeg(lib("a.jpg"));
    auto opts = options();
    opts.watcher.useInotify = false;
    auto library = makeLibrary(opts);
    auto observer = observe(*library);
    EXPECT_TRUE(library->isWatchPolling());
    std::filesystem::remove(lib("a.jpg"));
    EXPECT_TRUE(observer->waitFor(1));
    library->unregisterChangeObserver(observer);
}

// A view of the library mounted inside it holds the view again, and so on without end: such a
// view is not entered, and the folder it shows is watched under its own name, whether by
// inotify or by polling.
class ChangeWatcherViewTest : public ChangeWatcherTest,
                              public ::testing::WithParamInterface<bool> {};

TEST_P(ChangeWatcherViewTest, AViewOfTheLibraryInsideItIsNotEntered) {
    writeJpeg(lib("Trip01/a.jpg"));
    PrivateMounts mounts;
    if (!mounts.bindfs(lib("Trip01"), lib("View")) || !mounts.bindfs(root, lib("Sub/Whole")))
        GTEST_SKIP() << "no bindfs view here";
    std::mutex mutex;
    std::vector<std::string> opened;
    auto ops = std::make_shared<FaultyFileSystem>();
    ops->onOpenDirectory = [&](const std::string& path) {
        std::lock_guard lock(mutex);
        opened.push_back(path);
    };
    FolderViews views(root.string());
    CountingObserver changes;
    WatcherOptions options;
    options.useInotify = GetParam();
    options.pollInterval = std::chrono::milliseconds(50);
    {
        ChangeWatcher watcher(
            root.string(), ops, [&] { changes.photoLibraryDidChange(); }, options, &views);
        EXPECT_EQ(watcher.isPolling(), !GetParam());
        writeJpeg(lib("Trip01/b.jpg"));
        EXPECT_TRUE(changes.waitFor(1));
    }
    mounts.unmountAll();
    std::lock_guard lock(mutex);
    auto entered = [&](const std::string& name) {
        return std::any_of(opened.begin(), opened.end(), [&](const std::string& path) {
            return path.find("/" + name) != std::string::npos;
        });
    };
    EXPECT_TRUE(entered("Trip01"));
    EXPECT_FALSE(entered("View"));
    EXPECT_FALSE(entered("Whole"));
}

INSTANTIATE_TEST_SUITE_P(Ways, ChangeWatcherViewTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Inotify" : "Polling";
                         });

// An observer that leaves from inside its own notification.
class LeavingObserver : public CountingObserver {
public:
    void photoLibraryDidChange() override {
        library->unregisterChangeObserver(self.lock());
        CountingObserver::photoLibraryDidChange();
    }
    PhotoLibraryPort* library = nullptr;
    std::weak_ptr<LeavingObserver> self;
};

TEST_F(ChangeWatcherTest, AnObserverMayUnregisterFromItsNotification) {
    auto library = makeLibrary();
    auto observer = std::make_shared<LeavingObserver>();
    observer->library = library.get();
    observer->self = observer;
    library->registerChangeObserver(observer);
    writeJpeg(lib("a.jpg"));
    EXPECT_TRUE(observer->waitFor(1));
}

} // namespace
} // namespace keepsift::foldertest

namespace keepsift::foldertest {
namespace {

TEST_F(ChangeWatcherTest, AMissingLibraryFolderIsPolledUntilItAppears) {
    std::filesystem::remove_all(root);
    auto library = makeLibrary();
    auto observer = observe(*library);
    EXPECT_TRUE(library->isWatchPolling());
    EXPECT_TRUE(notifiesAfter(*observer, [&] { writeJpeg(lib("a.jpg")); }));
    library->unregisterChangeObserver(observer);
}

} // namespace
} // namespace keepsift::foldertest

namespace keepsift::foldertest {
namespace {

// A remount: the library folder goes away and a new one takes its place.
TEST_F(ChangeWatcherTest, ALibraryFolderRemovedOrMovedAndMadeAgainIsWatchedAgain) {
    writeJpeg(lib("a.jpg"));
    auto library = makeLibrary();
    auto observer = observe(*library);
    ASSERT_FALSE(library->isWatchPolling());
    EXPECT_TRUE(notifiesAfter(*observer, [&] { std::filesystem::remove_all(root); }));
    EXPECT_TRUE(notifiesAfter(*observer, [&] { writeJpeg(lib("b.jpg")); }));
    EXPECT_TRUE(notifiesAfter(*observer, [&] { writeJpeg(lib("later/c.jpg")); }));
    EXPECT_TRUE(notifiesAfter(*observer, [&] { std::filesystem::rename(root, base / "moved"); }));
    EXPECT_TRUE(notifiesAfter(*observer, [&] { writeJpeg(lib("d.jpg")); }));
    EXPECT_TRUE(notifiesAfter(*observer, [&] { writeJpeg(lib("e.jpg")); }));
    library->unregisterChangeObserver(observer);
}

} // namespace
} // namespace keepsift::foldertest

namespace keepsift::foldertest {
namespace {

// A drive unmounted leaves its empty mount point behind; mounted again it covers that folder,
// and what happens on the drive from then on is seen.
TEST_F(ChangeWatcherTest, ADriveUnmountedAndMountedAgainIsWatchedAgain) {
    const auto staging = base / "staging";
    std::filesystem::create_directories(staging);
    const auto mountDrive = [&] {
        if (::mount("tmpfs", staging.c_str(), "tmpfs", 0, "size=4m") != 0) return false;
        writeJpeg(staging / "a.jpg");
        const bool bound = ::mount(staging.c_str(), root.c_str(), nullptr, MS_BIND, nullptr) == 0;
        ::umount2(staging.c_str(), MNT_DETACH);
        return bound;
    };
    if (!mountDrive()) GTEST_SKIP() << "no tmpfs can be mounted here";
    const std::unique_ptr<const char, int (*)(const char*)> unmount(
        root.c_str(), [](const char* path) { return ::umount2(path, MNT_DETACH); });
    auto opts = options();
    opts.watcher.pollInterval = std::chrono::milliseconds(20);
    auto library = makeLibrary(opts);
    auto observer = observe(*library);
    ASSERT_FALSE(library->isWatchPolling());

    EXPECT_TRUE(notifiesAfter(*observer, [&] { ::umount2(root.c_str(), MNT_DETACH); }));
    bool remounted = false;
    EXPECT_TRUE(notifiesAfter(*observer, [&] { remounted = mountDrive(); }));
    ASSERT_TRUE(remounted);
    EXPECT_TRUE(notifiesAfter(*observer, [&] { writeJpeg(lib("b.jpg")); }));
    EXPECT_TRUE(notifiesAfter(*observer, [&] { writeJpeg(lib("c.jpg")); }));
    library->unregisterChangeObserver(observer);
}

} // namespace
} // namespace keepsift::foldertest

namespace keepsift::foldertest {
namespace {

// A folder another user keeps closed (a drive's lost+found, say) must not leave the whole
// library to polling; it is watched once it opens.
TEST_F(ChangeWatcherTest, AnUnreadableSubfolderLeavesTheRestWatchedAndIsWatchedOnceItOpens) {
    writeJpeg(lib("a.jpg"));
    writeJpeg(lib("closed/b.jpg"));
    std::filesystem::permissions(lib("closed"), std::filesystem::perms::none);
    std::unique_ptr<FolderPhotoLibrary> library;
    std::shared_ptr<CountingObserver> observer;
    {
        PermissionsBind bind;
        library = makeLibrary();
        observer = observe(*library);
    }
    EXPECT_FALSE(library->isWatchPolling());
    EXPECT_TRUE(notifiesAfter(*observer, [&] { writeJpeg(lib("c.jpg")); }));
    EXPECT_TRUE(notifiesAfter(*observer, [&] {
        std::filesystem::permissions(lib("closed"), std::filesystem::perms::owner_all);
    }));
    EXPECT_TRUE(notifiesAfter(*observer, [&] { writeJpeg(lib("closed/d.jpg")); }));
    std::filesystem::permissions(lib("closed"), std::filesystem::perms::owner_all);
    library->unregisterChangeObserver(observer);
}

} // namespace
} // namespace keepsift::foldertest

namespace keepsift::foldertest {
namespace {

// A card mounted below the library, as when it comes back, shows no folder event: the mount
// itself is the change, so that its photographs are listed and measured, and what happens on
// the card from then on is seen.
TEST_F(ChangeWatcherTest, ACardMountedBelowTheLibraryIsReported) {
    writeJpeg(lib("a.jpg"));
    std::filesystem::create_directories(lib("Card"));
    std::filesystem::create_directories(base / "card");
    writeJpeg(base / "card/b.jpg");
    PrivateMounts mounts;
    // Entered before the watcher's thread starts, as a namespace must be.
    if (!mounts.tmpfs(base / "scratch", 0700)) GTEST_SKIP() << "cannot mount here";
    auto library = makeLibrary();
    auto observer = observe(*library);
    EXPECT_TRUE(notifiesAfter(*observer, [&] { mounts.bind(base / "card", lib("Card")); }));
    EXPECT_TRUE(notifiesAfter(*observer, [&] { writeJpeg(lib("Card/c.jpg")); }));
    library->unregisterChangeObserver(observer);
}

} // namespace
} // namespace keepsift::foldertest

namespace keepsift::foldertest {
namespace {

// A watcher of the library alone, which counts the listings it asks for.
class WatchedMountsTest : public FolderLibraryTest {
protected:
    void SetUp() override {
        FolderLibraryTest::SetUp();
        writeJpeg(lib("a.jpg"));
        std::filesystem::create_directories(lib("Card"));
        // Entered before the watcher's thread starts, as a namespace must be.
        if (!mounts.tmpfs(base / "scratch", 0700)) GTEST_SKIP() << "cannot mount here";
        mounts.unmountAll();
        watcher = std::make_unique<ChangeWatcher>(root.string(), realFileSystem(),
                                                  [this] { listings.photoLibraryDidChange(); });
    }
    void TearDown() override {
        watcher.reset();
        mounts.unmountAll();
        FolderLibraryTest::TearDown();
    }
    int listed() {
        std::lock_guard lock(listings.mutex);
        return listings.count;
    }
    bool notifiedAfter(const std::function<void()>& action) {
        const int seen = listed();
        action();
        return listings.waitFor(seen + 1);
    }
    bool mountsSeen() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (watcher->mountChangesSeen() == 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        return watcher->mountChangesSeen() > 0;
    }

    PrivateMounts mounts;
    CountingObserver listings;
    std::unique_ptr<ChangeWatcher> watcher;
};

// Containers, snaps and shares mount and unmount all the time; none of it is the library's.
TEST_F(WatchedMountsTest, MountsElsewhereOnTheMachineAskForNoListingAndNoWatchingAfresh) {
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(mounts.tmpfs(base / "elsewhere", 0700));
        ASSERT_TRUE(mounts.tmpfs(root.string() + "-old", 0700));
        mounts.unmountAll();
    }
    ASSERT_TRUE(mountsSeen());
    // Everything the table showed before this write is looked at before it is reported.
    writeJpeg(lib("b.jpg"));
    ASSERT_TRUE(listings.waitFor(1));
    EXPECT_EQ(listed(), 1);
    EXPECT_EQ(watcher->rewatches(), 0u);
}

// A drive mounted over the folder that holds the library shows another library.
TEST_F(WatchedMountsTest, MountsBelowTheLibraryAndOverItsFolderAreFollowed) {
    writeJpeg(base / "card/c.jpg");
    writeJpeg(base / "drive/Pictures/d.jpg");
    ASSERT_TRUE(mounts.bind(base / "card", lib("Card")));
    ASSERT_TRUE(listings.waitFor(1));
    EXPECT_EQ(watcher->rewatches(), 1u);
    EXPECT_TRUE(notifiedAfter([&] { writeJpeg(lib("Card/e.jpg")); }));
    EXPECT_TRUE(notifiedAfter([&] { mounts.unmountAll(); }));
    EXPECT_TRUE(notifiedAfter([&] { ASSERT_TRUE(mounts.bind(base / "drive", base)); }));
    EXPECT_TRUE(std::filesystem::exists(lib("d.jpg")));
    EXPECT_TRUE(notifiedAfter([&] { writeJpeg(lib("f.jpg")); }));
}

} // namespace
} // namespace keepsift::foldertest
