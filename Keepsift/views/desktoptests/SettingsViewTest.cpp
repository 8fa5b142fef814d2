#include <atomic>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "DesktopSupport.hpp"
#include "Keepsift/views/SwatchImageSource.hpp"
#include "Keepsift/views/settings/SettingsView.hpp"
#include "WidgetSupport.hpp"
#include "core/storage/MemoryStorage.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app::widgettest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A login item whose autostart folder cannot be written: it stays unregistered.
class UnwritableAutostart : public LoginItem {
public:
    bool setLaunchAtLogin(bool) override {
        ++calls;
        return false;
    }
    int calls = 0;
};

// The settings view at the window's size over a model, after its appearance refresh.
struct ShownSettings {
    std::unique_ptr<AppModel> model;
    ActionLog log;
    std::unique_ptr<SettingsView> view;

    explicit ShownSettings(std::unique_ptr<AppModel> started) : model(std::move(started)) {
        view = std::make_unique<SettingsView>(*model, log.actions());
        view->resize(SettingsView::contentWidth, 640);
        showAndAwait(*view, view->appeared);
    }
    ShownSettings(const std::string& scenario, AppModel::Environment extra = {})
        : ShownSettings(startedScenario(scenario, std::move(extra))) {}

    QCheckBox* box(const char* identifier) { return view->findChild<QCheckBox*>(identifier); }
    QComboBox* picker(const char* identifier) { return view->findChild<QComboBox*>(identifier); }
    std::string text(const char* identifier) const { return textOf(*view, identifier); }
    bool shows(const char* identifier) const { return showsControl(*view, identifier); }
    std::vector<std::string> entries(const char* identifier) {
        std::vector<std::string> names;
        QComboBox* combo = picker(identifier);
        for (int i = 0; i < combo->count(); ++i)
            names.push_back(combo->itemText(i).toStdString());
        return names;
    }
    // Waits until the model holds what the view applied.
    void awaitApplied() {
        if (!QTest::qWaitFor([&] { return model->settings() == view->draft(); }, 30000))
            throw std::runtime_error("the change was never applied");
        settle();
    }
    void choose(const char* identifier, int index) {
        QComboBox* combo = picker(identifier);
        combo->setCurrentIndex(index);
        Q_EMIT combo->activated(index);
    }
};

struct SettingsCase {
    const char* scenario;
    const char* language;
    const char* storage;
};

// The usual state, and the fullest: cloud-stored originals, an access notice and the access
// switch.
const SettingsCase settingsCases[] = {{"family-burst", "en", "local"},
                                      {"family-burst", "de", "local"},
                                      {"permission-denied", "en", "optimised"},
                                      {"permission-denied", "de", "optimised"}};

std::string settingsCaseName(const ::testing::TestParamInfo<SettingsCase>& info) {
    std::string name =
        std::string(info.param.scenario) + "_" + info.param.language + "_" + info.param.storage;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

class SettingsRender : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsRender, ShowsItsControlsWithNoTextCut) {
    const SettingsCase c = GetParam();
    ShownSettings shown(c.scenario,
                        {{"KEEPSIFT_LANGUAGE", c.language}, {"KEEPSIFT_STORAGE", c.storage}});
    screenshot(*shown.view,
               std::string("settings-") + c.scenario + "-" + c.language + "-" + c.storage);
    for (const char* control :
         {"toggle-scanning", "toggle-mains-only", "shared-library-notice", "toggle-menu-bar",
          "toggle-launch-at-login", "picker-review-nudge", "picker-language", "toggle-updates",
          "toggle-telemetry", "settings-version", "settings-done"})
        EXPECT_TRUE(shown.shows(control)) << control;
    EXPECT_EQ(shown.shows("picker-scan-scope"), std::string(c.storage) == "optimised");
    EXPECT_FALSE(shown.shows("check-for-updates"));
    EXPECT_FALSE(shown.shows("launch-at-login-notice"));
    // The form scrolls; every text inside it has its room.
    EXPECT_THAT(cutTexts(*shown.view), IsEmpty());
    EXPECT_EQ(shown.text("settings-version"), "Keepsift 0.1.2");
    const bool german = std::string(c.language) == "de";
    EXPECT_THAT(shown.entries("picker-language"),
                german ? ElementsAre("Englisch", "Deutsch") : ElementsAre("English", "German"));
    EXPECT_EQ(shown.entries("picker-review-nudge").front(), german ? "Nie" : "Never");
    EXPECT_EQ(shown.view->draft(), shown.model->settings()) << "opening applies nothing";
}

