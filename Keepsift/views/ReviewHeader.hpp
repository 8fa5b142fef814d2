#pragma once

#include <functional>
#include <string>

#include <QLabel>
#include <QSlider>
#include <QWidget>

#include "core/review/ReviewList.hpp"

namespace keepsift::app {

// The review window's top bar: the product name, what is set aside to discard, and the
// thumbnail-size slider.
class ReviewHeader : public QWidget {
    Q_OBJECT
public:
    explicit ReviewHeader(QWidget* parent);

    void update(const ReviewList& list, const std::string& language, double maximumCell);
    QSlider* slider() const { return slider_; }

Q_SIGNALS:
    void maximumCellChanged(double side);

private:
    QLabel* summary_;
    QSlider* slider_;
};

} // namespace keepsift::app
