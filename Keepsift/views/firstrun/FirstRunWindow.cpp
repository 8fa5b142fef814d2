#include "Keepsift/views/firstrun/FirstRunWindow.hpp"

#include <QApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QVBoxLayout>

#include "Keepsift/views/ViewTexts.hpp"
#include "Keepsift/views/firstrun/FirstRunTexts.hpp"
#include "Keepsift/views/forms/FormRows.hpp"
#include "Keepsift/views/forms/FormTexts.hpp"
#include "core/settings/Keepsift.hpp"

namespace keepsift::app {
namespace {

// At most one first-run window at a time; it deletes itself when closed.
QPointer<QDialog> openWindow;

QLabel* bodyText(const QString& text, const QFont& font, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setAccessibleName(text);
    return label;
}

} // namespace

FirstRunWindow::FirstRunWindow(AppModel& model, std::function<void()> dismiss, QWidget* parent)
    : QWidget(parent), model_(model), dismiss_(std::move(dismiss)) {
    build();
}

void FirstRunWindow::build() {
    const std::string& language = model_.settings().language;
    setFixedWidth(contentWidth);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(margin, margin, margin, margin);
    box->setSpacing(14);
    title_ = new QLabel(FirstRunTexts::title(language), this);
    title_->setObjectName(QStringLiteral("first-run-title"));
    title_->setFont(ViewFonts::title3());
    title_->setAccessibleName(title_->text());
    box->addWidget(title_);
    box->addWidget(bodyText(FirstRunTexts::intro(language), ViewFonts::callout(), this));
    QFont medium = ViewFonts::callout();
    medium.setWeight(QFont::Medium);
    QLabel* nothingDeleted = bodyText(FirstRunTexts::nothingDeleted(language), medium, this);
    nothingDeleted->setObjectName(QStringLiteral("first-run-nothing-deleted"));
    box->addWidget(nothingDeleted);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    box->addWidget(divider);

    telemetry_ = switchRow("first-run-telemetry", this);
    setSwitchText(telemetry_, FormTexts::telemetry(language));
    telemetry_->setChecked(true);
    QLabel* telemetryCaption = captionRow(this);
    setLabelText(telemetryCaption, FormTexts::telemetryCaption(language));
    updates_ = switchRow("first-run-updates", this);
    setSwitchText(updates_, FormTexts::updates(language));
    updates_->setChecked(true);
    QLabel* updatesCaption = captionRow(this);
    setLabelText(updatesCaption, FormTexts::updateExplanation(language));
    for (QWidget* row : {static_cast<QWidget*>(telemetry_), static_cast<QWidget*>(telemetryCaption),
                         static_cast<QWidget*>(updates_), static_cast<QWidget*>(updatesCaption)})
        box->addWidget(row);

    auto* footer = new QHBoxLayout;
    QLabel* privacy = linkLabel(this);
    setLink(privacy, FormTexts::privacy(language), FormTexts::privacyPage());
    QLabel* terms = linkLabel(this);
    setLink(terms, FormTexts::terms(language), FormTexts::termsPage());
    accept_ = new QPushButton(FirstRunTexts::getStarted(language), this);
    accept_->setObjectName(QStringLiteral("first-run-accept"));
    accept_->setAccessibleName(accept_->text());
    accept_->setDefault(true);
    accept_->setAutoDefault(true);
    footer->addWidget(privacy);
    footer->addWidget(terms);
    footer->addStretch(1);
    footer->addWidget(accept_);
    box->addLayout(footer);
    connect(accept_, &QPushButton::clicked, this, &FirstRunWindow::accept);
}

void FirstRunWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The switches start from the stored settings.
    telemetry_->setChecked(model_.settings().telemetryEnabled);
    updates_->setChecked(model_.settings().automaticUpdates);
}

void FirstRunWindow::accept() {
    // Every click starts one more completion; the window closes after each.
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
