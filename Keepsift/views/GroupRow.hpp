#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QWidget>

#include "Keepsift/views/PhotoCell.hpp"
#include "Keepsift/views/RowCallbacks.hpp"
#include "Keepsift/views/RowMetrics.hpp"

namespace keepsift::app {

// One group of the review list: a header line with the group's controls above a strip of
// photo cells. It owns no state; each control calls the list's callbacks, activating the row
// first. Rows are reused for other groups as the list scrolls.
class GroupRow : public QWidget {
    Q_OBJECT
public:
    struct Flags {
        bool isActive = false;
        bool isHovered = false;
        bool isSelected = false;
        bool operator==(const Flags&) const = default;
    };

    GroupRow(std::shared_ptr<ThumbnailRequests> requests, const RowCallbacks& callbacks,
             QWidget* parent);

    void bind(const ReviewGroup& group, int side, double available, Flags flags,
              RowMetrics& metrics);
    void setFlags(Flags flags);
    void retryPictures();
    const ReviewGroup& group() const { return group_; }
    const std::vector<PhotoCell*>& cells() const { return cells_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPushButton* linkButton();
    void applyTexts(const std::string& language);
    void layoutHeader(int width, int lineHeight);
    void layoutStrip(int side, double available, RowMetrics& metrics);

    std::shared_ptr<ThumbnailRequests> requests_;
    const RowCallbacks& callbacks_;
    ReviewGroup group_;
    Flags flags_;
    std::string language_;

    QFrame* divider_;
    QCheckBox* select_;
    QLabel* date_;
    QPushButton* ignore_;
    QPushButton* reset_;
    QPushButton* compare_;
    QPushButton* delete_;
    QScrollArea* strip_;
    QWidget* stripContent_;
    std::vector<PhotoCell*> cells_;
};

} // namespace keepsift::app
