#include "Keepsift/views/firstrun/FirstRunWindow.hpp"

#include <QApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QVBoxLayout>

#include "Keepsift/views/ViewTexts.hpp"
#include "Keepsift/views/firstrun/FirstRunTexts.hpp"
#include "Keepsift/views/forms/FormRows.hpp"
#include "Keepsift/views/forms/FormTexts.hpp"
#include "Keepsift/views/forms/PrivacyRows.hpp"
#include "core/settings/Keepsift.hpp"

namespace keepsift::app {
namespace {

// At most one first-run window at a time; it deletes itself when closed.
QPointer<QDialog> openWindow;

QLabel* bodyText(const QFont& font, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFont(font);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

FirstRunWindow::FirstRunWindow(AppModel& model, std::function<void()> dismiss, QWidget* parent)
    : QWidget(parent), model_(model), dismiss_(std::move(dismiss)) {
    build();
    syncTexts();
    QPointer<FirstRunWindow> self(this);
    // The window may open before the stored settings are read: it follows their language,
    // and their choices until the user touches a switch.
    observation_ = model_.observe([self](Property property) {
        if (!self || property != Property::settings) return;
        self->syncTexts();
        if (!self->touched_) self->takeStoredChoices();
    });
}

void FirstRunWindow::build() {
    setFixedWidth(contentWidth);
    setMinimumHeight(minimumHeight);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(margin, margin, margin, margin);
    box->setSpacing(14);
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("first-run-title"));
    title_->setFont(ViewFonts::title3());
    intro_ = bodyText(ViewFonts::callout(), this);
    QFont medium = ViewFonts::callout();
    medium.setWeight(QFont::Medium);
    nothingDeleted_ = bodyText(medium, this);
    nothingDeleted_->setObjectName(QStringLiteral("first-run-nothing-deleted"));
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    telemetry_ = switchRow("first-run-telemetry", this);
    telemetry_->setChecked(true);
    telemetryCaption_ = captionRow(this);
    updates_ = switchRow("first-run-updates", this);
    updates_->setChecked(true);
    updatesCaption_ = captionRow(this);
    for (QWidget* row :
         std::initializer_list<QWidget*>{title_, intro_, nothingDeleted_, divider, telemetry_,
                                         telemetryCaption_, updates_, updatesCaption_})
        box->addWidget(row);

    // The room the content does not need lies above the footer.
    box->addStretch(1);
    auto* footer = new QHBoxLayout;
    privacy_ = linkLabel(this);
    terms_ = linkLabel(this);
    accept_ = new QPushButton(this);
    accept_->setObjectName(QStringLiteral("first-run-accept"));
    accept_->setDefault(true);
    accept_->setAutoDefault(true);
    footer->addWidget(privacy_);
    footer->addWidget(terms_);
    footer->addStretch(1);
    footer->addWidget(accept_);
    box->addLayout(footer);
    connect(accept_, &QPushButton::clicked, this, &FirstRunWindow::accept);
    for (QCheckBox* box : {telemetry_, updates_})
        connect(box, &QCheckBox::clicked, this, [this] { touched_ = true; });
}

void FirstRunWindow::syncTexts() {
    const std::string& language = model_.settings().language;
    setLabelText(title_, FirstRunTexts::title(language));
    setLabelText(intro_, FirstRunTexts::intro(language));
    setLabelText(nothingDeleted_, FirstRunTexts::nothingDeleted(language));
    PrivacyRows{updates_, updatesCaption_, telemetry_, telemetryCaption_}.sync(model_, language);
    setLink(privacy_, FormTexts::privacy(language), FormTexts::privacyPage());
    setLink(terms_, FormTexts::terms(language), FormTexts::termsPage());
    accept_->setText(FirstRunTexts::getStarted(language));
    accept_->setAccessibleName(accept_->text());
}

void FirstRunWindow::takeStoredChoices() {
    telemetry_->setChecked(model_.settings().telemetryEnabled);
    updates_->setChecked(model_.settings().automaticUpdates);
}

void FirstRunWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The switches start from the stored settings.
    takeStoredChoices();
}

void FirstRunWindow::accept() {
    // The choices are handed over once: a second completion would ask for library access a
    // second time. The window closes when the first is done.
    if (!accept_->isEnabled()) return;
    accept_->setEnabled(false);
    std::function<void()> dismiss = dismiss_;
    model_.completeFirstRun(telemetryEnabled(), automaticUpdates(), [dismiss] {
        if (dismiss) dismiss();
    });
}

QDialog* FirstRunWindow::window() {
    return openWindow;
}

void FirstRunWindow::showIfNeeded(AppModel& model) {
    if (!model.needsFirstRunNotice() || openWindow) return;
    auto* dialog =
        new QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    dialog->setObjectName(QStringLiteral("first-run"));
    dialog->setWindowTitle(qtext(std::string(Keepsift::name)));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* box = new QVBoxLayout(dialog);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSizeConstraint(QLayout::SetFixedSize);
    QPointer<QDialog> target(dialog);
    box->addWidget(new FirstRunWindow(model, [target] {
        if (target) target->close();
    }));
    openWindow = dialog;
    dialog->show();
    if (QScreen* screen = dialog->screen())
        dialog->move(screen->availableGeometry().center() - dialog->rect().center());
    dialog->raise();
    dialog->activateWindow();
}

} // namespace keepsift::app
