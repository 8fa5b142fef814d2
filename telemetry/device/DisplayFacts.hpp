#pragma once

#include <memory>
#include <mutex>
#include <optional>

namespace keepsift::analytics {

// What the windowing layer knows about the screen and the user's display preferences.
// Absent values read as "N/A" (or no key at all, for accessibility): headless runs and
// tests have none.
struct DisplayFacts {
    struct Screen {
        double width = 0; // logical pixels
        double height = 0;
        double scale = 1; // device pixels per logical pixel
        bool operator==(const Screen&) const = default;
    };
    struct Accessibility {
        bool highContrast = false;
        bool reduceMotion = false;
        bool largerText = false;
        bool operator==(const Accessibility&) const = default;
    };
    enum class ColorScheme { light, dark };
    enum class LayoutDirection { leftToRight, rightToLeft };

    std::optional<Screen> mainScreen;
    std::optional<ColorScheme> colorScheme;
    std::optional<LayoutDirection> layoutDirection;
    std::optional<Accessibility> accessibility;

    bool operator==(const DisplayFacts&) const = default;
};

// The shell fills this from Qt on its own thread; the client reads it on its own.
class DisplayFactsProvider {
public:
    DisplayFacts current() const {
        std::lock_guard guard(lock_);
        return facts_;
    }
    void set(DisplayFacts facts) {
        std::lock_guard guard(lock_);
        facts_ = std::move(facts);
    }

    // The one the shell fills and the client reads by default.
    static std::shared_ptr<DisplayFactsProvider> shared();

private:
    mutable std::mutex lock_;
    DisplayFacts facts_;
};

} // namespace keepsift::analytics
