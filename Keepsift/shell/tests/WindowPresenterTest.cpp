#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <gtest/gtest.h>
#include <map>

#include "Keepsift/shell/WindowPresenter.hpp"
#include "core/storage/UserDefaults.hpp"

namespace keepsift::app {
namespace {

struct MapDefaults : UserDefaults {
    std::optional<Data> dataForKey(const std::string& key) const override {
        auto found = values.find(key);
        return found == values.end() ? std::nullopt : std::optional<Data>(found->second);
    }
    void setObject(const Data& data, const std::string& key) override { values[key] = data; }
    void removeObject(const std::string& key) override { values.erase(key); }
    std::map<std::string, Data> values;
};

const WindowPresenter::Shape review{"review", {980, 680}, true, false};
const WindowPresenter::Shape settings{"settings", {480, 640}, false, true};

class WindowPresenterTest : public ::testing::Test {
protected:
    std::function<QWidget*()> content() {
        return [this] {
            ++made;
            return new QLabel("content");
        };
    }
    static void close(QWidget* window) {
        window->close();
        QApplication::processEvents();
    }

    std::shared_ptr<MapDefaults> defaults = std::make_shared<MapDefaults>();
    int made = 0, opened = 0, closed = 0;
};

TEST_F(WindowPresenterTest, ReusesOneWindowAndCallsBackOnEveryVisiblePeriod) {
    WindowPresenter presenter(review, defaults);
    presenter.onOpen = [&] { ++opened; };
    presenter.onClose = [&] { ++closed; };
    presenter.present("Keepsift", content());
    QWidget* first = presenter.window();
    presenter.present("Keepsift", content());
    EXPECT_EQ(presenter.window(), first);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(first->objectName(), "review");
    EXPECT_EQ(first->size(), QSize(980, 680));
    EXPECT_EQ(first->minimumSize(), QSize(640, 420));

    close(first);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(first->isVisible());
    presenter.present("Renamed", content());
    EXPECT_EQ(presenter.window(), first);
    EXPECT_EQ(first->windowTitle(), "Renamed");
    EXPECT_EQ(made, 1);
    EXPECT_EQ(opened, 2);
    close(first);
    EXPECT_EQ(closed, 2);
}

TEST_F(WindowPresenterTest, AFixedWindowKeepsItsSizeAndSavesNoFrame) {
    WindowPresenter presenter(settings, defaults);
    presenter.present("Keepsift Settings", content());
    EXPECT_EQ(presenter.window()->minimumSize(), QSize(480, 640));
    EXPECT_EQ(presenter.window()->maximumSize(), QSize(480, 640));
    close(presenter.window());
    EXPECT_TRUE(defaults->values.empty());
}

TEST_F(WindowPresenterTest, AResizableWindowReopensAtTheFrameSavedInAnEarlierRun) {
    {
        WindowPresenter earlier(review, defaults);
        earlier.present("Keepsift", content());
        earlier.window()->resize(1100, 700);
        close(earlier.window());
    }
    ASSERT_TRUE(defaults->values.count("NSWindow Frame review"));
    WindowPresenter later(review, defaults);
    later.present("Keepsift", content());
    EXPECT_EQ(later.window()->size(), QSize(1100, 700));
}

} // namespace
} // namespace keepsift::app
