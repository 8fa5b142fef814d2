#include <gtest/gtest.h>

#include "Keepsift/model/LibraryNotice.hpp"
#include "Keepsift/model/tests/ModelRig.hpp"

namespace keepsift::app {
namespace {

using testing::ModelRig;
using testing::RigOptions;

void refresh(ModelRig& rig) {
    rig.await([&](auto done) { rig.model->refresh(done); });
}

TEST(Refresh, FixedConditionsFixOnlyTheMachineAndTheSwitchesStayLive) {
    RigOptions options;
    WorkConditions battery = keepsift::testing::runnable();
    battery.power = WorkConditions::Power::battery;
    battery.isPaused = true;        // ignored: the settings decide
    battery.canReadLibrary = false; // ignored: the library permission decides
    options.fixedConditions = battery;
    ModelRig rig(options);
    rig.engine->refreshAuthorization();
    refresh(rig);
    EXPECT_EQ(rig.onMain([&] { return rig.model->readiness(); }), QueueReadiness::waitingForMains);
    Settings settings = rig.onMain([&] { return rig.model->settings(); });
    settings.mainsOnly = false;
    rig.await([&](auto done) { rig.model->applySettings(settings, done); });
    EXPECT_EQ(rig.onMain([&] { return rig.model->readiness(); }), QueueReadiness::run);
}

TEST(Refresh, TheProbeDecidesWithoutFixedConditions) {
    ModelRig rig;
    rig.engine->refreshAuthorization();
    {
        std::lock_guard lock(rig.probe->mutex);
        rig.probe->machine.isTooHot = true;
    }
    refresh(rig);
    EXPECT_EQ(rig.onMain([&] { return rig.model->readiness(); }), QueueReadiness::tooHot);
    EXPECT_TRUE(rig.onMain([&] { return rig.model->workConditions().isTooHot; }));
}

TEST(Refresh, NoFirstScanSignalBeforeTheFirstPassAndOneHeartbeatADay) {
    ModelRig rig;
    rig.reporter->setEnabled(true);
    rig.engine->refreshAuthorization();
    refresh(rig);
    refresh(rig);
    auto names = rig.signalNames();
    const auto count = [&](const Signal& signal) {
        return std::count(names.begin(), names.end(), std::string(signal.name()));
    };
    const Signal scan(
        Signal::ScanCompleted{LibraryBucket::empty, GroupBucket::none, FlaggedBucket::none});
    EXPECT_EQ(count(scan), 0);
    EXPECT_EQ(count(Signal(Signal::PermissionAnswered{LibraryAuthorization::authorized})), 1);
    const auto sent = rig.sink->signals();
    const auto heartbeats = std::count_if(sent.begin(), sent.end(), [](const Signal& s) {
        return s.as<Signal::DailyHeartbeat>() != nullptr;
    });
    EXPECT_EQ(heartbeats, 1);

    rig.scanAndPublish();
    refresh(rig);
    names = rig.signalNames();
    EXPECT_EQ(count(scan), 1);
}

TEST(BatchLimit, OnlyAnOptimisedLibraryWithoutTheWholeLibraryScopeIsLimited) {
    ModelRig rig;
    const auto applyWith = [&](std::optional<LibraryStorage> storage,
                               std::optional<ScanScope> scope) {
        rig.onMain([&] {
            rig.model->setLibraryStorage(storage);
            Settings settings = rig.model->settings();
            settings.scanScope = scope;
            rig.model->setSettings(settings);
        });
        rig.await([&](auto done) { rig.model->applyBatchLimit(done); });
        return rig.engine->batchLimit();
    };
    const ScanEngine::BatchLimit limited{200, 5'000'000'000};
    EXPECT_EQ(applyWith(LibraryStorage::optimised, std::nullopt), limited);
    EXPECT_EQ(applyWith(LibraryStorage::optimised, ScanScope::wholeLibrary),
              ScanEngine::BatchLimit{});
    EXPECT_EQ(applyWith(LibraryStorage::optimised, ScanScope::batches), limited);
    EXPECT_EQ(applyWith(LibraryStorage::local, ScanScope::batches), ScanEngine::BatchLimit{});
    EXPECT_EQ(applyWith(std::nullopt, std::nullopt), ScanEngine::BatchLimit{});
}

TEST(Reconciliation, AFailedListingIsLoggedAndTheStepStillRefreshesAndPumps) {
    ModelRig rig;
    rig.library->fetchFails = true;
    rig.await([&](auto done) { rig.model->reconcileLibrary(done); });
    EXPECT_TRUE(rig.logged(LogLevel::error, "refresh failed: listing failed"));
    EXPECT_EQ(rig.onMain([&] { return rig.model->snapshot().authorization; }),
              LibraryAuthorization::authorized);
    EXPECT_EQ(rig.onMain([&] { return rig.model->libraryStorage(); }), LibraryStorage::local);
    EXPECT_FALSE(rig.onMain([&] { return rig.model->isPumping(); }));
}

TEST(Reconciliation, AnUnreadableFolderIsNamedInTheNoticeUntilTheLibraryReadsAgain) {
    ModelRig rig;
    rig.library->unavailableFolder = "2024/Holiday";
    rig.await([&](auto done) { rig.model->reconcileLibrary(done); });
    EXPECT_TRUE(rig.logged(LogLevel::error, "refresh failed: folder gone"));
    const auto notice = rig.onMain([&] { return rig.model->statusNotice(); });
    ASSERT_TRUE(notice);
    EXPECT_NE(notice->find("\u201C2024/Holiday\u201D"), std::string::npos) << *notice;
    EXPECT_FALSE(rig.onMain([&] { return rig.model->notice(); })) << "no review action's";

    rig.library->unavailableFolder.reset();
    rig.await([&](auto done) { rig.model->reconcileLibrary(done); });
    EXPECT_FALSE(rig.onMain([&] { return rig.model->statusNotice(); }));
}

TEST(Reconciliation, TheLibraryNoticeFollowsTheLanguageAndLeavesOtherNoticesAlone) {
    EXPECT_EQ(libraryUnavailableNotice("", "de"),
              "Keepsift kann deine Fotomediathek gerade nicht lesen. Deine Durchsicht bleibt "
              "erhalten, bis die Mediathek wieder da ist.");
    EXPECT_NE(libraryUnavailableNotice("A", "de-DE").find("cannot read the folder"),
              std::string::npos);

    ModelRig rig;
    rig.onMain([&] { rig.model->setNotice(std::string("Nothing deleted.")); });
    rig.await([&](auto done) { rig.model->reconcileLibrary(done); });
    EXPECT_EQ(rig.onMain([&] { return rig.model->notice(); }), std::string("Nothing deleted."));
}

// The command named is the binary that runs, by its whole path: a build's binary is on no
// search path, and the hint is read wherever the user happens to be.
TEST(Reconciliation, WithoutAPicturesFolderTheNoticesSayHowToNameOne) {
    const std::string binary = "/home/u/src/keepsift/build/release/Keepsift/keepsift";
    EXPECT_EQ(missingPicturesNotice("/home/u/Pictures", binary, "en"),
              "There is no Pictures folder \u201C/home/u/Pictures\u201D, so Keepsift reads "
              "nothing. Make it and start Keepsift again, or start Keepsift once with the folder "
              "of your photographs: /home/u/src/keepsift/build/release/Keepsift/keepsift "
              "--library FOLDER. Keepsift remembers that folder.");
    EXPECT_EQ(missingPicturesNotice("/home/u/Bilder", "'/home/u/Mein Build/keepsift'", "de"),
              "Es gibt keinen Bilderordner \u201E/home/u/Bilder\u201C, daher liest Keepsift "
              "nichts. Lege ihn an und starte Keepsift neu, oder starte Keepsift einmal mit dem "
              "Ordner deiner Fotos: '/home/u/Mein Build/keepsift' --library ORDNER. Keepsift "
              "merkt sich diesen Ordner.");

    RigOptions options;
    options.missingPictures = "/home/u/Pictures";
    options.launchCommand = binary;
    ModelRig rig(options);
    rig.library->unavailableFolder = "";
    rig.await([&](auto done) { rig.model->reconcileLibrary(done); });
    const auto expected = missingPicturesNotice("/home/u/Pictures", binary, "en");
    EXPECT_NE(expected.find(binary + " --library FOLDER"), std::string::npos);
    EXPECT_EQ(rig.onMain([&] { return rig.model->statusNotice(); }), expected);
    rig.library->setAuthorization(LibraryAuthorization::restricted);
    rig.await([&](auto done) { rig.model->refreshAuthorization(done); });
    EXPECT_EQ(rig.onMain([&] { return rig.model->accessNotice(); }), expected);
}

// The library says it cannot be read when its folder was moved away or its drive unmounted
// (an empty mount point): the notice names the folder rather than a vague one.
TEST(Reconciliation, ALibraryFolderThatCannotBeReadIsNamedInTheAccessNotice) {
    RigOptions options;
    options.libraryFolder = "/media/anna/Fotos";
    ModelRig rig(options);
    rig.library->setAuthorization(LibraryAuthorization::restricted);
    rig.await([&](auto done) { rig.model->refreshAuthorization(done); });
    EXPECT_EQ(rig.onMain([&] { return rig.model->accessNotice(); }),
              "Keepsift cannot read the folder \u201C/media/anna/Fotos\u201D of your photo library "
              "right now. Your review is kept until the folder is back.");
    Settings german = rig.onMain([&] { return rig.model->settings(); });
    german.language = "de";
    rig.await([&](auto done) { rig.model->applySettings(german, done); });
    EXPECT_EQ(rig.onMain([&] { return rig.model->accessNotice(); }),
              "Keepsift kann den Ordner \u201E/media/anna/Fotos\u201C deiner Fotomediathek gerade "
              "nicht lesen. Deine Durchsicht bleibt erhalten, bis der Ordner wieder da ist.");
    rig.library->setAuthorization(LibraryAuthorization::authorized);
    rig.await([&](auto done) { rig.model->refreshAuthorization(done); });
    EXPECT_EQ(rig.onMain([&] { return rig.model->accessNotice(); }), std::nullopt);
}

TEST(Reconciliation, AKnownStorageModeIsNotProbedAgain) {
    ModelRig rig;
    rig.await([&](auto done) { rig.model->reconcileLibrary(done); });
    const int probes = rig.library->storageProbes;
    EXPECT_EQ(probes, 1);
    rig.engine->setBatchLimit(7, std::nullopt);
    rig.await([&](auto done) { rig.model->reconcileLibrary(done); });
    EXPECT_EQ(rig.library->storageProbes, probes);
    // The batch limit was not applied again either.
    EXPECT_EQ(rig.engine->batchLimit().groups, 7);
    EXPECT_EQ(rig.onMain([&] { return rig.model->snapshot().analysed; }), 4);
}

TEST(Updater, NothingIsCreatedWhileTheFirstRunNoticeIsPendingOrWithoutConfiguration) {
    ModelRig rig;
    rig.onMain([&] {
        rig.model->setNeedsFirstRunNotice(true);
        rig.model->startUpdaterIfNeeded();
    });
    EXPECT_EQ(rig.updaters->made, 0);
    rig.updaters->configured = false;
    rig.onMain([&] {
        rig.model->setNeedsFirstRunNotice(false);
        rig.model->startUpdaterIfNeeded();
    });
    EXPECT_EQ(rig.updaters->made, 0);
    rig.updaters->configured = true;
    rig.onMain([&] {
        rig.model->startUpdaterIfNeeded();
        rig.model->startUpdaterIfNeeded();
    });
    EXPECT_EQ(rig.updaters->made, 1);
}

TEST(WindowAppearance, RefreshingTheAuthorizationPublishesIt) {
    ModelRig rig;
    rig.await([&](auto done) { rig.model->refreshAuthorization(done); });
    EXPECT_EQ(rig.onMain([&] { return rig.model->snapshot().authorization; }),
              LibraryAuthorization::authorized);
    EXPECT_EQ(rig.onMain([&] { return rig.model->accessNotice(); }), std::nullopt);
    rig.library->setAuthorization(LibraryAuthorization::denied);
    rig.await([&](auto done) { rig.model->refreshAuthorization(done); });
    EXPECT_EQ(rig.onMain([&] { return rig.model->accessNotice(); }),
              Strings::text(FixedText::noLibraryAccess, "en"));
}

TEST(LibraryConsent, AnAnswerGivenLaterIsStoredAndTheEngineAndScanFollowIt) {
    std::vector<bool> answers;
    std::shared_ptr<testing::RigLibrary> library;
    bool stores = true;
    RigOptions options;
    options.authorization = LibraryAuthorization::denied;
    options.recordLibraryConsent = [&](bool granted) {
        answers.push_back(granted);
        if (stores)
            library->setAuthorization(granted ? LibraryAuthorization::authorized
                                              : LibraryAuthorization::denied);
        return stores;
    };
    ModelRig rig(options);
    library = rig.library;
    rig.await([&](auto done) { rig.model->start(done); });
    ASSERT_TRUE(rig.onMain([&] { return rig.model->accessNotice().has_value(); }));
    EXPECT_EQ(rig.onMain([&] { return rig.model->snapshot().known; }), 0);

    rig.await([&](auto done) { rig.model->recordLibraryConsent(true, done); });
    EXPECT_EQ(answers, std::vector<bool>{true});
    EXPECT_EQ(rig.onMain([&] { return rig.model->snapshot().authorization; }),
              LibraryAuthorization::authorized);
    EXPECT_EQ(rig.onMain([&] { return rig.model->accessNotice(); }), std::nullopt);
    EXPECT_GT(rig.onMain([&] { return rig.model->snapshot().known; }), 0);

    // An answer that cannot be stored changes nothing the user would not see.
    stores = false;
    rig.await([&](auto done) { rig.model->recordLibraryConsent(false, done); });
    EXPECT_EQ(rig.onMain([&] { return rig.model->snapshot().authorization; }),
              LibraryAuthorization::authorized);
    stores = true;
    rig.await([&](auto done) { rig.model->recordLibraryConsent(false, done); });
    EXPECT_EQ(rig.onMain([&] { return rig.model->accessNotice(); }),
              Strings::text(FixedText::noLibraryAccess, "en"));
}

} // namespace
} // namespace keepsift::app
