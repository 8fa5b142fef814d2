#include "Keepsift/views/settings/SettingsView.hpp"

#include <QHBoxLayout>
#include <QPointer>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "Keepsift/views/SecondaryText.hpp"
#include "Keepsift/views/ViewTexts.hpp"
#include "Keepsift/views/forms/FormRows.hpp"
#include "Keepsift/views/forms/FormTexts.hpp"
#include "Keepsift/views/forms/PrivacyRows.hpp"
#include "Keepsift/views/settings/SettingsTexts.hpp"
#include "core/settings/Keepsift.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {
namespace {

// Item data of the scope picker: nothing chosen, batches, the whole library.
constexpr int undecided = -1;

int scopeData(std::optional<ScanScope> scope) {
    return scope ? static_cast<int>(*scope) : undecided;
}

std::optional<ScanScope> scopeOf(const QVariant& data) {
    const int value = data.toInt();
    if (value == undecided) return std::nullopt;
    return static_cast<ScanScope>(value);
}

void addRows(QGroupBox* section, std::initializer_list<QWidget*> rows) {
    auto* box = static_cast<QVBoxLayout*>(section->layout());
    for (QWidget* row : rows)
        box->addWidget(row);
}

} // namespace

SettingsView::SettingsView(AppModel& model, WindowActions actions, QWidget* parent)
    : QWidget(parent), model_(model), actions_(std::move(actions)) {
    build();
    connectControls();
    draft_ = model_.settings();
    sync();
    QPointer<SettingsView> self(this);
    observation_ = model_.observe([self](Property property) {
        if (self) self->modelChanged(property);
    });
}

void SettingsView::build() {
    setFixedWidth(contentWidth);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("settings-form"));
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setMinimumHeight(formMinimumHeight);
    auto* form = new QWidget(scroll_);
    auto* sections = new QVBoxLayout(form);
    // Tight enough that the fullest form (cloud originals, an access notice and the access
    // switch) fits the fixed window in either language.
    sections->setContentsMargins(16, 4, 16, 2);
    sections->setSpacing(4);
    buildScanning(form);
    buildBehaviour(form);
    buildPrivacy(form);
    for (QWidget* widget : {scanningSection_, behaviourSection_, privacySection_})
        sections->addWidget(widget);
    sections->addStretch(1);
    // The scroll area gives the form the height its width needs; a wrapped caption asking
    // for the taller shape it would prefer on its own would make room for nothing.
    for (QLabel* caption : form->findChildren<QLabel*>())
        if (caption->wordWrap())
            caption->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    scroll_->setWidget(form);
    outer->addWidget(scroll_, 1);
    outer->addWidget(buildFooter());
}

QGroupBox* SettingsView::section(QWidget* parent) {
    auto* group = new QGroupBox(parent);
    auto* box = new QVBoxLayout(group);
    box->setContentsMargins(10, 2, 10, 6);
    box->setSpacing(2);
    return group;
}

SettingsView::Picker SettingsView::picker(const char* identifier, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* box = new QHBoxLayout(row);
    box->setContentsMargins(0, 0, 0, 0);
    Picker picker{new QLabel(row), new QComboBox(row)};
    picker.box->setObjectName(QString::fromUtf8(identifier));
    picker.label->setBuddy(picker.box);
    box->addWidget(picker.label);
    box->addStretch(1);
    box->addWidget(picker.box);
    return picker;
}

void SettingsView::buildScanning(QWidget* form) {
    scanningSection_ = section(form);
    scanning_ = switchRow("toggle-scanning", scanningSection_);
    scanningCaption_ = captionRow(scanningSection_);
    mainsOnly_ = switchRow("toggle-mains-only", scanningSection_);
    mainsOnlyCaption_ = captionRow(scanningSection_);
    sharedLibrary_ = captionRow(scanningSection_, "shared-library-notice");
    scope_ = picker("picker-scan-scope", scanningSection_);
    scopeCaption_ = captionRow(scanningSection_);
    permission_ = captionRow(scanningSection_, "settings-permission");
    libraryAccess_ = switchRow("library-access", scanningSection_);
    libraryAccessCaption_ = captionRow(scanningSection_);
    addRows(scanningSection_, {scanning_, scanningCaption_, mainsOnly_, mainsOnlyCaption_,
                               sharedLibrary_, scope_.box->parentWidget(), scopeCaption_,
                               permission_, libraryAccess_, libraryAccessCaption_});
}

void SettingsView::buildBehaviour(QWidget* form) {
    behaviourSection_ = section(form);
    menuBar_ = switchRow("toggle-menu-bar", behaviourSection_);
    menuBarCaption_ = captionRow(behaviourSection_);
    login_ = switchRow("toggle-launch-at-login", behaviourSection_);
    loginNotice_ = captionRow(behaviourSection_, "launch-at-login-notice");
    loginNotice_->hide();
    nudge_ = picker("picker-review-nudge", behaviourSection_);
    nudgeCaption_ = captionRow(behaviourSection_);
    language_ = picker("picker-language", behaviourSection_);
    addRows(behaviourSection_,
            {menuBar_, menuBarCaption_, login_, loginNotice_, nudge_.box->parentWidget(),
             nudgeCaption_, language_.box->parentWidget()});
}