INSTANTIATE_TEST_SUITE_P(Scenarios, SettingsRender, ::testing::ValuesIn(settingsCases),
                         settingsCaseName);

// At the window's size the whole form is in view, in either language: nothing waits below
// the bottom edge for a scroll, even with every optional row showing (cloud-stored
// originals, an access notice and the access switch).
class SettingsFit : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsFit, TheWholeFormIsInViewWithoutScrolling) {
    const SettingsCase c = GetParam();
    ShownSettings shown(c.scenario,
                        {{"KEEPSIFT_LANGUAGE", c.language}, {"KEEPSIFT_STORAGE", c.storage}});
    ASSERT_EQ(shown.view->size(), QSize(480, 640));
    auto* form = shown.view->findChild<QScrollArea*>("settings-form");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->verticalScrollBar()->maximum(), 0);
    const QRect viewport = form->viewport()->rect();
    for (QWidget* child : form->widget()->findChildren<QWidget*>()) {
        if (!child->isVisibleTo(shown.view.get())) continue;
        const QRect placed(child->mapTo(form->viewport(), QPoint()), child->size());
        EXPECT_TRUE(viewport.contains(placed))
            << child->metaObject()->className() << " " << child->objectName().toStdString()
            << " at " << placed.y() << "+" << placed.height() << " of " << viewport.height();
    }
    if (std::string(c.storage) == "optimised") {
        for (const char* row : {"picker-scan-scope", "settings-permission", "library-access"})
            EXPECT_TRUE(shown.shows(row)) << row;
    }
    EXPECT_TRUE(shown.shows("toggle-telemetry"));
    EXPECT_THAT(cutTexts(*shown.view), IsEmpty());
    screenshot(*shown.view, std::string("settings-whole-") + c.scenario + "-" + c.language);
}

INSTANTIATE_TEST_SUITE_P(States, SettingsFit, ::testing::ValuesIn(settingsCases), settingsCaseName);

TEST(SettingsView, EverySwitchAppliesTheWholeCopyAndFlippingBackRestores) {
    ShownSettings shown("family-burst");
    const Settings before = shown.model->settings();
    shown.box("toggle-mains-only")->click();
    shown.awaitApplied();
    EXPECT_EQ(shown.model->settings().mainsOnly, !before.mainsOnly);
    EXPECT_EQ(shown.model->store()->settings().mainsOnly, !before.mainsOnly);
    shown.box("toggle-mains-only")->click();
    shown.awaitApplied();
    EXPECT_EQ(shown.model->settings(), before);
    shown.box("toggle-telemetry")->click();
    shown.awaitApplied();
    EXPECT_FALSE(shown.model->settings().telemetryEnabled);
}

TEST(SettingsView, ScopePickerOffersUndecidedOnlyUntilAChoice) {
    ShownSettings shown("family-burst", {{"KEEPSIFT_STORAGE", "optimised"}});
    ASSERT_TRUE(shown.shows("picker-scan-scope"));
    EXPECT_THAT(shown.entries("picker-scan-scope"),
                ElementsAre("Not decided yet", Strings::workInBatches(200, "en"),
                            "Scan the whole library"));
    EXPECT_EQ(shown.picker("picker-scan-scope")->currentIndex(), 0);
    shown.choose("picker-scan-scope", 2);
    shown.awaitApplied();
    EXPECT_EQ(shown.model->settings().scanScope, ScanScope::wholeLibrary);
    EXPECT_THAT(shown.entries("picker-scan-scope"),
                ElementsAre(Strings::workInBatches(200, "en"), "Scan the whole library"));
    EXPECT_EQ(shown.picker("picker-scan-scope")->currentText().toStdString(),
              "Scan the whole library");
}

TEST(SettingsView, ChoosingGermanSwitchesTheTextsOnceStored) {
    ShownSettings shown("family-burst");
    shown.choose("picker-language", 1);
    shown.awaitApplied();
    EXPECT_EQ(shown.model->settings().language, "de");
    EXPECT_EQ(shown.text("settings-done"), "Fertig");
    EXPECT_EQ(shown.box("toggle-launch-at-login")->text().toStdString(), "Beim Anmelden starten");
    EXPECT_THAT(shown.entries("picker-language"), ElementsAre("Englisch", "Deutsch"));
    EXPECT_THAT(cutTexts(*shown.view), IsEmpty());
}

