#include "Keepsift/views/forms/FormRows.hpp"

#include "Keepsift/views/SecondaryText.hpp"
#include "Keepsift/views/ViewTexts.hpp"

namespace keepsift::app {

QCheckBox* switchRow(const char* identifier, QWidget* parent) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(QString::fromUtf8(identifier));
    return box;
}

void setSwitchText(QCheckBox* box, const QString& text) {
    box->setText(text);
    box->setAccessibleName(text);
}

QLabel* captionRow(QWidget* parent, const char* identifier) {
    QLabel* label = wrappingLabel(ViewFonts::caption(), parent);
    label->setObjectName(QString::fromUtf8(identifier));
    label->setTextFormat(Qt::PlainText);
    return label;
}

void setLabelText(QLabel* label, const QString& text) {
    label->setText(text);
    label->setAccessibleName(text);
}

QLabel* linkLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFont(ViewFonts::caption());
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    label->setOpenExternalLinks(true);
    return label;
}

void setLink(QLabel* label, const QString& text, const QUrl& url) {
    label->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                       .arg(url.toString(QUrl::FullyEncoded), text.toHtmlEscaped()));
    label->setAccessibleName(text);
}

} // namespace keepsift::app
