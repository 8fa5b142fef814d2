#include "Keepsift/views/popover/MenuBarPopover.hpp"

#include <QApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include "Keepsift/views/SecondaryText.hpp"
#include "Keepsift/views/ViewTexts.hpp"
#include "Keepsift/views/forms/FormRows.hpp"
#include "Keepsift/views/forms/FormTexts.hpp"
#include "Keepsift/views/popover/PopoverTexts.hpp"
#include "core/settings/Keepsift.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {
namespace {

QPushButton* actionButton(const char* identifier, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromUtf8(identifier));
    button->setFlat(true);
    button->setStyleSheet(QStringLiteral("QPushButton { text-align: left; padding: 3px 4px; }"));
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

void setButtonText(QPushButton* button, const QString& text) {
    button->setText(text);
    button->setAccessibleName(text);
}

QFont headline() {
    return ViewFonts::semibold(QApplication::font());
}

} // namespace

MenuBarPopover::MenuBarPopover(AppModel& model, WindowActions actions, QWidget* parent)
    : QWidget(parent), model_(model), actions_(std::move(actions)) {
    build();
    sync();
    QPointer<MenuBarPopover> self(this);
    // A closed popover catches up when it is shown again.
    observation_ = model_.observe([self](Property) {
        if (self && self->isVisible()) self->sync();
    });
}

void MenuBarPopover::build() {
    setFixedWidth(contentWidth);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(margin, margin, margin, margin);
    outer->setSpacing(12);

    auto* status = new QVBoxLayout;
    status->setSpacing(4);
    title_ = new QLabel(qtext(std::string(Keepsift::name)), this);
    title_->setFont(headline());
    status->addWidget(title_);
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    statusLine_ = wrappingLabel(ViewFonts::callout(), this);
    statusLine_->setObjectName(QStringLiteral("status-line"));
    row->addWidget(statusLine_, 1);
    working_ = new QProgressBar(this);
    working_->setObjectName(QStringLiteral("working"));
    working_->setRange(0, 0);
    working_->setTextVisible(false);
    working_->setFixedSize(36, 8);
    row->addWidget(working_, 0, Qt::AlignVCenter);
    status->addLayout(row);
    reason_ = captionRow(this, "waiting-reason");
    status->addWidget(reason_);
    waiting_ = secondaryLabel(ViewFonts::caption(), this);
    waiting_->setObjectName(QStringLiteral("waiting-line"));
    status->addWidget(waiting_);
    outer->addLayout(status);

    permission_ = new QWidget(this);
    auto* permission = new QVBoxLayout(permission_);
    permission->setContentsMargins(0, 0, 0, 0);
    permission->setSpacing(6);
    notice_ = captionRow(permission_, "permission-notice");
    permission->addWidget(notice_);
    openSettings_ = new QPushButton(permission_);
    openSettings_->setObjectName(QStringLiteral("open-system-settings"));
    permission->addWidget(openSettings_, 0, Qt::AlignLeft);
    outer->addWidget(permission_);

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(4);
    review_ = actionButton("open-review", this);
    settings_ = actionButton("open-settings", this);
    pause_ = actionButton("toggle-pause", this);
    updates_ = actionButton("check-for-updates", this);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    quit_ = actionButton("quit", this);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{review_, settings_, pause_, updates_, divider, quit_})
        buttons->addWidget(widget);
    outer->addLayout(buttons);

    connect(openSettings_, &QPushButton::clicked, this,
            [this] { WindowActions::run(actions_.openPrivacySettings); });
    connect(review_, &QPushButton::clicked, this, [this] { closeThenOpen(actions_.showReview); });
    connect(settings_, &QPushButton::clicked, this,
            [this] { closeThenOpen(actions_.showSettings); });
    connect(pause_, &QPushButton::clicked, this, &MenuBarPopover::togglePause);
    connect(updates_, &QPushButton::clicked, this, &MenuBarPopover::checkForUpdates);
    connect(quit_, &QPushButton::clicked, this, [this] { WindowActions::run(actions_.quit); });
}

void MenuBarPopover::sync() {
    const std::string& language = model_.settings().language;
    syncStatus(language);
    syncPermission(language);
    syncActions(language);
    fitHeight();
}

void MenuBarPopover::syncStatus(const std::string& language) {
    setLabelText(statusLine_, PopoverTexts::statusLine(model_));
    working_->setVisible(model_.isWorking() && model_.readiness() == QueueReadiness::run);
    working_->setToolTip(PopoverTexts::working(language));
    working_->setAccessibleName(PopoverTexts::working(language));
    const auto reason = PopoverTexts::statusText(model_.readiness(), language);
    reason_->setVisible(reason.has_value());
    if (reason) setLabelText(reason_, *reason);
    const std::int64_t waiting = model_.snapshot().waiting;
    waiting_->setVisible(reason.has_value() && waiting >= 1);
    setLabelText(waiting_, qtext(Strings::waiting(waiting, language)));
}

void MenuBarPopover::syncPermission(const std::string& language) {
    // The access notice first; otherwise what keeps the library or the review's files from
    // being used, such as a library folder that cannot be read. What a review action said
    // belongs to the review window.
    auto notice = model_.accessNotice();
    if (!notice) notice = model_.statusNotice();
    permission_->setVisible(notice.has_value());
    if (notice) setLabelText(notice_, qtext(*notice));
    openSettings_->setVisible(model_.snapshot().authorization == LibraryAuthorization::denied);
    setButtonText(openSettings_, PopoverTexts::openAccessSettings(language));
}

void MenuBarPopover::syncActions(const std::string& language) {
    setButtonText(review_, PopoverTexts::reviewPhotos(language));
    setButtonText(settings_, PopoverTexts::settings(language));
    setButtonText(pause_, PopoverTexts::pauseOrResume(model_.settings().isPaused, language));
    const auto& updater = model_.updater();
    updates_->setVisible(updater && updater->canCheckForUpdates());
    setButtonText(updates_, FormTexts::checkForUpdates(language));
    setButtonText(quit_, PopoverTexts::quit(language));
}

void MenuBarPopover::fitHeight() {
    // Wrapped labels need the height for the fixed width; the plain size hint would not ask.
    if (QLayout* box = layout()) {
        box->activate();
        setFixedHeight(box->totalHeightForWidth(contentWidth));
    }
}

void MenuBarPopover::closeThenOpen(const std::function<void()>& open) {
    WindowActions::run(actions_.dismissPopover);
    WindowActions::run(open);
}

void MenuBarPopover::togglePause() {
    // Read when the work runs, not when the button was pressed.
    QPointer<MenuBarPopover> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self) self->model_.setPaused(!self->model_.settings().isPaused);
    });
}

void MenuBarPopover::checkForUpdates() {
    if (const auto& updater = model_.updater()) updater->checkForUpdates();
}

void MenuBarPopover::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    sync();
    refreshOnAppearance(this, model_, [this] {
        if (appeared) appeared();
    });
}

} // namespace keepsift::app