void SettingsView::buildPrivacy(QWidget* form) {
    privacySection_ = section(form);
    updates_ = switchRow("toggle-updates", privacySection_);
    updatesCaption_ = captionRow(privacySection_);
    checkUpdates_ = new QPushButton(privacySection_);
    checkUpdates_->setObjectName(QStringLiteral("check-for-updates"));
    telemetry_ = switchRow("toggle-telemetry", privacySection_);
    telemetryCaption_ = captionRow(privacySection_);
    addRows(privacySection_,
            {updates_, updatesCaption_, checkUpdates_, telemetry_, telemetryCaption_});
    static_cast<QVBoxLayout*>(privacySection_->layout())
        ->setAlignment(checkUpdates_, Qt::AlignLeft);
}

QWidget* SettingsView::buildFooter() {
    auto* footer = new QWidget(this);
    auto* box = new QHBoxLayout(footer);
    box->setContentsMargins(16, 6, 16, 10);
    privacyLink_ = linkLabel(footer);
    termsLink_ = linkLabel(footer);
    version_ = secondaryLabel(ViewFonts::caption(), footer);
    version_->setObjectName(QStringLiteral("settings-version"));
    done_ = new QPushButton(footer);
    done_->setObjectName(QStringLiteral("settings-done"));
    done_->setDefault(true);
    box->addWidget(privacyLink_);
    box->addWidget(termsLink_);
    box->addStretch(1);
    box->addWidget(version_);
    box->addWidget(done_);
    return footer;
}

void SettingsView::connectControls() {
    const auto bind = [this](QCheckBox* box, bool Settings::*field) {
        connect(box, &QCheckBox::toggled, this,
                [this, field](bool on) { edit([&](Settings& s) { s.*field = on; }); });
    };
    bind(scanning_, &Settings::scanningEnabled);
    bind(mainsOnly_, &Settings::mainsOnly);
    bind(menuBar_, &Settings::showsMenuBarIcon);
    bind(login_, &Settings::launchAtLogin);
    bind(updates_, &Settings::automaticUpdates);
    bind(telemetry_, &Settings::telemetryEnabled);
    connect(scope_.box, &QComboBox::activated, this, [this](int index) {
        const auto scope = scopeOf(scope_.box->itemData(index));
        edit([&](Settings& s) { s.scanScope = scope; });
    });
    connect(nudge_.box, &QComboBox::activated, this, [this](int index) {
        const auto nudge = static_cast<ReviewNudge>(nudge_.box->itemData(index).toInt());
        edit([&](Settings& s) { s.reviewNudge = nudge; });
    });
    connect(language_.box, &QComboBox::activated, this, [this](int index) {
        const std::string code = utf8(language_.box->itemData(index).toString());
        edit([&](Settings& s) { s.language = code; });
    });
    // The answer goes through the model so that the engine's authorization follows it.
    connect(libraryAccess_, &QCheckBox::toggled, this, [this](bool on) {
        if (!syncing_) model_.recordLibraryConsent(on);
    });
    connect(checkUpdates_, &QPushButton::clicked, this, [this] {
        if (const auto& updater = model_.updater()) updater->checkForUpdates();
    });
    connect(done_, &QPushButton::clicked, this, [this] { window()->close(); });
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    draft_ = model_.settings();
    sync();
    refreshOnAppearance(this, model_, [this] {
        if (appeared) appeared();
    });
}

void SettingsView::modelChanged(Property property) {
    if (property == Property::settings && model_.settings() != draft_) {
        draft_ = model_.settings();
        // A login switch that came back in another state than asked for was refused.
        if (loginWanted_ && draft_.launchAtLogin != *loginWanted_) loginNotice_->show();
        loginWanted_.reset();
    }
    // The scan's progress changes the snapshot often: rebuilding the pickers then would close
    // a list the user has open.
    if (property == Property::settings)
        sync();
    else
        syncRows();
}

void SettingsView::edit(const std::function<void(Settings&)>& change) {
    if (syncing_) return;
    const bool loginBefore = draft_.launchAtLogin;
    change(draft_);
    if (draft_.launchAtLogin != loginBefore) {
        loginWanted_ = draft_.launchAtLogin;
        loginNotice_->hide();
    }
    syncRows();
    if (draft_ == model_.settings()) return;
    model_.applySettings(draft_);
}

void SettingsView::sync() {
    syncing_ = true;
    const std::string& language = model_.settings().language;
    syncTexts(language);
    syncPickers(language);
    const std::pair<QCheckBox*, bool> switches[] = {
        {scanning_, draft_.scanningEnabled}, {mainsOnly_, draft_.mainsOnly},
        {menuBar_, draft_.showsMenuBarIcon}, {login_, draft_.launchAtLogin},
        {updates_, draft_.automaticUpdates}, {telemetry_, draft_.telemetryEnabled}};
    for (const auto& [box, on] : switches)
        box->setChecked(on);
    syncRows();
    syncing_ = false;
}

