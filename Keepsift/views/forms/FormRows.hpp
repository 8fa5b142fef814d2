#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QString>
#include <QUrl>
#include <QWidget>

namespace keepsift::app {

// A switch whose accessibility identifier is its object name and whose accessible name is
// its visible text.
QCheckBox* switchRow(const char* identifier, QWidget* parent);
void setSwitchText(QCheckBox* box, const QString& text);
// An explanation under a control: caption font, secondary ink, wrapping to its full height.
QLabel* captionRow(QWidget* parent, const char* identifier = "");
void setLabelText(QLabel* label, const QString& text);
// A web link in the caption font that opens in the default browser.
QLabel* linkLabel(QWidget* parent);
void setLink(QLabel* label, const QString& text, const QUrl& url);

} // namespace keepsift::app
