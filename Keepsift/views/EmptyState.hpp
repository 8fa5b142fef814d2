#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

namespace keepsift::app {

// The middle of the review window when there is no list to show: access withdrawn, the first
// pass still running, or nothing to review.
class EmptyState : public QWidget {
    Q_OBJECT
public:
    explicit EmptyState(QWidget* parent);

    void show(bool showsProgress, const QString& text, bool showsSettingsButton,
              const QString& settingsLabel);

Q_SIGNALS:
    void openSettings();

private:
    QProgressBar* progress_;
    QLabel* text_;
    QPushButton* settings_;
};

// The scan-progress line at the top of the list while the first pass runs.
class ScanProgressLine : public QWidget {
    Q_OBJECT
public:
    explicit ScanProgressLine(QWidget* parent);
    void setText(const QString& text);

private:
    QLabel* text_;
};

// Busy indicators are small and indeterminate.
QProgressBar* busyIndicator(QWidget* parent);

} // namespace keepsift::app
