#pragma once

#include <map>
#include <string>
#include <string_view>
#include <variant>

#include "core/model/LibraryEnums.hpp"
#include "core/telemetry/Buckets.hpp"

namespace keepsift {

// Parameters of a usage signal; every value is a fixed text.
using SignalPayload = std::map<std::string, std::string>;

// The closed vocabulary of usage signals. Build one from its case:
// Signal(Signal::DeleteBatch{DeleteBucket::one, SizeBucket::tiny}).
class Signal {
public:
    struct DailyHeartbeat {
        LibraryBucket library;
        GroupBucket groups;
        FlaggedBucket flagged;
        NudgeThreshold reviewNudge;
        bool scanning;
        bool mainsOnly;
        bool menuBarVisible;
        bool launchAtLogin;
        bool automaticUpdates;
        LanguageTag language;
        bool operator==(const DailyHeartbeat&) const = default;
    };
    struct PermissionAnswered {
        LibraryAuthorization status;
        bool operator==(const PermissionAnswered&) const = default;
    };
    struct ScanCompleted {
        LibraryBucket library;
        GroupBucket groups;
        FlaggedBucket flagged;
        bool operator==(const ScanCompleted&) const = default;
    };
    struct ReviewSession {
        GroupBucket reviewed;
        OverrideBucket overrides;
        OverrideBucket resets;
        bool operator==(const ReviewSession&) const = default;
    };
    struct DeleteBatch {
        DeleteBucket photos;
        SizeBucket size;
        bool operator==(const DeleteBatch&) const = default;
    };
    struct SettingChanged {
        SettingName setting;
        bool operator==(const SettingChanged&) const = default;
    };
    struct AppLaunched {
        bool operator==(const AppLaunched&) const = default;
    };

    using Case = std::variant<DailyHeartbeat, PermissionAnswered, ScanCompleted, ReviewSession,
                              DeleteBatch, SettingChanged, AppLaunched>;

    template <class C>
    requires std::is_constructible_v<Case, C> Signal(C value) : case_(std::move(value)) {}

    const Case& value() const { return case_; }
    template <class C> const C* as() const { return std::get_if<C>(&case_); }

    // The reverse-DNS signal name, such as "com.ambervale.app.launched".
    std::string_view name() const;
    SignalPayload payload() const;

    bool operator==(const Signal&) const = default;

private:
    Case case_;
};

} // namespace keepsift
