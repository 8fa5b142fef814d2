#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace keepsift::app {

// At the end of the list while a batch is full and photographs remain to be measured: the
// downloads are paused, and a button fetches the next groups.
class BatchBanner : public QWidget {
    Q_OBJECT
public:
    explicit BatchBanner(QWidget* parent);

    void setTexts(const QString& paused, const QString& button, const QString& detail);
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

Q_SIGNALS:
    void keepLooking();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    static constexpr int maximumTextWidth = 420;
    static int labelWidth(int width);
    void fitLabels(int width);

    QLabel* paused_;
    QPushButton* button_;
    QLabel* detail_;
};

} // namespace keepsift::app
