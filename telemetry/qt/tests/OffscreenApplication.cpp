#include <QApplication>
#include <array>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The run's application object on the offscreen platform; it goes before the process ends so
// that what Qt's font and platform libraries hold is released.
class OffscreenApplication : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = std::make_unique<QApplication>(argc_, argv_.data());
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[28] = "keepsift_analytics_qt_tests";
    std::array<char*, 2> argv_{name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] const auto* const offscreen =
    ::testing::AddGlobalTestEnvironment(new OffscreenApplication);

} // namespace
