#pragma once

#include <QLabel>

namespace keepsift::app {

// A label in the secondary (or tertiary) ink of the platform, in the given font.
QLabel* secondaryLabel(const QFont& font, QWidget* parent, float alpha = 0.65f);
// A label that wraps and takes its full height, so it is never cut.
QLabel* wrappingLabel(const QFont& font, QWidget* parent, float alpha = 0.65f);

} // namespace keepsift::app
