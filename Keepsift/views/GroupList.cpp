#include "Keepsift/views/GroupList.hpp"

#include <algorithm>
#include <cmath>

#include <QResizeEvent>
#include <QScrollBar>

namespace keepsift::app {

GroupList::GroupList(std::shared_ptr<ThumbnailRequests> requests, const ReviewWindowState& state,
                     RowCallbacks callbacks, QWidget* leading, QWidget* trailing, QWidget* parent)
    : QAbstractScrollArea(parent), requests_(std::move(requests)), state_(state),
      callbacks_(std::move(callbacks)), leading_(leading), trailing_(trailing) {
    setObjectName(QStringLiteral("group-list"));
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::NoFocus);
    for (QWidget* extra : {leading_, trailing_}) {
        extra->setParent(viewport());
        extra->hide();
    }
    verticalScrollBar()->setSingleStep(24);
}

// The width rule takes 56 points off for the paddings, but the list's 20 and the row's 10 on
// each side take 60: the rule is given the list 4 points narrower, so the cells fit the strip.
double GroupList::listWidth() const {
    const double paddings = 2.0 * (horizontalPadding + RowMetrics::padding);
    return viewport()->width() - (paddings - ReviewWindowState::listInsets);
}

int GroupList::sideOf(const ReviewGroup& group) const {
    return static_cast<int>(std::floor(state_.cellSide(group, listWidth())));
}

GroupRow::Flags GroupList::flagsOf(const std::string& groupID) const {
    return {state_.activeGroup == groupID, state_.hovered == groupID,
            state_.selected.contains(groupID)};
}

void GroupList::setContent(const ReviewList& list, const std::string& language, bool showsLeading,
                           bool showsTrailing) {
    list_ = &list;
    if (!metrics_ || metrics_->language() != language)
        metrics_ = std::make_unique<RowMetrics>(language);
    showsLeading_ = showsLeading;
    showsTrailing_ = showsTrailing;
    indexOf_.clear();
    indexOf_.reserve(list.groups.size());
    for (std::size_t i = 0; i < list.groups.size(); ++i)
        indexOf_.emplace(list.groups[i].id, i);
    relayout();
}

void GroupList::relayout() {
    if (!list_) return;
    ++version_;
    computeTops();
    placeRows();
}

void GroupList::computeTops() {
    const double available = ReviewWindowState::availableWidth(listWidth());
    const auto& groups = list_->groups;
    tops_.resize(groups.size());
    heights_.resize(groups.size());
    int y = verticalPadding;
    leadingTop_ = y;
    if (showsLeading_) y += leading_->sizeHint().height() + 6 + rowSpacing;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        tops_[i] = y;
        heights_[i] = metrics_->rowHeight(groups[i], sideOf(groups[i]), available);
        y += heights_[i] + rowSpacing;
    }
    trailingTop_ = y;
    if (showsTrailing_) {
        const int width = std::max(0, viewport()->width() - 2 * horizontalPadding);
        y += trailing_->heightForWidth(width) > 0 ? trailing_->heightForWidth(width)
                                                  : trailing_->sizeHint().height();
    }
    contentHeight_ = y + verticalPadding;
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setRange(0, std::max(0, contentHeight_ - viewport()->height()));
}

GroupRow* GroupList::takeRow() {
    if (!spare_.empty()) {
        GroupRow* row = spare_.back();
        spare_.pop_back();
        return row;
    }
    return new GroupRow(requests_, callbacks_, viewport());
}

void GroupList::placeRows() {
    if (!list_) return;
    const int scroll = verticalScrollBar()->value();
    const int width = std::max(0, viewport()->width() - 2 * horizontalPadding);
    const int low = scroll - overscan;
    const int high = scroll + viewport()->height() + overscan;
    const double available = ReviewWindowState::availableWidth(listWidth());

    auto extra = [&](QWidget* widget, bool shows, int top, int height) {
        const bool visible = shows && top + height >= low && top <= high;
        widget->setVisible(visible);
        if (visible) widget->setGeometry(horizontalPadding, top - scroll, width, height);
    };
    extra(leading_, showsLeading_, leadingTop_, leading_->sizeHint().height() + 6);
    extra(trailing_, showsTrailing_, trailingTop_, contentHeight_ - verticalPadding - trailingTop_);

    const auto& groups = list_->groups;
    auto first = std::upper_bound(tops_.begin(), tops_.end(), low) - tops_.begin();
    std::size_t begin = first > 0 ? static_cast<std::size_t>(first - 1) : 0;
    std::unordered_map<std::string, Live> kept;
    for (std::size_t i = begin; i < groups.size() && tops_[i] <= high; ++i) {
        if (tops_[i] + heights_[i] < low) continue;
        const auto& group = groups[i];
        Live live;
        if (auto found = live_.find(group.id); found != live_.end()) {
            live = found->second;
            live_.erase(found);
        } else {
            live.row = takeRow();
        }
        if (live.version != version_ || live.row->width() != width) {
            live.row->resize(width, heights_[i]);
            live.row->bind(group, sideOf(group), available, flagsOf(group.id), *metrics_);
            live.version = version_;
        }
        live.row->move(horizontalPadding, tops_[i] - scroll);
        live.row->show();
        kept.emplace(group.id, live);
    }
    for (auto& [id, live] : live_) {
        live.row->hide();
        spare_.push_back(live.row);
    }
    live_ = std::move(kept);
}

void GroupList::refreshFlags() {
    for (auto& [id, live] : live_)
        live.row->setFlags(flagsOf(id));
}

void GroupList::scrollToGroup(const std::string& groupID, bool animated) {
    auto found = indexOf_.find(groupID);
    if (found == indexOf_.end()) return;
    const std::size_t i = found->second;
    const int target = std::clamp(tops_[i] + heights_[i] / 2 - viewport()->height() / 2, 0,
                                  verticalScrollBar()->maximum());
    if (animation_) animation_->stop();
    if (!animated) {
        verticalScrollBar()->setValue(target);
        return;
    }
    animation_ = new QPropertyAnimation(verticalScrollBar(), "value", this);
    animation_->setDuration(150);
    animation_->setEasingCurve(QEasingCurve::OutCubic);
    animation_->setEndValue(target);
    animation_->start(QAbstractAnimation::DeleteWhenStopped);
}

GroupRow* GroupList::rowFor(const std::string& groupID) const {
    auto found = live_.find(groupID);
    return found == live_.end() ? nullptr : found->second.row;
}

int GroupList::liveRowCount() const {
    return static_cast<int>(live_.size());
}

void GroupList::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (event->oldSize().width() != event->size().width())
        relayout();
    else if (list_) {
        computeTops();
        placeRows();
    }
}

void GroupList::scrollContentsBy(int dx, int dy) {
    // Moves the rows and their pixels together, so only the strip scrolled into view paints.
    viewport()->scroll(dx, dy);
    placeRows();
}

bool GroupList::viewportEvent(QEvent* event) {
    return QAbstractScrollArea::viewportEvent(event);
}

} // namespace keepsift::app
