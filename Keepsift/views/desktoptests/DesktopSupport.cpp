#include "DesktopSupport.hpp"

#include <QAbstractButton>
#include <QLabel>
#include <QTest>

#include "WidgetSupport.hpp"

namespace keepsift::app::widgettest {
namespace {

bool isShown(const QWidget& widget, const QWidget& root) {
    return widget.isVisibleTo(&root);
}

class UnconfiguredUpdaters : public UpdaterFactory {
public:
    bool isConfigured() const override { return false; }
    std::shared_ptr<Updater> make() override { return nullptr; }
};

} // namespace

std::vector<std::string> visibleIdentifiers(const QWidget& widget) {
    std::vector<std::string> names;
    for (const QWidget* child : widget.findChildren<QWidget*>())
        if (isShown(*child, widget) && !child->objectName().isEmpty() &&
            !child->objectName().startsWith(QStringLiteral("qt_")))
            names.push_back(child->objectName().toStdString());
    return names;
}

bool showsControl(const QWidget& widget, const char* identifier) {
    const auto* child = widget.findChild<QWidget*>(QString::fromUtf8(identifier));
    return child && isShown(*child, widget);
}

void showAndAwait(QWidget& widget, std::function<void()>& appeared) {
    bool done = false;
    appeared = [&done] { done = true; };
    widget.show();
    const bool finished = QTest::qWaitFor([&] { return done; }, 30000);
    appeared = nullptr;
    if (!finished) throw std::runtime_error("the window's appearance refresh never finished");
    settle();
}

WindowActions ActionLog::actions() {
    WindowActions actions;
    actions.showReview = [this] { ++reviews, order.push_back("review"); };
    actions.showSettings = [this] { ++settings, order.push_back("settings"); };
    actions.dismissPopover = [this] { ++dismissals, order.push_back("dismiss"); };
    actions.openPrivacySettings = [this] { ++privacy, order.push_back("privacy"); };
    actions.quit = [this] { ++quits, order.push_back("quit"); };
    return actions;
}

} // namespace keepsift::app::widgettest

namespace keepsift::app::widgettest {

std::unique_ptr<AppModel> unconfiguredBuild(AppModel::Environment environment) {
    auto services = testServices();
    services.updaters = std::make_shared<UnconfiguredUpdaters>();
    auto scenario = AppModel::makeForScenario(environment, services, nullptr);
    AppModel::Parts parts;
    parts.engine = scenario->engine();
    parts.store = scenario->store();
    parts.telemetry = scenario->telemetry();
    parts.clock = scenario->clock();
    parts.startsUpdater = false;
    parts.fixedConditions = scenario->fixedConditions();
    parts.sendsUsage = false;
    auto model = std::make_unique<AppModel>(parts, services);
    waitFor([&](AppModel::Done done) { model->start(std::move(done)); });
    return model;
}

std::pair<std::string, std::string> unconfiguredCaptions(const std::string& language) {
    if (language == "de")
        return {"Diese Ausgabe von Keepsift hat keinen Update-Schl\u00FCssel und sucht daher nie "
                "nach Updates.",
                "Diese Ausgabe von Keepsift hat keine Analyse-Kennung und sendet daher nie "
                "Nutzungszahlen."};
    return {"This build of Keepsift has no update key, so it never checks for updates.",
            "This build of Keepsift has no analytics identifier, so it never sends usage counts."};
}

bool showsLabel(const QWidget& widget, const std::string& text) {
    const auto labels = widget.findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(), [&](const QLabel* label) {
        return label->isVisibleTo(&widget) && label->text().toStdString() == text;
    });
}

} // namespace keepsift::app::widgettest