TEST(SettingsView, LanguageOutsideTheListShowsEnglishAndSelectsNothing) {
    ShownSettings shown("family-burst", {{"KEEPSIFT_LANGUAGE", "fr"}});
    EXPECT_EQ(shown.model->settings().language, "fr");
    EXPECT_EQ(shown.text("settings-done"), "Done");
    EXPECT_EQ(shown.picker("picker-language")->currentIndex(), -1);
    EXPECT_EQ(shown.view->draft().language, "fr") << "nothing rewrites the stored language";
}

TEST(SettingsView, PauseFromElsewhereComesIntoTheCopyWithoutAnApply) {
    ShownSettings shown("family-burst");
    shown.model->writePausedInPlace(true);
    settle();
    EXPECT_TRUE(shown.view->draft().isPaused);
    EXPECT_FALSE(shown.model->store()->settings().isPaused) << "the view applied nothing";
}

TEST(SettingsView, UpdateCheckButtonOnlyWithAutomaticChecksOffAndAnUpdaterThatCanCheck) {
    ShownSettings shown("family-burst", {{"KEEPSIFT_LANGUAGE", "de"}});
    auto updater = std::make_shared<FakeUpdater>();
    shown.model->setUpdater(updater);
    EXPECT_FALSE(shown.shows("check-for-updates"));
    shown.box("toggle-updates")->click();
    shown.awaitApplied();
    ASSERT_TRUE(shown.shows("check-for-updates"));
    EXPECT_EQ(shown.text("check-for-updates"), "Nach Updates suchen …");
    shown.view->findChild<QPushButton*>("check-for-updates")->click();
    EXPECT_EQ(updater->checks, 1);
    updater->canCheck = false;
    shown.model->setUpdater(updater);
    EXPECT_FALSE(shown.shows("check-for-updates"));
}

TEST(SettingsView, SwitchesTheBuildCannotHonourAreOffLimitsAndSaySo) {
    for (const std::string language : {"en", "de"}) {
        SCOPED_TRACE(language);
        auto model = unconfiguredBuild(
            {{"KEEPSIFT_SCENARIO", "family-burst"}, {"KEEPSIFT_LANGUAGE", language}});
        ShownSettings shown(std::move(model));
        EXPECT_FALSE(shown.box("toggle-updates")->isEnabled());
        EXPECT_FALSE(shown.box("toggle-telemetry")->isEnabled());
        const auto [updates, telemetry] = unconfiguredCaptions(language);
        EXPECT_TRUE(showsLabel(*shown.view, updates));
        EXPECT_TRUE(showsLabel(*shown.view, telemetry));
        EXPECT_THAT(cutTexts(*shown.view), IsEmpty());
        screenshot(*shown.view, "settings-unconfigured-build-" + language);
    }
}

TEST(SettingsView, AnOpenListKeepsItsEntriesWhileTheScanProgresses) {
    ShownSettings shown("family-burst");
    QComboBox* nudge = shown.picker("picker-review-nudge");
    nudge->showPopup();
    settle();
    QSignalSpy removed(nudge->model(), &QAbstractItemModel::rowsRemoved);
    EngineSnapshot snapshot = shown.model->snapshot();
    snapshot.analysed += 1;
    shown.model->setSnapshot(snapshot);
    settle();
    EXPECT_EQ(removed.count(), 0) << "rebuilding the entries would close the user's list";
    nudge->hidePopup();
}

// In interface-test mode too the settings offer the way out of the no-access state: the
// switch that gives access, which the scenario's library then grants.
TEST(SettingsView, DeniedAccessShowsTheNoticeAndTheSwitchThatGivesIt) {
    for (const char* language : {"en", "de"}) {
        ShownSettings shown("permission-denied", {{"KEEPSIFT_LANGUAGE", language}});
        EXPECT_TRUE(shown.shows("settings-permission"));
        EXPECT_EQ(shown.text("settings-permission"), *shown.model->accessNotice());
        ASSERT_TRUE(shown.shows("library-access"));
        EXPECT_EQ(shown.text("library-access"),
                  std::string(language) == "de" ? "Zugriff auf die Mediathek" : "Library access");
        EXPECT_FALSE(shown.box("library-access")->isChecked());
        screenshot(*shown.view, std::string("settings-access-denied-") + language);
        shown.box("library-access")->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.model->accessNotice(); }, 30000));
        settle();
        EXPECT_EQ(shown.model->snapshot().authorization, LibraryAuthorization::authorized);
        EXPECT_FALSE(shown.shows("settings-permission"));
        EXPECT_TRUE(shown.box("library-access")->isChecked());
    }
}

