#include "core/telemetry/Signal.hpp"

namespace keepsift {
namespace {

std::string flag(bool value) {
    return value ? "true" : "false";
}

template <class E> std::string raw(E value) {
    return std::string(toString(value));
}

struct Names {
    std::string_view operator()(const Signal::DailyHeartbeat&) const {
        return "com.ambervale.daily.heartbeat";
    }
    std::string_view operator()(const Signal::PermissionAnswered&) const {
        return "com.ambervale.permission.answered";
    }
    std::string_view operator()(const Signal::ScanCompleted&) const {
        return "com.ambervale.scan.completed";
    }
    std::string_view operator()(const Signal::ReviewSession&) const {
        return "com.ambervale.review.session";
    }
    std::string_view operator()(const Signal::DeleteBatch&) const {
        return "com.ambervale.delete.batch";
    }
    std::string_view operator()(const Signal::SettingChanged&) const {
        return "com.ambervale.settings.changed";
    }
    std::string_view operator()(const Signal::AppLaunched&) const {
        return "com.ambervale.app.launched";
    }
};

struct Payloads {
    SignalPayload operator()(const Signal::DailyHeartbeat& s) const {
        return {{"library", raw(s.library)},
                {"groups", raw(s.groups)},
                {"flagged", raw(s.flagged)},
                {"reviewNudge", raw(s.reviewNudge)},
                {"scanning", flag(s.scanning)},
                {"mainsOnly", flag(s.mainsOnly)},
                {"menuBarVisible", flag(s.menuBarVisible)},
                {"launchAtLogin", flag(s.launchAtLogin)},
                {"automaticUpdates", flag(s.automaticUpdates)},
                {"language", raw(s.language)}};
    }
    SignalPayload operator()(const Signal::PermissionAnswered& s) const {
        return {{"status", raw(s.status)}};
    }
    SignalPayload operator()(const Signal::ScanCompleted& s) const {
        return {
            {"library", raw(s.library)}, {"groups", raw(s.groups)}, {"flagged", raw(s.flagged)}};
    }
    SignalPayload operator()(const Signal::ReviewSession& s) const {
        return {{"reviewed", raw(s.reviewed)},
                {"overrides", raw(s.overrides)},
                {"resets", raw(s.resets)}};
    }
    SignalPayload operator()(const Signal::DeleteBatch& s) const {
        return {{"photos", raw(s.photos)}, {"size", raw(s.size)}};
    }
    SignalPayload operator()(const Signal::SettingChanged& s) const {
        return {{"setting", raw(s.setting)}};
    }
    SignalPayload operator()(const Signal::AppLaunched&) const { return {}; }
};

} // namespace

std::string_view Signal::name() const {
    return std::visit(Names{}, case_);
}

SignalPayload Signal::payload() const {
    return std::visit(Payloads{}, case_);
}

} // namespace keepsift
