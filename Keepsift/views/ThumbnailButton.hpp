#pragma once

#include <memory>
#include <string>

#include <QAbstractButton>
#include <QPixmap>

#include "Keepsift/review/ThumbnailState.hpp"
#include "Keepsift/views/ThumbnailRequests.hpp"

namespace keepsift::app {

// One photograph's picture as a click target, loaded from the image source at the size it
// takes on screen, with its verdict badge, position number and border painted over it.
// `fits` shows the whole picture (the comparison); otherwise a square filled and cropped.
class ThumbnailButton : public QAbstractButton {
    Q_OBJECT
public:
    struct Look {
        bool fits = false;
        bool largeBadge = false;
        double cornerRadius = 8;
        double keeperBorder = 3;
        double badgeInset = 6;
    };

    ThumbnailButton(std::shared_ptr<ThumbnailRequests> requests, Look look, QWidget* parent);

    // A different photograph starts afresh; answers meant for the previous one are dropped.
    void setPhoto(const std::string& assetID);
    void setSide(double side);
    void setVerdict(bool isKeeper, int position, const std::string& language);
    // After the model published a new snapshot: a picture that failed may be asked again.
    void retry();

    const ThumbnailState& state() const { return state_; }
    const std::string& assetID() const { return assetID_; }
    // The largest size the source answered without a picture; 0 when none failed.
    int failedFor() const { return failedFor_; }
    // The pixel size this view asks for now.
    int wantedPixels() const;
    static double screenScale();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void load();
    void loadPreview(int p);
    void loadFull(int p);
    // Drops answers that arrive after the view moved on to another photograph.
    ImageHandler whileSamePhoto(ImageHandler then) const;
    void answered(int p, std::shared_ptr<const Image> picture);
    void paintPicture(QPainter& painter, const QRect& area);
    void paintDecoration(QPainter& painter, const QRect& area);
    void paintBorder(QPainter& painter, const QRect& area);

    std::shared_ptr<ThumbnailRequests> requests_;
    Look look_;
    std::string assetID_;
    double side_ = 0;
    bool isKeeper_ = true;
    int position_ = 0;
    std::string language_ = "en";
    ThumbnailState state_;
    std::shared_ptr<const int> token_ = std::make_shared<const int>(0);
    int requested_ = 0;
    int failedFor_ = 0;
    QPixmap scaled_; // the whole look at the current size
};

} // namespace keepsift::app