TEST(SettingsView, ADeclinedAccessIsGivenAgainThroughTheModel) {
    auto answer = std::make_shared<std::atomic<int>>(-1);
    auto services = testServices();
    services.recordLibraryConsent = [answer](bool granted) {
        answer->store(granted ? 1 : 0);
        return true;
    };
    auto model = AppModel::makeForScenario({{"KEEPSIFT_SCENARIO", "permission-denied"}}, services,
                                           std::make_shared<SwatchImageSource>(services.mainActor));
    waitFor([&](AppModel::Done done) { model->start(std::move(done)); });
    ShownSettings shown(std::move(model));
    ASSERT_TRUE(shown.shows("library-access"));
    EXPECT_FALSE(shown.box("library-access")->isChecked());
    shown.box("library-access")->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer->load() == 1; }, 30000));
}

TEST(SettingsView, RefusedLoginItemTurnsTheSwitchBackAndSaysWhy) {
    auto services = testServices();
    auto login = std::make_shared<UnwritableAutostart>();
    services.loginItem = login;
    auto model =
        AppModel::makeForScenario({{"KEEPSIFT_SCENARIO", "family-burst"}}, services, nullptr);
    waitFor([&](AppModel::Done done) { model->start(std::move(done)); });
    ShownSettings shown(std::move(model));
    shown.box("toggle-launch-at-login")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.shows("launch-at-login-notice"); }, 30000));
    settle();
    EXPECT_GE(login->calls, 1);
    EXPECT_FALSE(shown.box("toggle-launch-at-login")->isChecked());
    EXPECT_FALSE(shown.model->settings().launchAtLogin);
    EXPECT_NE(shown.text("launch-at-login-notice").find("autostart"), std::string::npos);
    screenshot(*shown.view, "settings-login-refused");
    EXPECT_THAT(cutTexts(*shown.view), IsEmpty());
}

TEST(SettingsView, HandWrittenSettingsWithWrongTypesShowTheEffectiveValues) {
    // A record edited by hand: wrong types fall back key by key, unknown keys are ignored.
    auto scenario =
        AppModel::makeForScenario({{"KEEPSIFT_SCENARIO", "family-burst"}}, testServices(), nullptr);
    const std::string record = R"({"scanningEnabled": "yes", "mainsOnly": false,
        "reviewNudge": 600, "launchAtLogin": 1, "telemetryEnabled": false,
        "language": "de", "colour": "teal", "scanScope": "everything"})";
    auto storage = std::make_shared<MemoryStorage>(
        std::map<std::string, Data>{{std::string(KeepsiftStore::settingsKey), record},
                                    {std::string(KeepsiftStore::seenFirstRunNoticeKey), "true"}});
    AppModel::Parts parts;
    parts.engine = scenario->engine();
    parts.store = std::make_shared<KeepsiftStore>(storage, "en");
    parts.telemetry = scenario->telemetry();
    parts.clock = scenario->clock();
    parts.startsUpdater = false;
    parts.fixedConditions = scenario->fixedConditions();
    auto model = std::make_unique<AppModel>(parts, testServices());
    waitFor([&](AppModel::Done done) { model->start(std::move(done)); });
    ShownSettings shown(std::move(model));
    EXPECT_TRUE(shown.box("toggle-scanning")->isChecked()) << "a text is no Boolean: default";
    EXPECT_FALSE(shown.box("toggle-mains-only")->isChecked());
    EXPECT_FALSE(shown.box("toggle-launch-at-login")->isChecked()) << "1 is no Boolean";
    EXPECT_FALSE(shown.box("toggle-telemetry")->isChecked());
    EXPECT_EQ(shown.picker("picker-review-nudge")->currentText().toStdString(), "600");
    EXPECT_EQ(shown.text("settings-done"), "Fertig");
    EXPECT_EQ(shown.view->draft(), shown.model->settings());
    screenshot(*shown.view, "settings-hand-written");
}

} // namespace
} // namespace keepsift::app::widgettest
