#include "Keepsift/views/ReviewWindow.hpp"

#include <QVBoxLayout>

#include "Keepsift/views/ViewTexts.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {

ReviewWindow::ReviewWindow(AppModel& model, QWidget* parent, Hooks hooks)
    : QWidget(parent), model_(model), hooks_(std::move(hooks)),
      requests_(ThumbnailRequests::make(model.images())),
      menu_(new ReviewMenu(hooks_.showSettings, hooks_.quit, this)),
      header_(new ReviewHeader(this)), content_(new QStackedWidget(this)),
      empty_(new EmptyState(content_)), progress_(new ScanProgressLine(nullptr)),
      banner_(new BatchBanner(nullptr)),
      list_(new GroupList(requests_, state_, rowCallbacks(), progress_, banner_, content_)),
      footer_(new ReviewFooter(this)), overlay_(new CompareOverlay(requests_, this)),
      sheet_(new ICloudScopeSheet(this)),
      keys_(new KeyMonitor(this, [this](ReviewKey key) { return handle(key); })) {
    setObjectName(QStringLiteral("review-window"));
    setMinimumSize(640, 460);
    // The keys are the window's: no control holds the focus, the content itself does.
    setFocusPolicy(Qt::StrongFocus);
    content_->addWidget(empty_);
    content_->addWidget(list_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->setMenuBar(menu_);
    column->addWidget(header_);
    column->addWidget(content_, 1);
    column->addWidget(footer_);
    for (QWidget* bar : {static_cast<QWidget*>(header_), static_cast<QWidget*>(footer_)}) {
        bar->setAutoFillBackground(true);
        bar->setBackgroundRole(QPalette::AlternateBase);
    }
    overlay_->hide();

    connect(header_, &ReviewHeader::maximumCellChanged, this, [this](double side) {
        state_.maximumCell = side;
        list_->relayout();
    });
    connect(footer_, &ReviewFooter::toggleSelectAll, this, [this] {
        state_.toggleSelectAll(list());
        stateChanged();
    });
    connect(footer_, &ReviewFooter::deleteSelected, this, [this] {
        state_.deleteSelected(list());
        openConfirmation();
    });
    connect(footer_, &ReviewFooter::deleteAll, this, [this] {
        state_.deleteAll(list());
        openConfirmation();
    });
    connect(empty_, &EmptyState::openSettings, this, [this] {
        if (hooks_.openPrivacySettings) hooks_.openPrivacySettings();
    });
    connect(banner_, &BatchBanner::keepLooking, this, [this] { model_.extendBatch(200); });
    connect(overlay_, &CompareOverlay::toggle, this, &ReviewWindow::togglePhoto);
    connect(overlay_, &CompareOverlay::closeRequested, this, [this] {
        state_.comparing.reset();
        stateChanged();
    });
    connect(sheet_, &ICloudScopeSheet::choose, this, [this](ScanScope scope) {
        Settings wanted = model_.settings();
        wanted.scanScope = scope;
        AppModel& model = model_;
        model.applySettings(wanted,
                            [&model] { model.applyBatchLimit([&model] { model.pumpOnce(); }); });
    });
    connect(sheet_, &ICloudScopeSheet::later, this,
            [this] { model_.setHasDeferredICloudChoice(true); });

    observation_ = model_.observe([this](Property property) { modelChanged(property); });
    sync();
}

ReviewWindow::~ReviewWindow() {
    observation_.cancel();
}

RowCallbacks ReviewWindow::rowCallbacks() {
    RowCallbacks callbacks;
    callbacks.onSelect = [this](const ReviewGroup& group, bool selected) {
        state_.select(group.id, selected);
        stateChanged();
    };
    callbacks.onActivate = [this](const ReviewGroup& group) {
        state_.activate(group.id);
        stateChanged();
    };
    callbacks.onToggle = [this](const ReviewGroup&, const ReviewPhoto& photo) {
        togglePhoto(photo);
    };
    callbacks.onCompare = [this](const ReviewGroup& group) {
        state_.compare(group);
        stateChanged();
    };
    callbacks.onIgnore = [this](const ReviewGroup& group) { model_.ignore(group.id); };
    callbacks.onReset = [this](const ReviewGroup& group) { model_.reset(group.id); };
    callbacks.onDelete = [this](const ReviewGroup& group) {
        state_.deleteGroup(group);
        openConfirmation();
    };
    callbacks.onHover = [this](const ReviewGroup& group, bool entered) {
        if (entered)
            state_.pointerEntered(group.id);
        else
            state_.pointerLeft(group.id);
        list_->refreshFlags();
    };
    return callbacks;
}

void ReviewWindow::modelChanged(Property property) {
    if (property == Property::snapshot) ++listVersion_;
    if (property == Property::snapshot || property == Property::settings) listChanged_ = true;
    if (syncScheduled_) return;
    syncScheduled_ = true;
    QMetaObject::invokeMethod(
        this, [this] { sync(); }, Qt::QueuedConnection);
}

void ReviewWindow::sync() {
    syncScheduled_ = false;
    menu_->setLanguage(language());
    syncContent();
    syncBars();
    syncOverlay();
    syncSheet();
}

void ReviewWindow::syncContent() {
    const auto& snapshot = model_.snapshot();
    const std::string& language = this->language();
    const auto notice = model_.accessNotice();
    if (notice && !canRead(snapshot.authorization)) {
        empty_->show(false, qtext(*notice), snapshot.authorization == LibraryAuthorization::denied,
                     fixedText(FixedText::openSystemSettings, language));
        content_->setCurrentWidget(empty_);
        return;
    }
    if (snapshot.review.groups.empty()) {
        const bool running = model_.isFirstPassRunning();
        empty_->show(
            running,
            fixedText(running ? FixedText::stillLooking : FixedText::nothingToReview, language),
            false, {});
        content_->setCurrentWidget(empty_);
        return;
    }
    content_->setCurrentWidget(list_);
    state_.listShown(snapshot.review);
    if (!listChanged_) return;
    listChanged_ = false;
    progress_->setText(qtext(Strings::scanProgress(snapshot.analysed, snapshot.known, language)));
    banner_->setTexts(
        qtext(Strings::downloadsPaused(snapshot.review.reviewableGroupCount(), language)),
        fixedText(FixedText::keepLooking, language),
        qtext(Strings::fetchNextGroups(200, language)));
    list_->setContent(snapshot.review, language, model_.isFirstPassRunning(),
                      model_.batchFullWhileAnalysing());
    for (const auto& group : snapshot.review.groups)
        if (auto* row = list_->rowFor(group.id)) row->retryPictures();
}

void ReviewWindow::syncBars() {
    header_->update(list(), language(), state_.maximumCell);
    if (countedList_ != &model_.snapshot() || countedVersion_ != listVersion_) {
        discards_ = ReviewWindowState::allDiscardCount(list());
        countedList_ = &model_.snapshot();
        countedVersion_ = listVersion_;
    }
    footer_->update(list(), state_, discards_, model_.isDeleting(), model_.statusNotice(),
                    language());
}

void ReviewWindow::syncOverlay() {
    const ReviewGroup* compared = state_.comparedGroup(list());
    if (!compared) {
        overlay_->hide();
        return;
    }
    overlay_->setGeometry(belowMenu());
    overlay_->setGroup(*compared, language());
    overlay_->show();
    overlay_->raise();
}

void ReviewWindow::syncSheet() {
    if (!model_.needsICloudChoice()) {
        if (sheet_->isVisible()) sheet_->hide();
        return;
    }
    sheet_->update(model_.snapshot().known, language());
    if (!sheet_->isVisible() && isVisible()) sheet_->open();
}

void ReviewWindow::stateChanged() {
    list_->refreshFlags();
    if (state_.activeGroup != shownActive_) {
        shownActive_ = state_.activeGroup;
        if (state_.followsActiveRow && state_.activeGroup) {
            state_.followsActiveRow = false;
            list_->scrollToGroup(*state_.activeGroup, true);
        }
    }
    syncBars();
    syncOverlay();
}

bool ReviewWindow::handle(ReviewKey key) {
    const KeyOutcome outcome = state_.handle(key, list());
    if (outcome.toggle) togglePhoto(*outcome.toggle);
    stateChanged();
    return outcome.handled;
}

void ReviewWindow::togglePhoto(const ReviewPhoto& photo) {
    model_.override(!photo.isKeeper, photo.assetID);
}

void ReviewWindow::openConfirmation() {
    syncBars();
    if (!state_.confirming) return;
    if (confirmation_) confirmation_->deleteLater();
    confirmation_ = new DeleteConfirmation(*state_.confirming, language(), this);
    connect(confirmation_, &DeleteConfirmation::confirmed, this, &ReviewWindow::confirmDelete);
    connect(confirmation_, &DeleteConfirmation::cancelled, this, [this] {
        state_.cancelDelete();
        syncBars();
    });
    connect(confirmation_, &QDialog::finished, confirmation_, &QObject::deleteLater);
    confirmation_->open();
}

void ReviewWindow::confirmDelete() {
    auto request = state_.takeConfirmed();
    if (!request) return;
    QPointer<ReviewWindow> window(this);
    model_.confirmDelete(request->groups, static_cast<std::int64_t>(request->photos.size()),
                         [window, groups = request->groups](std::int64_t deleted) {
                             if (!window) return;
                             // A group that comes back is not quietly in the next delete.
                             if (deleted > 0)
                                 for (const std::string& group : groups)
                                     window->state_.select(group, false);
                             window->state_.deleteFinished(deleted, window->model_.notice(),
                                                           window->language());
                             window->syncBars();
                         });
    syncBars();
}

void ReviewWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    setFocus(Qt::OtherFocusReason);
    QPointer<ReviewWindow> window(this);
    model_.refreshAuthorization([window] {
        if (window && window->hooks_.appeared) window->hooks_.appeared();
    });
    syncSheet();
}

void ReviewWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (overlay_->isVisible()) overlay_->setGeometry(belowMenu());
}

// The comparison covers the window but leaves its menu within reach.
QRect ReviewWindow::belowMenu() const {
    return rect().adjusted(0, menu_->isVisible() ? menu_->geometry().bottom() + 1 : 0, 0, 0);
}

} // namespace keepsift::app
