#include "core/scenarios/StateRenderer.hpp"

#include <cstdio>

#include "core/settings/QueueReadiness.hpp"
#include "core/settings/ReviewNudge.hpp"
#include "core/support/Unicode.hpp"
#include "core/text/Strings.hpp"

namespace keepsift {
namespace {

std::string flag(bool value) {
    return value ? "true" : "false";
}

std::string signedScore(double score) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%+.2f", score);
    return buffer;
}

class Report {
public:
    explicit Report(std::string language) : language_(std::move(language)) {}

    const std::string& language() const { return language_; }
    std::string text(FixedText entry) const { return Strings::text(entry, language_); }

    void line(std::string text) { lines_.push_back(std::move(text)); }
    void heading(std::string_view name) { line("── " + std::string(name)); }
    void row(std::string_view label, std::string_view value) {
        line(StateRenderer::row(label, value));
    }
    void note(std::string_view value) { row("", value); }

    std::string joined() const {
        std::string text;
        for (const auto& line : lines_)
            text += line + "\n";
        const size_t first = text.find_first_not_of("\r\n");
        if (first == std::string::npos) return "\n";
        const size_t last = text.find_last_not_of("\r\n");
        return text.substr(first, last - first + 1) + "\n";
    }

private:
    std::string language_;
    std::vector<std::string> lines_;
};

std::string menuBarMark(const AppSnapshot& snapshot) {
    const ReviewNudge nudge = snapshot.settings.reviewNudge;
    if (nudge == ReviewNudge::never) return "never";
    const std::string state = isReached(nudge, snapshot.flaggedCount()) ? "showing" : "not yet";
    return "at " + std::to_string(rawValue(nudge)) + " — " + state;
}

void settingsSection(Report& report, const AppSnapshot& snapshot) {
    const Settings& settings = snapshot.settings;
    report.heading("settings");
    report.row("scanning", settings.scanningEnabled ? "on" : "off");
    report.row("paused", flag(settings.isPaused));
    report.row("mains only", flag(settings.mainsOnly));
    report.row("power", std::string(toString(snapshot.conditions.power)) +
                            ", lowPower=" + flag(snapshot.conditions.isLowPowerMode));
    report.row("menu bar icon", settings.showsMenuBarIcon ? "visible" : "hidden");
    report.row("launch at login", flag(settings.launchAtLogin));
    report.row("menu bar mark", menuBarMark(snapshot));
    report.row("language", snapshot.language);
}

std::string_view queueText(QueueReadiness readiness) {
    switch (readiness) {
    case QueueReadiness::run:
        return "running";
    case QueueReadiness::scanningOff:
        return "scanning is switched off";
    case QueueReadiness::paused:
        return "paused by the user";
    case QueueReadiness::noLibraryAccess:
        return "no access to the photo library";
    case QueueReadiness::waitingForMains:
        return "waiting for mains power";
    case QueueReadiness::lowPowerMode:
        return "waiting — the power-saver profile is on";
    case QueueReadiness::tooHot:
        return "waiting — the computer is too warm";
    }
    return "";
}

// Appending keeps g++ 12 from a false -Wrestrict on "[" + std::string at -O3.
std::string buttonTitle(std::string_view title) {
    std::string text = "[";
    text.append(title).append("]");
    return text;
}

void accessNotices(Report& report, LibraryAuthorization authorization) {
    switch (authorization) {
    case LibraryAuthorization::limited:
        report.note(report.text(FixedText::libraryLimited));
        break;
    case LibraryAuthorization::denied:
        report.note(report.text(FixedText::noLibraryAccess));
        report.note(buttonTitle(report.text(FixedText::openSystemSettings)));
        break;
    case LibraryAuthorization::restricted:
        report.note(report.text(FixedText::libraryRestricted));
        break;
    case LibraryAuthorization::notDetermined:
    case LibraryAuthorization::authorized:
        break;
    }
}

void statusSection(Report& report, const AppSnapshot& snapshot) {
    report.heading("status");
    report.row("queue", queueText(queueReadiness(snapshot.conditions)));
    report.row("waiting", std::to_string(snapshot.waiting) + " photo(s)");
    report.row("photo access", toString(snapshot.authorization));
    accessNotices(report, snapshot.authorization);
}

std::string decisionLine(const PhotoDecision& decision, std::string_view language) {
    return "  " + std::string(decision.isKeeper ? "keep    " : "discard ") +
           StateRenderer::padded(decision.filename, StateRenderer::filenameWidth) +
           StateRenderer::padded(signedScore(decision.score), StateRenderer::scoreWidth) +
           std::string(text(decision.reason, language));
}

void reviewSection(Report& report, const AppSnapshot& snapshot) {
    report.heading("review (" + std::to_string(snapshot.decisions.size()) + " group(s))");
    if (snapshot.decisions.empty()) report.note(report.text(FixedText::nothingToReview));
    for (const auto& group : snapshot.decisions) {
        report.line(std::string(toString(group.kind)) + "  " + group.groupID);
        for (const auto& decision : group.decisions)
            report.line(decisionLine(decision, report.language()));
    }
}

void deleteSection(Report& report, const AppSnapshot& snapshot) {
    report.heading("delete");
    const std::int64_t flagged = snapshot.flaggedCount();
    if (flagged < 1) {
        report.row("button", "—");
        return;
    }
    report.row("button", Strings::deleteDiscarded(flagged, report.language()));
    report.row("confirm", Strings::deleteButton(flagged, report.language()));
    report.note(Strings::recentlyDeletedNote(flagged, report.language()));
}

std::string_view menuBarState(QueueReadiness readiness) {
    switch (readiness) {
    case QueueReadiness::run:
        return "watching";
    case QueueReadiness::scanningOff:
        return "off";
    case QueueReadiness::paused:
        return "paused";
    case QueueReadiness::noLibraryAccess:
        return "no photo access";
    case QueueReadiness::waitingForMains:
    case QueueReadiness::lowPowerMode:
    case QueueReadiness::tooHot:
        return "waiting";
    }
    return "";
}

void menuBarSection(Report& report, const AppSnapshot& snapshot) {
    report.heading("menu bar");
    report.row("state", menuBarState(queueReadiness(snapshot.conditions)));
    report.row("status", Strings::toDiscard(snapshot.flaggedCount(), snapshot.flaggedBytes,
                                            report.language()));
    report.row("counts", std::to_string(snapshot.groupsToReview()) + " group(s) to review, " +
                             std::to_string(snapshot.keptCount()) + " kept");
    report.note(report.text(FixedText::nothingMovedNotice));
}

} // namespace

std::string StateRenderer::padded(std::string_view text, size_t width) {
    const size_t count = unicode::characterCount(text);
    return std::string(text) + std::string(count < width ? width - count : 1, ' ');
}

std::string StateRenderer::row(std::string_view label, std::string_view value) {
    return "  " + padded(label, labelWidth) + std::string(value);
}

std::string StateRenderer::render(const AppSnapshot& snapshot) {
    Report report(snapshot.language);
    report.line("scenario  " + snapshot.scenario);
    report.line(std::string(10, ' ') + snapshot.summary);
    for (auto section :
         {settingsSection, statusSection, reviewSection, deleteSection, menuBarSection}) {
        report.line("");
        section(report, snapshot);
    }
    return report.joined();
}

} // namespace keepsift
