#pragma once

#include <functional>
#include <memory>

#include <QLabel>
#include <QWidget>

#include "Keepsift/views/ThumbnailButton.hpp"
#include "core/review/ReviewGroup.hpp"

namespace keepsift::app {

// One photograph of a group row: its picture as a keep/discard switch and the line that says
// why it is kept or flagged, which wraps and never widens the cell.
class PhotoCell : public QWidget {
    Q_OBJECT
public:
    PhotoCell(std::shared_ptr<ThumbnailRequests> requests, QWidget* parent);

    void bind(const ReviewPhoto& photo, int position, int side, int reasonHeight,
              const std::string& language);
    void retryPicture() { thumbnail_->retry(); }
    ThumbnailButton* thumbnail() const { return thumbnail_; }
    QLabel* reason() const { return reason_; }

Q_SIGNALS:
    void toggled();

private:
    ThumbnailButton* thumbnail_;
    QLabel* reason_;
};

} // namespace keepsift::app