void SettingsView::syncTexts(const std::string& language) {
    scanningSection_->setTitle(SettingsTexts::reviewSection(language));
    behaviourSection_->setTitle(qtext(std::string(Keepsift::name)));
    privacySection_->setTitle(SettingsTexts::privacySection(language));
    setSwitchText(scanning_, SettingsTexts::scanning(language));
    setLabelText(scanningCaption_, SettingsTexts::scanningCaption(language));
    setSwitchText(libraryAccess_, SettingsTexts::libraryAccess(language));
    setLabelText(libraryAccessCaption_, SettingsTexts::libraryAccessCaption(language));
    setSwitchText(mainsOnly_, SettingsTexts::mainsOnly(language));
    setLabelText(mainsOnlyCaption_, SettingsTexts::mainsOnlyCaption(language));
    setLabelText(sharedLibrary_, SettingsTexts::sharedLibrary(language));
    setLabelText(scope_.label, SettingsTexts::scanScopeLabel(language));
    setSwitchText(menuBar_, SettingsTexts::menuBar(language));
    setLabelText(menuBarCaption_, SettingsTexts::menuBarCaption(language));
    setSwitchText(login_, SettingsTexts::launchAtLogin(language));
    setLabelText(loginNotice_, SettingsTexts::loginRefused(language));
    setLabelText(nudge_.label, SettingsTexts::nudgeLabel(language));
    setLabelText(nudgeCaption_, SettingsTexts::nudgeCaption(language));
    setLabelText(language_.label, SettingsTexts::languageLabel(language));
    PrivacyRows{updates_, updatesCaption_, telemetry_, telemetryCaption_}.sync(model_, language);
    checkUpdates_->setText(FormTexts::checkForUpdates(language));
    checkUpdates_->setAccessibleName(checkUpdates_->text());
    setLink(privacyLink_, FormTexts::privacy(language), FormTexts::privacyPage());
    setLink(termsLink_, FormTexts::terms(language), FormTexts::termsPage());
    setLabelText(version_, SettingsTexts::version());
    done_->setText(SettingsTexts::done(language));
    done_->setAccessibleName(done_->text());
}

void SettingsView::syncPickers(const std::string& language) {
    scope_.box->clear();
    // Once a scope is chosen, "not decided" is no longer on offer.
    if (!draft_.scanScope)
        scope_.box->addItem(SettingsTexts::scanScopeEntry(std::nullopt, language), undecided);
    for (ScanScope scope : {ScanScope::batches, ScanScope::wholeLibrary})
        scope_.box->addItem(SettingsTexts::scanScopeEntry(scope, language), scopeData(scope));
    scope_.box->setCurrentIndex(scope_.box->findData(scopeData(draft_.scanScope)));

    nudge_.box->clear();
    for (ReviewNudge nudge : allReviewNudges())
        nudge_.box->addItem(SettingsTexts::nudgeEntry(nudge, language), static_cast<int>(nudge));
    nudge_.box->setCurrentIndex(nudge_.box->findData(static_cast<int>(draft_.reviewNudge)));

    language_.box->clear();
    for (std::string_view code : Strings::supportedLanguages)
        language_.box->addItem(qtext(Strings::languageName(code, language)),
                               qtext(std::string(code)));
    // A stored language outside the list shows no entry rather than a false one.
    language_.box->setCurrentIndex(language_.box->findData(qtext(draft_.language)));
}

void SettingsView::syncRows() {
    const std::string& language = model_.settings().language;
    const bool optimised = model_.libraryStorage() == LibraryStorage::optimised;
    scope_.box->parentWidget()->setVisible(optimised);
    scopeCaption_->setVisible(optimised);
    setLabelText(scopeCaption_, SettingsTexts::scanScopeCaption(draft_.scanScope, language));
    const auto notice = model_.accessNotice();
    permission_->setVisible(notice.has_value());
    if (notice) setLabelText(permission_, qtext(*notice));
    syncLibraryAccess();
    const auto& updater = model_.updater();
    checkUpdates_->setVisible(!draft_.automaticUpdates && updater && updater->canCheckForUpdates());
}

// Shown once the user has answered the access question, so that a declined answer can be
// given again; the switch follows the engine's view of the answer.
void SettingsView::syncLibraryAccess() {
    const LibraryAuthorization access = model_.snapshot().authorization;
    const bool answered = access != LibraryAuthorization::notDetermined;
    const bool shown = answered && model_.canRecordLibraryConsent();
    libraryAccess_->setVisible(shown);
    libraryAccessCaption_->setVisible(shown);
    const QSignalBlocker quiet(libraryAccess_);
    libraryAccess_->setChecked(access != LibraryAuthorization::denied);
}

} // namespace keepsift::app
