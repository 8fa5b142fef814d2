#pragma once

#include <cstdint>
#include <string>

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "core/settings/ScanScope.hpp"

namespace keepsift::app {

// Asks how to treat a library whose originals are in iCloud: in batches, whole, or later.
// It only reports the answer; its host stores it and hides the sheet once the model no longer
// needs the choice. Escape means "decide later".
class ICloudScopeSheet : public QDialog {
    Q_OBJECT
public:
    explicit ICloudScopeSheet(QWidget* parent);

    void update(std::int64_t known, const std::string& language);

Q_SIGNALS:
    void choose(keepsift::ScanScope scope);
    void later();

public Q_SLOTS:
    void reject() override;

private:
    QLabel* title_;
    QLabel* explanation_;
    QPushButton* batches_;
    QLabel* batchesDetail_;
    QPushButton* whole_;
    QLabel* wholeDetail_;
    QPushButton* later_;
};

} // namespace keepsift::app
