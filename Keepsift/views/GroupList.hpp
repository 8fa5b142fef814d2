#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <QAbstractScrollArea>
#include <QPointer>
#include <QPropertyAnimation>

#include "Keepsift/review/ReviewWindowState.hpp"
#include "Keepsift/views/GroupRow.hpp"
#include "Keepsift/views/RowMetrics.hpp"

namespace keepsift::app {

// The scrolling list of group rows. Only the rows on screen (and a margin) exist as widgets;
// they are reused as the list scrolls, so ten thousand groups cost what ten do. Where every
// row lies is computed from the rows' metrics, never by building them. A leading widget (the
// scan-progress line) and a trailing one (the batch banner) scroll with the rows.
class GroupList : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int rowSpacing = 8;
    static constexpr int verticalPadding = 20;
    static constexpr int horizontalPadding = 20;
    static constexpr int overscan = 240;

    GroupList(std::shared_ptr<ThumbnailRequests> requests, const ReviewWindowState& state,
              RowCallbacks callbacks, QWidget* leading, QWidget* trailing, QWidget* parent);

    // The list, its language and the extras to show; everything is laid out again.
    void setContent(const ReviewList& list, const std::string& language, bool showsLeading,
                    bool showsTrailing);
    // The window state's flags (active, hovered, selected) changed.
    void refreshFlags();
    // The thumbnail size changed.
    void relayout();
    // Brings the group's row to the middle of the view.
    void scrollToGroup(const std::string& groupID, bool animated);

    // For tests and benchmarks.
    GroupRow* rowFor(const std::string& groupID) const;
    int liveRowCount() const;
    int rowTop(std::size_t index) const { return tops_.at(index); }
    int contentHeight() const { return contentHeight_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;

private:
    struct Live {
        GroupRow* row = nullptr;
        std::uint64_t version = 0;
    };
    double listWidth() const;
    int sideOf(const ReviewGroup& group) const;
    GroupRow::Flags flagsOf(const std::string& groupID) const;
    void computeTops();
    void placeRows();
    GroupRow* takeRow();

    std::shared_ptr<ThumbnailRequests> requests_;
    const ReviewWindowState& state_;
    RowCallbacks callbacks_;
    QWidget* leading_;
    QWidget* trailing_;
    const ReviewList* list_ = nullptr;
    std::unique_ptr<RowMetrics> metrics_;
    bool showsLeading_ = false;
    bool showsTrailing_ = false;

    std::vector<int> tops_; // top of each row in content coordinates
    std::vector<int> heights_;
    std::unordered_map<std::string, std::size_t> indexOf_;
    int leadingTop_ = 0;
    int trailingTop_ = 0;
    int contentHeight_ = 0;
    std::uint64_t version_ = 1;

    std::unordered_map<std::string, Live> live_;
    std::vector<GroupRow*> spare_;
    QPointer<QPropertyAnimation> animation_;
};

} // namespace keepsift::app
