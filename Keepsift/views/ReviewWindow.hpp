#pragma once

#include <functional>
#include <memory>

#include <QPointer>
#include <QStackedWidget>
#include <QWidget>

#include "Keepsift/model/AppModel.hpp"
#include "Keepsift/review/ReviewWindowState.hpp"
#include "Keepsift/views/BatchBanner.hpp"
#include "Keepsift/views/CompareOverlay.hpp"
#include "Keepsift/views/DeleteConfirmation.hpp"
#include "Keepsift/views/EmptyState.hpp"
#include "Keepsift/views/GroupList.hpp"
#include "Keepsift/views/ICloudScopeSheet.hpp"
#include "Keepsift/views/KeyMonitor.hpp"
#include "Keepsift/views/ReviewFooter.hpp"
#include "Keepsift/views/ReviewHeader.hpp"
#include "Keepsift/views/ReviewMenu.hpp"

namespace keepsift::app {

// The review window's content: the groups with their photographs, the comparison, the keys,
// and the confirmation that stands before every deletion. It reads what the model published
// and calls the model's operations; it never deletes anything but through the confirmation's
// Delete button. Main actor only.
class ReviewWindow : public QWidget {
    Q_OBJECT
public:
    struct Hooks {
        // Opens the library-access settings (the access state's button).
        std::function<void()> openPrivacySettings;
        // Told when the refresh the window asks for on appearing has finished.
        std::function<void()> appeared;
        // The menu's commands: the settings window, and the application's quit.
        std::function<void()> showSettings;
        std::function<void()> quit;
    };

    explicit ReviewWindow(AppModel& model, QWidget* parent = nullptr, Hooks hooks = {});
    ~ReviewWindow() override;

    // The key handler: true when the key was used.
    bool handle(ReviewKey key);

    const ReviewWindowState& state() const { return state_; }
    GroupList* groupList() const { return list_; }
    CompareOverlay* compareOverlay() const { return overlay_; }
    DeleteConfirmation* confirmation() const { return confirmation_; }
    ICloudScopeSheet* scopeSheet() const { return sheet_; }
    EmptyState* emptyState() const { return empty_; }
    ReviewHeader* header() const { return header_; }
    ReviewFooter* footer() const { return footer_; }
    ReviewMenu* menu() const { return menu_; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    RowCallbacks rowCallbacks();
    const ReviewList& list() const { return model_.snapshot().review; }
    const std::string& language() const { return model_.settings().language; }
    void modelChanged(Property property);
    void sync();
    void syncContent();
    void syncBars();
    void syncOverlay();
    QRect belowMenu() const;
    void syncSheet();
    void stateChanged();
    void togglePhoto(const ReviewPhoto& photo);
    void openConfirmation();
    void confirmDelete();

    AppModel& model_;
    Hooks hooks_;
    ReviewWindowState state_;
    std::shared_ptr<ThumbnailRequests> requests_;
    ReviewMenu* menu_;
    ReviewHeader* header_;
    QStackedWidget* content_;
    EmptyState* empty_;
    ScanProgressLine* progress_;
    BatchBanner* banner_;
    GroupList* list_;
    ReviewFooter* footer_;
    CompareOverlay* overlay_;
    ICloudScopeSheet* sheet_;
    QPointer<DeleteConfirmation> confirmation_;
    KeyMonitor* keys_;
    ObservationToken observation_;
    bool syncScheduled_ = false;
    bool listChanged_ = true;
    // The number of photographs to discard, counted once per published list.
    std::uint64_t listVersion_ = 0;
    std::uint64_t countedVersion_ = 0;
    const EngineSnapshot* countedList_ = nullptr;
    std::size_t discards_ = 0;
    std::optional<std::string> shownActive_;
};

} // namespace keepsift::app
