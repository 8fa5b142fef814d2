#include "WidgetSupport.hpp"

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTextDocument>

#include "Keepsift/views/SwatchImageSource.hpp"

namespace keepsift::app::widgettest {

void GuiMainActor::post(std::function<void()> work) {
    QMetaObject::invokeMethod(qApp, std::move(work), Qt::QueuedConnection);
}

bool WaitingSleeper::sleep(double, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait(lock, stop, [] { return false; });
    return false;
}

AppModel::Services testServices() {
    AppModel::Services services;
    services.mainActor = std::make_shared<GuiMainActor>();
    services.sleeper = std::make_shared<WaitingSleeper>();
    return services;
}

std::unique_ptr<AppModel> startedScenario(const std::string& scenario, AppModel::Environment extra,
                                          std::shared_ptr<ImageSource> images) {
    extra["KEEPSIFT_SCENARIO"] = scenario;
    auto services = testServices();
    if (!images) images = std::make_shared<SwatchImageSource>(services.mainActor);
    auto model = AppModel::makeForScenario(extra, services, std::move(images));
    waitFor([&](AppModel::Done done) { model->start(std::move(done)); });
    return model;
}

namespace {
int appearances = 0;
int awaited = 0;
} // namespace

ReviewWindow::Hooks appearing() {
    ReviewWindow::Hooks hooks;
    hooks.appeared = [] { ++appearances; };
    return hooks;
}

void waitUntilAppeared() {
    ++awaited;
    if (!QTest::qWaitFor([] { return appearances >= awaited; }, 30000))
        throw std::runtime_error("the window's appearance refresh never finished");
    settle();
}

void showAtUsualSize(ReviewWindow& window, bool activate) {
    window.resize(980, 680);
    window.show();
    if (activate) window.activateWindow();
    settle();
    waitUntilAppeared();
}

void waitFor(const std::function<void(AppModel::Done)>& operation) {
    bool finished = false;
    operation([&finished] { finished = true; });
    if (!QTest::qWaitFor([&] { return finished; }, 30000))
        throw std::runtime_error("the model's operation never finished");
    settle();
}

void settle() {
    for (int round = 0; round < 5; ++round)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

QImage screenshot(QWidget& widget, const std::string& name) {
    settle();
    QImage image = widget.grab().toImage();
    std::filesystem::create_directories(KEEPSIFT_SCREENSHOTS);
    image.save(QString::fromStdString(std::string(KEEPSIFT_SCREENSHOTS) + "/" + name + ".png"));
    return image;
}

void pressKey(QWidget* fallback, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    // A modal dialog takes the keys of the window it blocks.
    QWidget* target = QApplication::focusWidget();
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && (!target || target->window() != modal)) target = modal;
    if (!target) target = QApplication::activeWindow();
    if (!target) target = fallback;
    QTest::keyClick(target, key, modifiers);
    settle();
}

namespace {

// The width and height the text needs in this label.
bool labelIsCut(const QLabel& label) {
    const QRect room = label.contentsRect();
    if (label.wordWrap()) return label.heightForWidth(label.width()) > label.height();
    QSize needed = label.sizeHint();
    if (label.textFormat() == Qt::RichText) {
        QTextDocument document;
        document.setDefaultFont(label.font());
        document.setHtml(label.text());
        needed = document.size().toSize();
        return needed.width() > room.width() + 8;
    }
    return needed.width() > label.width() || needed.height() > label.height();
}

} // namespace

std::vector<std::string> cutTexts(const QWidget& widget) {
    std::vector<std::string> cut;
    for (const QLabel* label : widget.findChildren<QLabel*>())
        if (label->isVisibleTo(&widget) && !label->text().isEmpty() && labelIsCut(*label))
            cut.push_back(label->text().toStdString());
    for (const QAbstractButton* button : widget.findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(&widget) || button->text().isEmpty()) continue;
        const QSize needed = button->sizeHint();
        if (needed.width() > button->width() || needed.height() > button->height())
            cut.push_back(button->text().toStdString());
    }
    return cut;
}

std::string textOf(const QWidget& widget, const char* identifier) {
    const auto* child = widget.findChild<QWidget*>(QString::fromUtf8(identifier));
    if (!child || !child->isVisibleTo(&widget)) return "";
    if (const auto* label = qobject_cast<const QLabel*>(child)) return label->text().toStdString();
    if (const auto* button = qobject_cast<const QAbstractButton*>(child))
        return button->text().toStdString();
    return "";
}

std::vector<std::string> overlappingControls(const QWidget& parent) {
    std::vector<QWidget*> controls;
    for (auto* child : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisible() &&
            (qobject_cast<QAbstractButton*>(child) || qobject_cast<QLabel*>(child)))
            controls.push_back(child);
    std::vector<std::string> overlapping;
    for (std::size_t i = 0; i < controls.size(); ++i)
        for (std::size_t j = i + 1; j < controls.size(); ++j)
            if (controls[i]->geometry().intersects(controls[j]->geometry()))
                overlapping.push_back(controls[i]->objectName().toStdString() + " / " +
                                      controls[j]->objectName().toStdString());
    return overlapping;
}

} // namespace keepsift::app::widgettest
