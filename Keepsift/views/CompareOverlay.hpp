#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QWidget>

#include "Keepsift/views/ThumbnailButton.hpp"
#include "core/review/ReviewGroup.hpp"

namespace keepsift::app {

// One photograph side by side with the others: its picture, who decided or why, and a button
// offering the opposite decision. A click on the picture or the tile's empty part toggles too.
class CompareTile : public QWidget {
    Q_OBJECT
public:
    CompareTile(std::shared_ptr<ThumbnailRequests> requests, QWidget* parent);
    void bind(const ReviewPhoto& photo, int number, bool compact, const std::string& language);
    ThumbnailButton* picture() const { return picture_; }
    QLabel* caption() const { return caption_; }
    QPushButton* decision() const { return decision_; }

Q_SIGNALS:
    void toggled();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    ThumbnailButton* picture_;
    QLabel* caption_;
    QPushButton* decision_;
};

// Every photograph of one group side by side, as large as the window allows, over the whole
// review window. It holds no state: toggles and closing go to the host.
class CompareOverlay : public QWidget {
    Q_OBJECT
public:
    CompareOverlay(std::shared_ptr<ThumbnailRequests> requests, QWidget* parent);

    void setGroup(const ReviewGroup& group, const std::string& language);
    const std::vector<CompareTile*>& tiles() const { return tiles_; }
    int columns() const { return columns_; }

Q_SIGNALS:
    void toggle(const ReviewPhoto& photo);
    void closeRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutTiles();

    std::shared_ptr<ThumbnailRequests> requests_;
    ReviewGroup group_;
    std::string language_;
    QLabel* date_;
    QScrollArea* strip_;
    QWidget* content_;
    QToolButton* close_;
    std::vector<CompareTile*> tiles_;
    int columns_ = 1;
};

} // namespace keepsift::app
